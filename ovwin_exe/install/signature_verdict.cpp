#include "install/signature_verdict.h"

#include "diagnostics/log.h"

#include <cstring>

namespace
{
constexpr uint32_t kRegistryBinaryType = 3; // REG_BINARY

SignatureRefusal RefusalOf(DigestTablePlace place)
{
    switch (place)
    {
        case DigestTablePlace::Sound:
            break;
        case DigestTablePlace::InsideRecordBlock:
            return SignatureRefusal::TableInsideRecordBlock;
        case DigestTablePlace::OutsideFile:
            return SignatureRefusal::TableOutsideFile;
        case DigestTablePlace::OverlapsContents:
            return SignatureRefusal::TableOverlapsContents;
    }
    return SignatureRefusal::None;
}
} // namespace

SignatureRefusal JudgePublicKeyValue(uint32_t type, uint32_t size)
{
    if (type != kRegistryBinaryType)
    {
        return SignatureRefusal::KeyValueWrongType;
    }
    return size == kArchiveKeyLength ? SignatureRefusal::None : SignatureRefusal::KeyValueWrongSize;
}

SignatureVerdict CheckSignedLayout(const uint8_t* headerAndRecords, uint32_t headerSize, uint64_t fileSize,
                                   const uint8_t* configuredKeyId, SignatureBlock* block)
{
    SignatureVerdict verdict;
    std::memcpy(verdict.ConfiguredKeyId, configuredKeyId, kKeyIdLength);
    verdict.FileSize = fileSize;
    switch (ParseSignatureBlock(headerAndRecords, block))
    {
        case SignatureBlockVerdict::Signed:
            break;
        case SignatureBlockVerdict::Unsigned:
            verdict.Refusal = SignatureRefusal::Unsigned;
            return verdict;
        case SignatureBlockVerdict::Malformed:
            verdict.Refusal = SignatureRefusal::MalformedBlock;
            return verdict;
    }
    std::memcpy(verdict.ArchiveKeyId, block->KeyId, kKeyIdLength);
    if (std::memcmp(block->KeyId, configuredKeyId, kKeyIdLength) != 0)
    {
        verdict.Refusal = SignatureRefusal::OtherKey;
        return verdict;
    }
    verdict.TableOffset = block->DigestTableOffset;
    verdict.TableLength = DigestTableLength(headerSize);
    const DigestTableCheck place =
        CheckDigestTablePlace(headerAndRecords, headerSize, fileSize, block->DigestTableOffset);
    verdict.Refusal = RefusalOf(place.Place);
    verdict.RecordNumber = place.RecordNumber;
    return verdict;
}

void LogSignatureVerdict(const SignatureVerdict& verdict, const char* archiveName, const char* description)
{
    char configured[kKeyIdTextCapacity];
    char signer[kKeyIdTextCapacity];
    FormatKeyId(verdict.ConfiguredKeyId, configured);
    FormatKeyId(verdict.ArchiveKeyId, signer);
    const unsigned offset = verdict.TableOffset;
    const unsigned length = static_cast<unsigned>(verdict.TableLength);
    const unsigned fileSize = static_cast<unsigned>(verdict.FileSize);
    switch (verdict.Refusal)
    {
        case SignatureRefusal::None:
            DebugLog("VerifyTABSignature: Archive \"%s\" is signed by key %s; signature verified.",
                     archiveName, configured);
            break;
        case SignatureRefusal::KeyValueUnreadable:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; the launcher key's value \"ArchivePublicKey\" "
                "could not be read; %s",
                archiveName, description);
            break;
        case SignatureRefusal::KeyValueWrongType:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; the launcher key's value \"ArchivePublicKey\" "
                "is not REG_BINARY (type %u).",
                archiveName, static_cast<unsigned>(verdict.ValueType));
            break;
        case SignatureRefusal::KeyValueWrongSize:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; the launcher key's value \"ArchivePublicKey\" "
                "holds %u bytes, not the 64 bytes of a P-256 public key.",
                archiveName, static_cast<unsigned>(verdict.ValueSize));
            break;
        case SignatureRefusal::Unsigned:
            ErrorLog("VerifyTABSignature: Refused archive \"%s\"; it is not signed, and this workstation "
                     "installs only archives signed by key %s.",
                     archiveName, configured);
            break;
        case SignatureRefusal::MalformedBlock:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; its signature block is malformed and it may "
                "be corrupt.",
                archiveName);
            break;
        case SignatureRefusal::OtherKey:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; it is signed by key %s, and this workstation "
                "installs only archives signed by key %s.",
                archiveName, signer, configured);
            break;
        case SignatureRefusal::TableInsideRecordBlock:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; its digest table at offset %u lies inside the "
                "header and record block and it may be corrupt.",
                archiveName, offset);
            break;
        case SignatureRefusal::TableOutsideFile:
            ErrorLog(
                "VerifyTABSignature: Refused archive \"%s\"; its digest table (offset %u, %u bytes) runs "
                "past the end of the file (%u bytes) and it may be truncated.",
                archiveName, offset, length, fileSize);
            break;
        case SignatureRefusal::TableOverlapsContents:
            ErrorLog("VerifyTABSignature: Refused archive \"%s\"; the contents of file record %u overlap its "
                     "digest table and it may be corrupt.",
                     archiveName, static_cast<unsigned>(verdict.RecordNumber));
            break;
        case SignatureRefusal::TableUnreadable:
            ErrorLog("VerifyTABSignature: Refused archive \"%s\"; could not read its digest table; %s",
                     archiveName, description);
            break;
        case SignatureRefusal::SignatureMismatch:
            ErrorLog("VerifyTABSignature: Refused archive \"%s\"; its signature does not verify with key %s: "
                     "the archive was changed after it was signed.",
                     archiveName, configured);
            break;
        case SignatureRefusal::CryptoFailure:
            ErrorLog("VerifyTABSignature: Refused archive \"%s\"; %s failed; %s", archiveName,
                     verdict.FailedCall, description);
            break;
    }
}
