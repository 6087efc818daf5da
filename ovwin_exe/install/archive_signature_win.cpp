#include "install/archive_signature_win.h"

#include "diagnostics/error_description.h"
#include "foundation/text_limits.h"

#include <cstring>

namespace
{
// Hashes what it is fed and keeps the first failure.
class HashSink : public ByteSink
{
  public:
    explicit HashSink(Sha256Stream& stream) : stream_(stream) {}

    void Add(const uint8_t* bytes, std::size_t length) override
    {
        if (!outcome.Failed())
        {
            outcome = stream_.Add(bytes, static_cast<uint32_t>(length));
        }
    }

    CngOutcome outcome;

  private:
    Sha256Stream& stream_;
};

SignedArchive Refuse(SignedArchive& result, SignatureRefusal refusal, const char* call, uint32_t status)
{
    result.Verdict.Refusal = refusal;
    result.Verdict.FailedCall = call;
    result.Verdict.Status = status;
    result.Digests.Reset();
    return std::move(result);
}

SignedArchive RefuseCrypto(SignedArchive& result, const CngOutcome& outcome)
{
    return Refuse(result, SignatureRefusal::CryptoFailure, outcome.Call,
                  static_cast<uint32_t>(outcome.Status));
}

// Reads the table whole; a short read is a failure of its own.
bool ReadDigestTable(HANDLE archive, uint32_t offset, uint32_t length, uint8_t* table, DWORD* error)
{
    LARGE_INTEGER position = {};
    position.QuadPart = offset;
    DWORD got = 0;
    if (!SetFilePointerEx(archive, position, nullptr, FILE_BEGIN) ||
        !ReadFile(archive, table, length, &got, nullptr))
    {
        *error = GetLastError();
        return false;
    }
    *error = got == length ? ERROR_SUCCESS : ERROR_HANDLE_EOF;
    return got == length;
}
} // namespace

CngOutcome KeyIdOf(const uint8_t* publicKey, uint8_t* keyId)
{
    uint8_t digest[kSha256Length];
    const CngOutcome outcome = Sha256Of(publicKey, kArchiveKeyLength, digest);
    std::memcpy(keyId, digest, kKeyIdLength);
    return outcome;
}

CngOutcome VerifyP256Signature(const uint8_t* publicKey, const uint8_t* digest, const uint8_t* signature)
{
    CngAlgorithm algorithm;
    NTSTATUS status =
        BCryptOpenAlgorithmProvider(algorithm.Receive(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status))
    {
        algorithm.Reset();
        return {status, "BCryptOpenAlgorithmProvider(ECDSA_P256)"};
    }
    // BCRYPT_ECCPUBLIC_BLOB: "ECS1", the coordinate length, X, Y.
    struct
    {
        BCRYPT_ECCKEY_BLOB header;
        uint8_t point[kArchiveKeyLength];
    } blob = {{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(kArchiveKeyLength / 2)}, {}};
    std::memcpy(blob.point, publicKey, kArchiveKeyLength);
    CngKey key;
    status = BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.Receive(),
                                 reinterpret_cast<PUCHAR>(&blob), sizeof(blob), 0);
    if (!BCRYPT_SUCCESS(status))
    {
        key.Reset();
        return {status, "BCryptImportKeyPair"};
    }
    // CNG reads both buffers without changing them; its prototype is older than const.
    status = BCryptVerifySignature(key.Get(), nullptr, const_cast<PUCHAR>(digest), kSha256Length,
                                   const_cast<PUCHAR>(signature), kArchiveSignatureLength, 0);
    return BCRYPT_SUCCESS(status) ? CngOutcome{} : CngOutcome{status, "BCryptVerifySignature"};
}

SignedArchive VerifyTABSignature(HANDLE archive, const uint8_t* headerAndRecords, uint32_t headerSize,
                                 const uint8_t* publicKey)
{
    SignedArchive result;
    uint8_t keyId[kKeyIdLength] = {};
    const CngOutcome identified = KeyIdOf(publicKey, keyId);
    std::memcpy(result.Verdict.ConfiguredKeyId, keyId, kKeyIdLength);
    if (identified.Failed())
    {
        return RefuseCrypto(result, identified);
    }
    LARGE_INTEGER fileSize = {};
    if (!GetFileSizeEx(archive, &fileSize))
    {
        return Refuse(result, SignatureRefusal::TableUnreadable, "GetFileSizeEx", GetLastError());
    }
    SignatureBlock block = {};
    result.Verdict = CheckSignedLayout(headerAndRecords, headerSize, static_cast<uint64_t>(fileSize.QuadPart),
                                       keyId, &block);
    if (result.Verdict.Refusal != SignatureRefusal::None)
    {
        return result;
    }

    const uint32_t tableLength = static_cast<uint32_t>(result.Verdict.TableLength);
    if (!AllocateLogged(result.Digests, tableLength))
    {
        return Refuse(result, SignatureRefusal::TableUnreadable, "HeapAlloc", ERROR_NOT_ENOUGH_MEMORY);
    }
    DWORD error = ERROR_SUCCESS;
    if (!ReadDigestTable(archive, block.DigestTableOffset, tableLength, result.Digests.Get(), &error))
    {
        return Refuse(result, SignatureRefusal::TableUnreadable, "ReadFile", error);
    }

    Sha256Stream stream;
    CngOutcome outcome = stream.Start();
    if (outcome.Failed())
    {
        return RefuseCrypto(result, outcome);
    }
    HashSink sink(stream);
    FeedSignedBytes(headerAndRecords, headerSize, result.Digests.Get(), tableLength, sink);
    uint8_t digest[kSha256Length];
    outcome = sink.outcome.Failed() ? sink.outcome : stream.Finish(digest);
    if (outcome.Failed())
    {
        return RefuseCrypto(result, outcome);
    }
    outcome = VerifyP256Signature(publicKey, digest, block.Signature);
    if (outcome.Status == kStatusInvalidSignature)
    {
        return Refuse(result, SignatureRefusal::SignatureMismatch, outcome.Call,
                      static_cast<uint32_t>(outcome.Status));
    }
    if (outcome.Failed())
    {
        return RefuseCrypto(result, outcome);
    }
    return result;
}

void ReportSignatureVerdict(const SignatureVerdict& verdict, const char* archiveName)
{
    char description[kErrorTextCapacity] = "";
    switch (verdict.Refusal)
    {
        case SignatureRefusal::CryptoFailure:
            FormatErrorString(verdict.Status, description, sizeof(description), kErrorKindNtStatus);
            break;
        case SignatureRefusal::KeyValueUnreadable:
        case SignatureRefusal::TableUnreadable:
            FormatErrorString(verdict.Status, description, sizeof(description));
            break;
        default:
            break;
    }
    LogSignatureVerdict(verdict, archiveName, description);
}
