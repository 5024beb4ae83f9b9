// Reading the version file.
#include "net/VersionFile.h"

#include <cstdio>
#include <string_view>

namespace {

// `digits` hex digits into bytes; false for anything else.
template <size_t N> bool ParseHex(std::string_view digits, std::array<unsigned char, N>& bytes) {
    if (digits.size() != 2 * N) return false;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < N; ++i) {
        int high = value(digits[2 * i]), low = value(digits[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

} // namespace

std::optional<uint64_t> ReadVersionNumbers(const std::string& text) {
    unsigned short a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(text.c_str(), "%hu,%hu,%hu,%hu", &a, &b, &c, &d) < 4) return std::nullopt;
    return PackVersion(a, b, c, d);
}

std::optional<SignedRelease> ReadSignedVersionFile(const std::string& text, const P256PublicKey& key) {
    // The signature line is the last one; one line end may follow it.
    std::string_view file = text;
    if (!file.empty() && file.back() == '\n') file.remove_suffix(1);
    size_t lineStart = file.rfind('\n');
    if (lineStart == std::string_view::npos) return std::nullopt;
    std::string_view signatureLine = WithoutLineEnd(file.substr(lineStart + 1));
    constexpr std::string_view signatureKey = "signature ";
    P256Signature signature{};
    if (!signatureLine.starts_with(signatureKey) ||
        !ParseHex(signatureLine.substr(signatureKey.size()), signature))
        return std::nullopt;
    std::string signedPart(text, 0, lineStart + 1);
    if (!VerifyP256Signature(signedPart, signature, key)) return std::nullopt;

    // Only what the signature covers is read from here on.
    SignedRelease release;
    std::optional<uint64_t> version = ReadVersionNumbers(signedPart);
    if (!version) return std::nullopt;
    release.version = *version;
    constexpr std::string_view hashKey = "sha256 ";
    std::string_view rest = signedPart;
    for (size_t end; !rest.empty(); rest.remove_prefix(end + 1)) {
        end = rest.find('\n');
        std::string_view line = WithoutLineEnd(rest.substr(0, end));
        if (line.starts_with(hashKey)) {
            if (!ParseHex(line.substr(hashKey.size()), release.installerSha256)) return std::nullopt;
            return release;
        }
        if (end == std::string_view::npos) break;
    }
    return std::nullopt;
}
