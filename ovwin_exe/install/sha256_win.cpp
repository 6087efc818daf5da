#include "install/sha256_win.h"

#include "install/archive_signature.h"

namespace
{
CngOutcome Check(NTSTATUS status, const char* call)
{
    return BCRYPT_SUCCESS(status) ? CngOutcome{} : CngOutcome{status, call};
}
} // namespace

CngOutcome Sha256Stream::Start()
{
    hash_.Reset();
    if (!algorithm_)
    {
        const CngOutcome opened =
            Check(BCryptOpenAlgorithmProvider(algorithm_.Receive(), BCRYPT_SHA256_ALGORITHM, nullptr, 0),
                  "BCryptOpenAlgorithmProvider(SHA256)");
        if (opened.Failed())
        {
            algorithm_.Reset();
            return opened;
        }
    }
    // Without a buffer of ours CNG keeps the hash object itself (Windows 7
    // and later).
    return Check(BCryptCreateHash(algorithm_.Get(), hash_.Receive(), nullptr, 0, nullptr, 0, 0),
                 "BCryptCreateHash");
}

CngOutcome Sha256Stream::Add(const void* bytes, uint32_t length)
{
    // CNG reads the input without changing it; its prototype is older than const.
    return Check(BCryptHashData(hash_.Get(), static_cast<PUCHAR>(const_cast<void*>(bytes)), length, 0),
                 "BCryptHashData");
}

CngOutcome Sha256Stream::Finish(uint8_t* digest)
{
    const CngOutcome finished = Check(
        BCryptFinishHash(hash_.Get(), digest, static_cast<ULONG>(kSha256Length), 0), "BCryptFinishHash");
    hash_.Reset();
    return finished;
}

CngOutcome Sha256Of(const void* bytes, uint32_t length, uint8_t* digest)
{
    Sha256Stream stream;
    CngOutcome outcome = stream.Start();
    if (!outcome.Failed())
    {
        outcome = stream.Add(bytes, length);
    }
    return outcome.Failed() ? outcome : stream.Finish(digest);
}
