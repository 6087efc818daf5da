#include "install/archive_signature.h"

#include <cstring>

namespace
{
constexpr char kSignatureMarker[] = "OVS1";
constexpr std::size_t kMarkerAt = 18;
constexpr std::size_t kMarkerLength = 4;
constexpr std::size_t kDigestTableOffsetAt = 22;
constexpr std::size_t kKeyIdAt = 90;
constexpr std::size_t kClosingZerosAt = 98;
} // namespace

SignatureBlockVerdict ParseSignatureBlock(const uint8_t* header, SignatureBlock* block)
{
    *block = SignatureBlock{};
    if (std::memcmp(header + kMarkerAt, kSignatureMarker, kMarkerLength) != 0)
    {
        return SignatureBlockVerdict::Unsigned;
    }
    block->DigestTableOffset = ReadLittleEndian32(header + kDigestTableOffsetAt);
    std::memcpy(block->Signature, header + kSignatureFieldAt, kArchiveSignatureLength);
    std::memcpy(block->KeyId, header + kKeyIdAt, kKeyIdLength);
    // Whatever a later format puts there must not pass for this one.
    if (header[kClosingZerosAt] != 0 || header[kClosingZerosAt + 1] != 0)
    {
        return SignatureBlockVerdict::Malformed;
    }
    return SignatureBlockVerdict::Signed;
}

void EncodeSignatureBlock(const SignatureBlock& block, uint8_t* header)
{
    std::memcpy(header + kMarkerAt, kSignatureMarker, kMarkerLength);
    WriteLittleEndian32(header + kDigestTableOffsetAt, block.DigestTableOffset);
    std::memcpy(header + kSignatureFieldAt, block.Signature, kArchiveSignatureLength);
    std::memcpy(header + kKeyIdAt, block.KeyId, kKeyIdLength);
    header[kClosingZerosAt] = 0;
    header[kClosingZerosAt + 1] = 0;
}

uint64_t DigestTableLength(uint32_t headerSize)
{
    return static_cast<uint64_t>(RecordCountOf(headerSize)) * kSha256Length;
}

DigestTableCheck CheckDigestTablePlace(const uint8_t* headerAndRecords, uint32_t headerSize,
                                       uint64_t fileSize, uint32_t tableOffset)
{
    const uint64_t tableStart = tableOffset;
    const uint64_t tableEnd = tableStart + DigestTableLength(headerSize);
    if (tableStart < headerSize)
    {
        return {DigestTablePlace::InsideRecordBlock, 0};
    }
    if (tableEnd > fileSize)
    {
        return {DigestTablePlace::OutsideFile, 0};
    }
    const uint32_t count = RecordCountOf(headerSize);
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint8_t* record = headerAndRecords + kArchiveHeaderLength + i * kFileRecordLength;
        if (IsUnusedRecord(record))
        {
            continue;
        }
        ArchiveEntry entry = {};
        ReadRecordFields(record, &entry);
        const uint64_t start = entry.DataOffset;
        const uint64_t end = start + entry.Size;
        if (start < end && start < tableEnd && end > tableStart)
        {
            return {DigestTablePlace::OverlapsContents, i + 1};
        }
    }
    return {DigestTablePlace::Sound, 0};
}

void FeedSignedBytes(const uint8_t* headerAndRecords, uint32_t headerSize, const uint8_t* table,
                     std::size_t tableLength, ByteSink& sink)
{
    uint8_t header[kArchiveHeaderLength];
    std::memcpy(header, headerAndRecords, sizeof(header));
    std::memset(header + kSignatureFieldAt, 0, kArchiveSignatureLength);
    sink.Add(header, sizeof(header));
    sink.Add(headerAndRecords + kArchiveHeaderLength, headerSize - kArchiveHeaderLength);
    sink.Add(table, tableLength);
}

void FormatKeyId(const uint8_t* keyId, char* text)
{
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < kKeyIdLength; ++i)
    {
        text[2 * i] = digits[keyId[i] >> 4];
        text[2 * i + 1] = digits[keyId[i] & 0x0F];
    }
    text[2 * kKeyIdLength] = '\0';
}
