// SHA-256 and ECDSA P-256 verification with the platform's own cryptography (CNG).
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>

using Sha256Digest = std::array<unsigned char, 32>;
// An ECDSA P-256 public key as its X and Y coordinates, 32 bytes each, big-endian.
using P256PublicKey = std::array<unsigned char, 64>;
// An ECDSA signature as r and s, 32 bytes each, big-endian.
using P256Signature = std::array<unsigned char, 64>;

// A SHA-256 over bytes given in pieces.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Add(const void* bytes, size_t size);
    // The digest of everything added; nothing when any step failed.
    std::optional<Sha256Digest> Finish();

  private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool failed_ = false;
};

std::optional<Sha256Digest> Sha256Of(const std::string& bytes);

// Whether `signature` is `key`'s signature of the SHA-256 of `message`.
bool VerifyP256Signature(const std::string& message, const P256Signature& signature,
                         const P256PublicKey& key);
