// tabpack.exe verifies with the launcher's own CNG code, and does not sign:
// Windows reads PKCS#8 keys through crypt32 (PKCS_PRIVATE_KEY_INFO,
// X509_ECC_PRIVATE_KEY), which Wine, where the tests run, does not
// implement, and a key parser of tabpack's own is what the library is for.
#include "signing_crypto.h"

#include "diagnostics/error_description.h"
#include "foundation/text_limits.h"
#include "install/archive_signature_win.h"

#include <limits>

namespace
{
const char kNoSigning[] = "tabpack.exe does not make keys or signatures; use tabpack on Linux";

std::string Describe(const CngOutcome& outcome)
{
    char description[kErrorTextCapacity] = "";
    FormatErrorString(static_cast<uint32_t>(outcome.Status), description, sizeof(description),
                      kErrorKindNtStatus);
    return std::string(outcome.Call) + " failed: " + description;
}
} // namespace

struct Sha256::State
{
    Sha256Stream stream;
    CngOutcome outcome;
};

Sha256::Sha256() : state_(std::make_unique<State>())
{
    state_->outcome = state_->stream.Start();
}

Sha256::~Sha256() = default;

void Sha256::Add(const uint8_t* bytes, std::size_t length)
{
    constexpr std::size_t kLargestCall = std::numeric_limits<uint32_t>::max();
    while (!state_->outcome.Failed() && length > 0)
    {
        const std::size_t part = length < kLargestCall ? length : kLargestCall;
        state_->outcome = state_->stream.Add(bytes, static_cast<uint32_t>(part));
        bytes += part;
        length -= part;
    }
}

bool Sha256::Finish(Sha256Digest* digest)
{
    return !state_->outcome.Failed() && !state_->stream.Finish(digest->data()).Failed();
}

SignatureCheck VerifyDigestSignature(const PublicPoint& key, const Sha256Digest& digest,
                                     const SignatureValue& signature, std::string* why)
{
    const CngOutcome outcome = VerifyP256Signature(key.data(), digest.data(), signature.data());
    if (!outcome.Failed())
    {
        return SignatureCheck::Valid;
    }
    if (outcome.Status == kStatusInvalidSignature)
    {
        return SignatureCheck::Invalid;
    }
    *why = Describe(outcome);
    return SignatureCheck::Failed;
}

const bool kSigningAvailable = false;

struct SigningKey::State
{
};

SigningKey::SigningKey() : state_(std::make_unique<State>()) {}
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

bool SigningKey::Generate(std::string* why)
{
    *why = kNoSigning;
    return false;
}

bool SigningKey::Load(const std::string&, std::string* why)
{
    *why = kNoSigning;
    return false;
}

bool SigningKey::Save(const std::string&, std::string* why) const
{
    *why = kNoSigning;
    return false;
}

bool SigningKey::Sign(const Sha256Digest&, SignatureValue*, std::string* why) const
{
    *why = kNoSigning;
    return false;
}
