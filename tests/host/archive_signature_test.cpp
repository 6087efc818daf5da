#include "install/archive_signature.h"
#include "install/signature_verdict.h"

#include "developer_log_fixture.h"
#include "support/archive_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const uint8_t kSignerId[kKeyIdLength] = {0x10, 0xd4, 0xa2, 0x34, 0xfc, 0x8e, 0x68, 0xab};
const uint8_t kOtherId[kKeyIdLength] = {0xff, 0, 0, 0, 0, 0, 0, 0x01};

// Two records with contents of 10 and 20 bytes, an unused one, and a
// signature block whose table follows the contents.
ArchiveBytes SignedArchive()
{
    ArchiveBytes archive(3);
    archive.Record(0, "a.dll", "SYS", 10);
    archive.Append(std::string(10, 'a'));
    archive.Record(1, "b.ttf", "FON", 20);
    archive.Append(std::string(20, 'b'));
    SignatureBlock block = {};
    block.DigestTableOffset = static_cast<uint32_t>(archive.bytes.size());
    std::memset(block.Signature, 0x5A, sizeof(block.Signature));
    std::memcpy(block.KeyId, kSignerId, kKeyIdLength);
    EncodeSignatureBlock(block, archive.bytes.data());
    archive.Append(std::string(3 * kSha256Length, 'd'));
    return archive;
}

SignatureVerdict Layout(const ArchiveBytes& archive, uint64_t fileSize, const uint8_t* keyId = kSignerId)
{
    SignatureBlock block = {};
    return CheckSignedLayout(archive.bytes.data(), ReadLittleEndian32(archive.bytes.data() + 10), fileSize,
                             keyId, &block);
}

SignatureVerdict Layout(const ArchiveBytes& archive)
{
    return Layout(archive, archive.bytes.size());
}

void SetTableOffset(ArchiveBytes& archive, uint32_t offset)
{
    WriteLittleEndian32(archive.bytes.data() + 22, offset);
}

class Collect : public ByteSink
{
  public:
    void Add(const uint8_t* bytes, std::size_t length) override
    {
        all.insert(all.end(), bytes, bytes + length);
    }
    std::vector<uint8_t> all;
};
} // namespace

TEST(SignatureBlock, LiesInTheReservedHeaderBytesAtItsFixedOffsets)
{
    std::vector<uint8_t> header(kArchiveHeaderLength, 0);
    EncodeTabHeader(header.data(), 300, 1234);
    SignatureBlock block = {};
    block.DigestTableOffset = 0x01020304;
    for (std::size_t i = 0; i < kArchiveSignatureLength; ++i)
    {
        block.Signature[i] = static_cast<uint8_t>(i + 1);
    }
    std::memcpy(block.KeyId, kSignerId, kKeyIdLength);
    EncodeSignatureBlock(block, header.data());

    EXPECT_EQ(std::string(header.begin() + 18, header.begin() + 22), "OVS1");
    EXPECT_EQ(std::vector<uint8_t>(header.begin() + 22, header.begin() + 26),
              (std::vector<uint8_t>{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(header[26], 1);
    EXPECT_EQ(header[89], 64);
    EXPECT_EQ(std::vector<uint8_t>(header.begin() + 90, header.begin() + 98),
              std::vector<uint8_t>(kSignerId, kSignerId + kKeyIdLength));
    EXPECT_EQ(ReadLittleEndian32(header.data() + 10), 300u); // the sizes stay as they were
    EXPECT_EQ(ReadLittleEndian32(header.data() + 14), 1234u);

    SignatureBlock read = {};
    ASSERT_EQ(ParseSignatureBlock(header.data(), &read), SignatureBlockVerdict::Signed);
    EXPECT_EQ(read.DigestTableOffset, block.DigestTableOffset);
    EXPECT_EQ(std::memcmp(read.Signature, block.Signature, kArchiveSignatureLength), 0);
    EXPECT_EQ(std::memcmp(read.KeyId, kSignerId, kKeyIdLength), 0);

    header[99] = 1; // whatever a later format puts there is not this one
    EXPECT_EQ(ParseSignatureBlock(header.data(), &read), SignatureBlockVerdict::Malformed);
    header[18] = 'o';
    EXPECT_EQ(ParseSignatureBlock(header.data(), &read), SignatureBlockVerdict::Unsigned);
}

TEST(SignatureBlock, SignedBytesAreTheHeaderWithItsSignatureZeroedThenTheTable)
{
    ArchiveBytes archive = SignedArchive();
    archive.HeaderSize(399); // 99 spare bytes after the last record are signed too
    archive.bytes.insert(archive.bytes.begin() + 400, 99, 's');
    const uint8_t table[] = {1, 2, 3};
    Collect collected;
    FeedSignedBytes(archive.bytes.data(), 399, table, sizeof(table), collected);

    ASSERT_EQ(collected.all.size(), 399u + sizeof(table));
    std::vector<uint8_t> expected(archive.bytes.begin(), archive.bytes.begin() + 399);
    std::fill(expected.begin() + 26, expected.begin() + 90, 0);
    expected.insert(expected.end(), table, table + sizeof(table));
    EXPECT_EQ(collected.all, expected);
    EXPECT_EQ(archive.bytes[26], 0x5A); // the archive itself is left alone
}

TEST(SignatureBlock, KeyIdsAreSixteenLowerCaseHexadecimalDigits)
{
    char text[kKeyIdTextCapacity];
    FormatKeyId(kSignerId, text);
    EXPECT_STREQ(text, "10d4a234fc8e68ab");
}

TEST(SignedLayout, TheTableMustFollowTheRecordsLieInTheFileAndStayClearOfContents)
{
    ArchiveBytes archive = SignedArchive(); // header 400, contents 400-429, table 430-525
    EXPECT_EQ(Layout(archive).Refusal, SignatureRefusal::None);
    EXPECT_EQ(DigestTableLength(400), 96u);
    EXPECT_EQ(DigestTableLength(499), 96u);

    struct Case
    {
        uint32_t tableOffset;
        uint64_t fileSize;
        SignatureRefusal refusal;
        uint32_t record;
    };
    const Case cases[] = {
        {430, 526, SignatureRefusal::None, 0},
        {430, 600, SignatureRefusal::None, 0},             // bytes after the table harm nothing
        {430, 525, SignatureRefusal::TableOutsideFile, 0}, // truncated by one byte
        {0xFFFFFFF0u, 526, SignatureRefusal::TableOutsideFile, 0},
        {399, 526, SignatureRefusal::TableInsideRecordBlock, 0},
        {0, 526, SignatureRefusal::TableInsideRecordBlock, 0},
        {400, 526, SignatureRefusal::TableOverlapsContents, 1},
        {429, 526, SignatureRefusal::TableOverlapsContents, 2}, // the last byte of record 2
    };
    for (const Case& c : cases)
    {
        SetTableOffset(archive, c.tableOffset);
        const SignatureVerdict verdict = Layout(archive, c.fileSize);
        EXPECT_EQ(verdict.Refusal, c.refusal) << c.tableOffset << " in " << c.fileSize;
        EXPECT_EQ(verdict.RecordNumber, c.record) << c.tableOffset;
    }

    // Neither an unused record nor contents of no length reach anywhere.
    SetTableOffset(archive, 430);
    archive.Record(1, "b.ttf", "FON", 0);
    WriteLittleEndian32(archive.RecordAt(1) + 60, 440);
    WriteLittleEndian32(archive.RecordAt(2) + 60, 440);
    WriteLittleEndian32(archive.RecordAt(2) + 64, 10);
    EXPECT_EQ(Layout(archive).Refusal, SignatureRefusal::None);
}

TEST(SignedLayout, TheBlockAndTheKeyIdAreJudgedBeforeTheTable)
{
    ArchiveBytes archive = SignedArchive();
    SetTableOffset(archive, 0); // would be refused, but comes later
    SignatureVerdict verdict = Layout(archive, archive.bytes.size(), kOtherId);
    EXPECT_EQ(verdict.Refusal, SignatureRefusal::OtherKey);
    EXPECT_EQ(std::memcmp(verdict.ArchiveKeyId, kSignerId, kKeyIdLength), 0);
    EXPECT_EQ(std::memcmp(verdict.ConfiguredKeyId, kOtherId, kKeyIdLength), 0);

    archive.bytes[98] = 7;
    EXPECT_EQ(Layout(archive).Refusal, SignatureRefusal::MalformedBlock);
    EXPECT_EQ(Layout(ArchiveBytes(1)).Refusal, SignatureRefusal::Unsigned);
}

TEST(SignedLayout, OnlyABinaryValueOfSixtyFourBytesIsAKey)
{
    constexpr uint32_t kString = 1;
    constexpr uint32_t kBinary = 3;
    constexpr uint32_t kDword = 4;
    EXPECT_EQ(JudgePublicKeyValue(kBinary, 64), SignatureRefusal::None);
    EXPECT_EQ(JudgePublicKeyValue(kBinary, 63), SignatureRefusal::KeyValueWrongSize);
    EXPECT_EQ(JudgePublicKeyValue(kBinary, 65), SignatureRefusal::KeyValueWrongSize);
    EXPECT_EQ(JudgePublicKeyValue(kBinary, 0), SignatureRefusal::KeyValueWrongSize);
    EXPECT_EQ(JudgePublicKeyValue(kString, 64), SignatureRefusal::KeyValueWrongType);
    EXPECT_EQ(JudgePublicKeyValue(kDword, 4), SignatureRefusal::KeyValueWrongType);
}

class SignatureLines : public DeveloperLogTest
{
  protected:
    std::string LineOf(const SignatureVerdict& verdict, const char* description = "")
    {
        Forget();
        LogSignatureVerdict(verdict, kArchiveName, description);
        const std::vector<std::string> lines = Lines();
        return lines.size() == 1 ? lines[0] : std::to_string(lines.size()) + " lines";
    }
};

TEST_F(SignatureLines, EachVerdictIsOneLineThatSaysWhy)
{
    const std::string refused = "ERROR !! VerifyTABSignature: Refused archive \"verozar0.dll\"; ";
    SignatureVerdict verdict;
    std::memcpy(verdict.ConfiguredKeyId, kSignerId, kKeyIdLength);
    EXPECT_EQ(
        LineOf(verdict),
        "DEBUG    VerifyTABSignature: Archive \"verozar0.dll\" is signed by key 10d4a234fc8e68ab; signature "
        "verified.");

    verdict.Refusal = SignatureRefusal::OtherKey;
    std::memcpy(verdict.ArchiveKeyId, kOtherId, kKeyIdLength);
    EXPECT_EQ(LineOf(verdict), refused +
                                   "it is signed by key ff00000000000001, and this workstation installs "
                                   "only archives signed by key 10d4a234fc8e68ab.");

    verdict.Refusal = SignatureRefusal::TableOutsideFile;
    verdict.TableOffset = 430;
    verdict.TableLength = 96;
    verdict.FileSize = 500;
    EXPECT_EQ(LineOf(verdict), refused +
                                   "its digest table (offset 430, 96 bytes) runs past the end of the file "
                                   "(500 bytes) and it may be truncated.");

    verdict.Refusal = SignatureRefusal::KeyValueWrongSize;
    verdict.ValueSize = 65;
    EXPECT_EQ(LineOf(verdict), refused +
                                   "the launcher key's value \"ArchivePublicKey\" holds 65 bytes, not the "
                                   "64 bytes of a P-256 public key.");

    verdict.Refusal = SignatureRefusal::CryptoFailure;
    verdict.FailedCall = "BCryptImportKeyPair";
    EXPECT_EQ(LineOf(verdict, "[NTSTATUS 0xC000000D/C0013] %s"),
              refused + "BCryptImportKeyPair failed; [NTSTATUS 0xC000000D/C0013] %s");
    EXPECT_EQ(ErrorCount, 4u);
}
