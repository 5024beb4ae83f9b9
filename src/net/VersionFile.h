// The version file on the download server and the comparison of versions: plain text in,
// plain data out.
//
// The file starts with the release's four numbers as every version of the program reads them
// ("1,0,0,21"), followed by lines of their own:
//     sha256 <the installer's SHA-256, 64 hex digits>
//     signature <ECDSA P-256 signature, r and s, 128 hex digits>
// The signature, made with the project's release key, covers every byte before its line, and it
// is the file's last line. tools/sign-release writes such files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "net/Signature.h"

// major<<48 | minor<<32 | build<<16 | revision.
constexpr uint64_t PackVersion(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision) {
    return uint64_t(major) << 48 | uint64_t(minor) << 32 | uint64_t(build) << 16 | revision;
}

// The four numbers at the start of `text`, read with "%hu,%hu,%hu,%hu" as older versions read
// them: blanks before a number are skipped and anything after the fourth is ignored. Nothing
// when fewer than four convert.
std::optional<uint64_t> ReadVersionNumbers(const std::string& text);

struct SignedRelease {
    uint64_t version = 0;
    Sha256Digest installerSha256{};
};

// The release that `text` announces, when it is a version file signed with `key`. A file
// without a valid signature counts as a file in another format: nothing.
std::optional<SignedRelease> ReadSignedVersionFile(const std::string& text, const P256PublicKey& key);
