#include "signing_crypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{
constexpr const char* kCurveName = "prime256v1"; // P-256
constexpr std::size_t kCoordinateLength = kArchiveKeyLength / 2;
constexpr uint8_t kUncompressedPoint = 0x04;

template <typename T, void (*Free)(T*)>
struct Freer
{
    void operator()(T* object) const { Free(object); }
};
template <typename T, void (*Free)(T*)>
using OpenSslPointer = std::unique_ptr<T, Freer<T, Free>>;

using PkeyPointer = OpenSslPointer<EVP_PKEY, EVP_PKEY_free>;
using PkeyContext = OpenSslPointer<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using DigestContext = OpenSslPointer<EVP_MD_CTX, EVP_MD_CTX_free>;
using BigNumber = OpenSslPointer<BIGNUM, BN_free>;
using EcdsaSignature = OpenSslPointer<ECDSA_SIG, ECDSA_SIG_free>;
using ParamBuilder = OpenSslPointer<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using Params = OpenSslPointer<OSSL_PARAM, OSSL_PARAM_free>;

void CloseFile(std::FILE* file)
{
    std::fclose(file);
}
using FileHandle = OpenSslPointer<std::FILE, CloseFile>;

// The library's own reason for the last failure, after what failed.
bool Fail(std::string* why, const std::string& what)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    char reason[256] = "";
    if (code != 0)
    {
        ERR_error_string_n(code, reason, sizeof(reason));
    }
    *why = code != 0 ? what + " (" + reason + ")" : what;
    return false;
}

bool ReadCoordinate(const EVP_PKEY* key, const char* name, uint8_t* destination)
{
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &raw) != 1)
    {
        return false;
    }
    const BigNumber coordinate(raw);
    return BN_bn2binpad(coordinate.get(), destination, static_cast<int>(kCoordinateLength)) ==
           static_cast<int>(kCoordinateLength);
}

// The public point of a P-256 key; false for a key of any other kind.
bool ReadPublicPoint(const EVP_PKEY* key, PublicPoint* point, std::string* why)
{
    char group[64] = "";
    if (EVP_PKEY_is_a(key, "EC") != 1 ||
        EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof(group), nullptr) != 1 ||
        std::strcmp(group, kCurveName) != 0)
    {
        return Fail(why, "the key is not an ECDSA key on the curve P-256");
    }
    if (!ReadCoordinate(key, OSSL_PKEY_PARAM_EC_PUB_X, point->data()) ||
        !ReadCoordinate(key, OSSL_PKEY_PARAM_EC_PUB_Y, point->data() + kCoordinateLength))
    {
        return Fail(why, "cannot read the key's public point");
    }
    return true;
}

PkeyPointer PublicKeyOf(const PublicPoint& point, std::string* why)
{
    uint8_t encoded[1 + kArchiveKeyLength];
    encoded[0] = kUncompressedPoint;
    std::memcpy(encoded + 1, point.data(), point.size());
    const ParamBuilder builder(OSSL_PARAM_BLD_new());
    if (!builder ||
        OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, kCurveName, 0) != 1 ||
        OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, encoded, sizeof(encoded)) !=
            1)
    {
        Fail(why, "cannot build the public key");
        return nullptr;
    }
    const Params params(OSSL_PARAM_BLD_to_param(builder.get()));
    const PkeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
    {
        Fail(why, "the public key is not a point on the curve P-256");
        return nullptr;
    }
    return PkeyPointer(key);
}

// The DER form OpenSSL signs and verifies, from r||s and back.
std::string EncodeSignature(const SignatureValue& signature)
{
    EcdsaSignature value(ECDSA_SIG_new());
    BigNumber r(BN_bin2bn(signature.data(), static_cast<int>(kCoordinateLength), nullptr));
    BigNumber s(
        BN_bin2bn(signature.data() + kCoordinateLength, static_cast<int>(kCoordinateLength), nullptr));
    if (!value || !r || !s || ECDSA_SIG_set0(value.get(), r.get(), s.get()) != 1)
    {
        return std::string();
    }
    r.release(); // the signature owns them now
    s.release();
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(value.get(), &der);
    if (length <= 0)
    {
        return std::string();
    }
    std::string encoded(reinterpret_cast<const char*>(der), static_cast<std::size_t>(length));
    OPENSSL_free(der);
    return encoded;
}

bool DecodeSignature(const unsigned char* der, std::size_t length, SignatureValue* signature)
{
    const EcdsaSignature value(d2i_ECDSA_SIG(nullptr, &der, static_cast<long>(length)));
    if (!value)
    {
        return false;
    }
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(value.get(), &r, &s);
    const int width = static_cast<int>(kCoordinateLength);
    return BN_bn2binpad(r, signature->data(), width) == width &&
           BN_bn2binpad(s, signature->data() + kCoordinateLength, width) == width;
}

// Refuses to prompt for a pass phrase: tabpack runs unattended.
int NoPassphrase(char*, int, int, void*)
{
    return -1;
}
} // namespace

struct Sha256::State
{
    DigestContext context{EVP_MD_CTX_new()};
    bool failed = false;
};

Sha256::Sha256() : state_(std::make_unique<State>())
{
    state_->failed = !state_->context || EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::Add(const uint8_t* bytes, std::size_t length)
{
    if (!state_->failed && length > 0)
    {
        state_->failed = EVP_DigestUpdate(state_->context.get(), bytes, length) != 1;
    }
}

bool Sha256::Finish(Sha256Digest* digest)
{
    unsigned int length = 0;
    return !state_->failed && EVP_DigestFinal_ex(state_->context.get(), digest->data(), &length) == 1 &&
           length == digest->size();
}

SignatureCheck VerifyDigestSignature(const PublicPoint& key, const Sha256Digest& digest,
                                     const SignatureValue& signature, std::string* why)
{
    const PkeyPointer publicKey = PublicKeyOf(key, why);
    if (!publicKey)
    {
        return SignatureCheck::Failed;
    }
    const std::string der = EncodeSignature(signature);
    const PkeyContext context(EVP_PKEY_CTX_new(publicKey.get(), nullptr));
    if (der.empty() || !context || EVP_PKEY_verify_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) != 1)
    {
        Fail(why, "cannot set up the verification");
        return SignatureCheck::Failed;
    }
    const int verified = EVP_PKEY_verify(context.get(), reinterpret_cast<const unsigned char*>(der.data()),
                                         der.size(), digest.data(), digest.size());
    ERR_clear_error(); // a signature that does not match leaves its reason behind
    return verified == 1 ? SignatureCheck::Valid : SignatureCheck::Invalid;
}

const bool kSigningAvailable = true;

struct SigningKey::State
{
    PkeyPointer key;
};

SigningKey::SigningKey() : state_(std::make_unique<State>()) {}
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

bool SigningKey::Generate(std::string* why)
{
    state_->key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", kCurveName));
    if (!state_->key)
    {
        return Fail(why, "cannot generate a P-256 key");
    }
    return ReadPublicPoint(state_->key.get(), &public_, why);
}

bool SigningKey::Load(const std::string& path, std::string* why)
{
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
    {
        *why = "\"" + path + "\": " + std::strerror(errno);
        return false;
    }
    state_->key.reset(PEM_read_PrivateKey(file.get(), nullptr, NoPassphrase, nullptr));
    if (!state_->key)
    {
        return Fail(why, "\"" + path + "\" holds no private key in PEM form without a pass phrase");
    }
    return ReadPublicPoint(state_->key.get(), &public_, why);
}

bool SigningKey::Save(const std::string& path, std::string* why) const
{
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0)
    {
        *why = "\"" + path + "\": " + std::strerror(errno);
        return false;
    }
    FileHandle file(fdopen(descriptor, "wb"));
    if (!file)
    {
        close(descriptor);
        *why = "\"" + path + "\": " + std::strerror(errno);
        return false;
    }
    const bool written =
        PEM_write_PrivateKey(file.get(), state_->key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed)
    {
        std::remove(path.c_str());
        return Fail(why, "cannot write \"" + path + "\"");
    }
    return true;
}

bool SigningKey::Sign(const Sha256Digest& digest, SignatureValue* signature, std::string* why) const
{
    const PkeyContext context(EVP_PKEY_CTX_new(state_->key.get(), nullptr));
    std::size_t length = 0;
    if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) != 1 ||
        EVP_PKEY_sign(context.get(), nullptr, &length, digest.data(), digest.size()) != 1)
    {
        return Fail(why, "cannot sign");
    }
    std::string der(length, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(&der[0]);
    if (EVP_PKEY_sign(context.get(), bytes, &length, digest.data(), digest.size()) != 1 ||
        !DecodeSignature(bytes, length, signature))
    {
        return Fail(why, "cannot sign");
    }
    return true;
}
