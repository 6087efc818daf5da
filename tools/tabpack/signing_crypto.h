// tabpack's cryptography, all of it from the platform's own library: on
// Linux OpenSSL's libcrypto, on Windows the system's CNG. SHA-256, the
// verification of ECDSA P-256 signatures, and, where the library lets
// tabpack read and write PKCS#8 keys, keys and signatures.
#pragma once

#include "install/archive_signature.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

using Sha256Digest = std::array<uint8_t, kSha256Length>;
using PublicPoint = std::array<uint8_t, kArchiveKeyLength>;          // X||Y
using SignatureValue = std::array<uint8_t, kArchiveSignatureLength>; // r||s

class Sha256 : public ByteSink
{
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(const uint8_t* bytes, std::size_t length) override;
    // False when the library failed at any step since the start.
    [[nodiscard]] bool Finish(Sha256Digest* digest);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

enum class SignatureCheck
{
    Valid,
    Invalid,
    Failed, // the key is no P-256 point, or the library failed; why says which
};

[[nodiscard]] SignatureCheck VerifyDigestSignature(const PublicPoint& key, const Sha256Digest& digest,
                                                   const SignatureValue& signature, std::string* why);

// Whether this build makes keys and signatures; where it does not, the
// signing key's operations fail and say so.
extern const bool kSigningAvailable;

class SigningKey
{
  public:
    SigningKey();
    ~SigningKey();
    SigningKey(SigningKey&&) noexcept;
    SigningKey& operator=(SigningKey&&) noexcept;

    [[nodiscard]] bool Generate(std::string* why);
    // Reads a P-256 private key from a PEM file (PKCS#8, or the older EC form).
    [[nodiscard]] bool Load(const std::string& path, std::string* why);
    // Writes the key as a PKCS#8 PEM file that only its owner may read; an
    // existing file is never replaced.
    [[nodiscard]] bool Save(const std::string& path, std::string* why) const;

    const PublicPoint& Public() const { return public_; }
    [[nodiscard]] bool Sign(const Sha256Digest& digest, SignatureValue* signature, std::string* why) const;

  private:
    struct State;
    std::unique_ptr<State> state_;
    PublicPoint public_ = {};
};
