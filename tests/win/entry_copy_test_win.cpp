// InstallEntry on real files: entries of whole blocks, of blocks and a
// remainder, and of a remainder alone arrive whole with their time; an
// archive that ends inside an entry fails at the 4096-byte block (or the
// remainder) that came short, saying how much of it was read; and an entry
// of a verified archive stays only when its bytes have the signed digest.
#include "install/entry_installation_win.h"
#include "install/sha256_win.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t kDataOffset = 100;
constexpr uint32_t kBlock = 4096;

class EntryCopy : public WinLogTest
{
  protected:
    void TearDown() override
    {
        DeleteFileA(Destination().c_str());
        DeleteFileA(ArchivePath().c_str());
        WinLogTest::TearDown();
    }

    std::string ArchivePath() const { return folder_ + "source.tab"; }
    std::string Destination() const { return folder_ + "copy.bin"; }

    // Copies an entry of stored.size() bytes out of an archive that holds
    // only the first `available` of them; InstallEntry's result.
    int32_t Install(const std::vector<char>& stored, uint32_t available,
                    const uint8_t* signedDigest = nullptr)
    {
        {
            std::ofstream archive(ArchivePath(), std::ios::binary);
            archive << std::string(kDataOffset, 'h');
            archive.write(stored.data(), available);
        }
        const HANDLE archive = CreateFileA(ArchivePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(archive, INVALID_HANDLE_VALUE);
        ArchiveEntry entry = {};
        std::strcpy(entry.FileName, "copy.bin");
        std::strcpy(entry.Destination, "CUR");
        entry.DataOffset = kDataOffset;
        entry.Size = static_cast<uint32_t>(stored.size());
        entry.Timestamp = {2023, 7, 14, 5, 9, 30, 15, 250};
        entry.InstallType = 103;
        const int32_t result = InstallEntry(entry, Destination().c_str(), archive, signedDigest);
        CloseHandle(archive);
        return result;
    }

    std::vector<char> Installed() const
    {
        std::ifstream file(Destination(), std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
};

std::vector<char> Pattern(uint32_t size)
{
    std::vector<char> bytes(size);
    for (uint32_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<char>((i * 7 + i / 4096) % 251);
    }
    return bytes;
}

std::vector<uint8_t> DigestOf(const std::vector<char>& bytes)
{
    std::vector<uint8_t> digest(32);
    EXPECT_FALSE(Sha256Of(bytes.data(), static_cast<uint32_t>(bytes.size()), digest.data()).Failed());
    return digest;
}
} // namespace

TEST_F(EntryCopy, EntriesOfAnySizeArriveWholeWithTheirTime)
{
    for (const uint32_t size : {0u, 5u, kBlock, kBlock + 1, 64 * kBlock + 5, 3 * kBlock - 1})
    {
        SCOPED_TRACE(size);
        const std::vector<char> stored = Pattern(size);
        ASSERT_EQ(Install(stored, size), 1);
        EXPECT_TRUE(Installed() == stored);
        EXPECT_TRUE(ErrorLines().empty());

        const HANDLE copy = CreateFileA(Destination().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        FILETIME written = {};
        SYSTEMTIME utc = {};
        ASSERT_TRUE(GetFileTime(copy, nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &utc));
        CloseHandle(copy);
        EXPECT_EQ(std::vector<int>({utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond,
                                    utc.wMilliseconds}),
                  std::vector<int>({2023, 7, 14, 9, 30, 15, 250}));
    }
}

TEST_F(EntryCopy, AnArchiveEndingInsideTheEntryFailsAtTheBlockThatCameShort)
{
    const std::string reading =
        "ERROR !!  InstallEntry error: Error while reading source file \"copy.bin\"; ";
    const std::string finalizing =
        "ERROR !!  InstallEntry error: Error while finalizing reading source file \"copy.bin\"; ";
    struct Case
    {
        uint32_t size;
        uint32_t available;
        std::string line;
    };
    const Case cases[] = {
        {3 * kBlock, 0, reading + "Expected 4096 bytes read, 0 actual bytes read."},
        {64 * kBlock, 64 * kBlock - 1, reading + "Expected 4096 bytes read, 4095 actual bytes read."},
        {8 * kBlock + 100, 5 * kBlock + 904, reading + "Expected 4096 bytes read, 904 actual bytes read."},
        {8 * kBlock + 10, 8 * kBlock, finalizing + "Expected 10 bytes read, 0 actual bytes read."},
        {9 * kBlock + 10, 9 * kBlock + 3, finalizing + "Expected 10 bytes read, 3 actual bytes read."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        ForgetLines();
        EXPECT_EQ(Install(Pattern(c.size), c.available), 0);
        EXPECT_EQ(ErrorLines(), std::vector<std::string>({c.line}));
        EXPECT_EQ(GetFileAttributesA(Destination().c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(EntryCopy, ASignedEntryStaysOnlyWhenItsBytesHaveTheSignedDigest)
{
    const std::string differs = "ERROR !!  InstallEntry: Failed to install \"copy.bin\"; "
                                "its contents differ from the archive's signed digest.";
    // Hashed block by block as they are copied, remainder included.
    for (const uint32_t size : {0u, 5u, kBlock, 3 * kBlock + 7})
    {
        SCOPED_TRACE(size);
        const std::vector<char> stored = Pattern(size);
        const std::vector<uint8_t> digest = DigestOf(stored);
        ForgetLines();
        ASSERT_EQ(Install(stored, size, digest.data()), 1);
        EXPECT_TRUE(Installed() == stored);
        EXPECT_TRUE(ErrorLines().empty());

        // The signer saw one byte more, or one byte other in the last block.
        std::vector<char> signedBytes = stored;
        if (size == 0)
        {
            signedBytes.push_back('!');
        }
        else
        {
            signedBytes.back() ^= 1;
        }
        ForgetLines();
        EXPECT_EQ(Install(stored, size, DigestOf(signedBytes).data()), 0);
        EXPECT_EQ(ErrorLines(), std::vector<std::string>({differs}));
        EXPECT_EQ(GetFileAttributesA(Destination().c_str()), INVALID_FILE_ATTRIBUTES);
    }

    // A copy that fails on its own says so once, not also that it differs.
    const std::vector<char> stored = Pattern(2 * kBlock);
    ForgetLines();
    EXPECT_EQ(Install(stored, kBlock, DigestOf(stored).data()), 0);
    EXPECT_EQ(ErrorLines(),
              std::vector<std::string>(
                  {"ERROR !!  InstallEntry error: Error while reading source file \"copy.bin\"; "
                   "Expected 4096 bytes read, 0 actual bytes read."}));
}
