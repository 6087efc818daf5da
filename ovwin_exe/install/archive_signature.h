// Signed archives. The header's reserved bytes 18 to 99 carry a signature
// block: the marker "OVS1", the file offset of a digest table (unsigned
// 32-bit little-endian), the ECDSA P-256 signature r||s (each 32 bytes,
// big-endian), the signing key's id and two zero bytes. The digest table
// follows the contents: the SHA-256 of each file record's contents in record
// order, 32 zero bytes for an unused record; ArchiveSize counts it and no
// record points into it. The signature covers the SHA-256 of the first
// HeaderSize bytes, with the signature field zeroed, followed by the table.
//
// These are the layout rules alone: hashing and verifying are the caller's,
// through whatever cryptography its platform offers.
#pragma once

#include "install/tab_format.h"

#include <cstddef>
#include <cstdint>

constexpr std::size_t kSha256Length = 32;
constexpr std::size_t kArchiveKeyLength = 64;       // the public point X||Y, each 32 bytes big-endian
constexpr std::size_t kArchiveSignatureLength = 64; // r||s, each 32 bytes big-endian
constexpr std::size_t kKeyIdLength = 8;             // the first bytes of SHA-256(X||Y)
constexpr std::size_t kKeyIdTextCapacity = 2 * kKeyIdLength + 1;
constexpr std::size_t kSignatureFieldAt = 26; // zeroed in the signed bytes

struct SignatureBlock
{
    uint32_t DigestTableOffset;
    uint8_t Signature[kArchiveSignatureLength];
    uint8_t KeyId[kKeyIdLength];
};

enum class SignatureBlockVerdict
{
    Signed,
    Unsigned,  // no marker: the reserved bytes of an archive nobody signed
    Malformed, // the marker, but the two closing bytes are not zero
};

// Reads the block from the first 100 bytes of an archive.
[[nodiscard]] SignatureBlockVerdict ParseSignatureBlock(const uint8_t* header, SignatureBlock* block);
// Writes the block, marker and closing zeros included, into bytes 18 to 99.
void EncodeSignatureBlock(const SignatureBlock& block, uint8_t* header);

// The table's length for a header's record count: 32 bytes a record.
[[nodiscard]] uint64_t DigestTableLength(uint32_t headerSize);

enum class DigestTablePlace
{
    Sound,
    InsideRecordBlock, // it starts before HeaderSize
    OutsideFile,       // it runs past the file's end
    OverlapsContents,  // a used record's contents reach into it
};

struct DigestTableCheck
{
    DigestTablePlace Place;
    uint32_t RecordNumber; // from 1, of the record whose contents reach into the table
};

// Where a signed archive keeps its table, judged against the header, the
// records (the HeaderSize bytes of header and record block) and the file's
// size. Contents of no length reach nowhere.
[[nodiscard]] DigestTableCheck CheckDigestTablePlace(const uint8_t* headerAndRecords, uint32_t headerSize,
                                                     uint64_t fileSize, uint32_t tableOffset);

// Where the bytes the signature covers go, piece by piece.
class ByteSink
{
  public:
    virtual void Add(const uint8_t* bytes, std::size_t length) = 0;

  protected:
    ~ByteSink() = default;
};

// Feeds the signed bytes: the first headerSize bytes with the signature
// field zeroed, then the digest table.
void FeedSignedBytes(const uint8_t* headerAndRecords, uint32_t headerSize, const uint8_t* table,
                     std::size_t tableLength, ByteSink& sink);

// A key id as 16 lower-case hexadecimal digits, into kKeyIdTextCapacity bytes.
void FormatKeyId(const uint8_t* keyId, char* text);
