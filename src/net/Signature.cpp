// CNG's hash and signature calls. bcrypt.dll is loaded at the first call (the update check's
// thread), not at start-up.
#include "net/Signature.h"

#include <vector>

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

struct Algorithm {
    BCRYPT_ALG_HANDLE handle = nullptr;
    explicit Algorithm(LPCWSTR name) {
        if (!Succeeded(::BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) handle = nullptr;
    }
    ~Algorithm() {
        if (handle) ::BCryptCloseAlgorithmProvider(handle, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
};

struct Key {
    BCRYPT_KEY_HANDLE handle = nullptr;
    Key() = default;
    ~Key() {
        if (handle) ::BCryptDestroyKey(handle);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
};

} // namespace

Sha256::Sha256() {
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        algorithm_ = nullptr;
        failed_ = true;
    } else if (!Succeeded(::BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0))) {
        hash_ = nullptr;
        failed_ = true;
    }
}

Sha256::~Sha256() {
    if (hash_) ::BCryptDestroyHash(hash_);
    if (algorithm_) ::BCryptCloseAlgorithmProvider(algorithm_, 0);
}

bool Sha256::Add(const void* bytes, size_t size) {
    auto* at = static_cast<unsigned char*>(const_cast<void*>(bytes));
    while (!failed_ && size > 0) {
        ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        failed_ = !Succeeded(::BCryptHashData(hash_, at, piece, 0));
        at += piece;
        size -= piece;
    }
    return !failed_;
}

std::optional<Sha256Digest> Sha256::Finish() {
    Sha256Digest digest{};
    if (failed_ || !Succeeded(::BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0)))
        return std::nullopt;
    failed_ = true; // a finished hash takes nothing more
    return digest;
}

std::optional<Sha256Digest> Sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.Add(bytes.data(), bytes.size());
    return hash.Finish();
}

bool VerifyP256Signature(const std::string& message, const P256Signature& signature,
                         const P256PublicKey& key) {
    std::optional<Sha256Digest> digest = Sha256Of(message);
    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!digest || !ecdsa.handle) return false;

    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = 32;
    std::copy(key.begin(), key.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
    Key imported;
    if (!Succeeded(::BCryptImportKeyPair(ecdsa.handle, nullptr, BCRYPT_ECCPUBLIC_BLOB, &imported.handle,
                                         blob.data(), static_cast<ULONG>(blob.size()), 0)))
        return false;
    P256Signature copy = signature; // the call takes a non-const pointer
    return ::BCryptVerifySignature(imported.handle, nullptr, digest->data(),
                                   static_cast<ULONG>(digest->size()), copy.data(),
                                   static_cast<ULONG>(copy.size()), 0) == 0;
}
