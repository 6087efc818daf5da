// OpenTABFile and CloseTABFile on real files: the lines of an opened
// archive, a refusal's line of each kind, and nothing left open or allocated.
#include "../host/support/archive_bytes.h"
#include "diagnostics/log.h"
#include "install/tab_reader_win.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace
{
class ArchiveReader : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        GetCurrentDirectoryA(sizeof(previousFolder_), previousFolder_);
        SetCurrentDirectoryA(folder_.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(kArchiveName);
        SetCurrentDirectoryA(previousFolder_);
        WinLogTest::TearDown();
    }

    static void WriteArchive(const std::vector<uint8_t>& bytes)
    {
        std::ofstream(kArchiveName, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // Whether nobody holds the archive open any more.
    static bool OpenableExclusively()
    {
        HANDLE file = CreateFileA(kArchiveName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file);
    }

    // Opens an archive that must be refused: returns its error line and
    // checks that nothing is left behind.
    std::string Refusal(const std::vector<uint8_t>& bytes)
    {
        WriteArchive(bytes);
        ForgetLines();
        EXPECT_FALSE(OpenTABFile(HeaderBytes::Release));
        EXPECT_TRUE(OpenableExclusively());
        const std::vector<std::string> errors = ErrorLines();
        return errors.size() == 1 ? errors[0] : "(" + std::to_string(errors.size()) + " error lines)";
    }

    char previousFolder_[MAX_PATH] = "";
};

const std::string kRefused = "ERROR !!  OpenTABFile: Failed to open archive \"verozar0.dll\"; ";
} // namespace

TEST_F(ArchiveReader, OpensUnsharedAndClosesWithoutLeftovers)
{
    ArchiveBytes archive(8); // records 3 to 5, 7 and 8 unused
    archive.Record(0, "a.dll", "SYS", 10).Record(1, "b.ttf", "FON", 20).Record(5, "c.exe", "CUR", 30);
    archive.Append(std::string(60, 'd'));
    WriteArchive(archive.bytes);

    std::optional<TABHandle> opened = OpenTABFile(HeaderBytes::Release);
    ASSERT_TRUE(opened);
    TABHandle& tHnd = *opened;
    const std::string handle = PointerText(tHnd.hnd.Get());
    EXPECT_EQ(tHnd.FilesArraySize, 704u);
    ASSERT_TRUE(tHnd.Files);
    EXPECT_STREQ(tHnd.Files.Get()[5].FileName, "c.exe");
    // Opened unshared: not even a reader that shares everything gets in.
    EXPECT_EQ(CreateFileA(kArchiveName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    // Between the opening lines, the records as the host tests read them.
    const std::vector<std::string> lines = DebugMessagesWith("OpenTABFile:");
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(
        std::vector<std::string>(lines.begin(), lines.begin() + 3),
        (std::vector<std::string>{"DEBUG X  OpenTABFile: Obtained file handle: " + handle,
                                  "DEBUG X  OpenTABFile: tHnd->FileCount = 8, tHnd->FilesArraySize = 704",
                                  "DEBUG    OpenTABFile: Reading 8 file records from archive..."}));
    EXPECT_EQ(lines[8],
              "DEBUG    OpenTABFile: Opened archive \"verozar0.dll\" (" + handle + ") successfully.");
    EXPECT_EQ(DebugMessagesWith("Freeing heap allocated memory for pRecordBlock").size(), 1u);

    ForgetLines();
    CloseTABFile(tHnd);
    EXPECT_FALSE(tHnd.hnd);
    EXPECT_FALSE(tHnd.Files);
    EXPECT_EQ(tHnd.FilesArraySize, 0u);
    EXPECT_TRUE(OpenableExclusively());
    EXPECT_EQ(DebugMessagesWith("Freeing heap allocated memory for tHnd->Files").size(), 1u);
    EXPECT_EQ(
        DebugMessagesWith("TABFile"),
        std::vector<std::string>{"DEBUG    CloseTABFile: Closed archive \"verozar0.dll\" (" + handle + ")."});
    EXPECT_EQ(DebugMessagesWith("CloseAndDestroyHandle: Closing tHnd->hnd=" + handle).size(), 1u);
    EXPECT_EQ(ErrorCount, 0u);
}

TEST_F(ArchiveReader, KeptHeaderBytesAreTheFilesFirstHeaderSizeBytesUntilClosed)
{
    // Spare bytes after the last whole record are covered by a signature too.
    ArchiveBytes archive(2);
    archive.bytes.resize(350, 's');
    archive.HeaderSize(350).Record(0, "a.dll", "CUR", 4).Append("aaaa");
    archive.bytes[20] = 'r'; // reserved bytes, kept as they are
    WriteArchive(archive.bytes);

    std::optional<TABHandle> opened = OpenTABFile(HeaderBytes::Keep);
    ASSERT_TRUE(opened);
    TABHandle& tHnd = *opened;
    ASSERT_TRUE(tHnd.HeaderAndRecords);
    EXPECT_EQ(std::vector<uint8_t>(tHnd.HeaderAndRecords.Get(), tHnd.HeaderAndRecords.Get() + 350),
              std::vector<uint8_t>(archive.bytes.begin(), archive.bytes.begin() + 350));
    EXPECT_STREQ(tHnd.Files.Get()[0].FileName, "a.dll");
    EXPECT_TRUE(DebugMessagesWith("pRecordBlock").empty());

    CloseTABFile(tHnd);
    EXPECT_FALSE(tHnd.HeaderAndRecords);
    EXPECT_EQ(DebugMessagesWith("Freeing heap allocated memory for tHnd->HeaderAndRecords").size(), 1u);
    EXPECT_TRUE(OpenableExclusively());

    // Released, nothing is kept.
    ForgetLines();
    opened = OpenTABFile(HeaderBytes::Release);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->HeaderAndRecords);
    CloseTABFile(*opened);
    EXPECT_TRUE(DebugMessagesWith("tHnd->HeaderAndRecords").empty());
}

TEST_F(ArchiveReader, AMissingArchiveIsDescribedAndItsHandleReportedFree)
{
    EXPECT_FALSE(OpenTABFile(HeaderBytes::Release));
    ASSERT_EQ(ErrorLines().size(), 1u);
    EXPECT_EQ(ErrorLines()[0].rfind(kRefused + "[WIN32 0x00000002/C0002] ", 0), 0u) << ErrorLines()[0];
    EXPECT_EQ(DebugMessagesWith("CloseAndDestroyHandle: Handle tHnd->hnd is already free.").size(), 1u);
}

TEST_F(ArchiveReader, RefusalsHaveTheirLinesAndLeaveNothingBehind)
{
    auto sound = [] {
        ArchiveBytes archive(3);
        archive.Record(0, "a.dll").Record(1, "b.dll").Record(2, "c.dll");
        return archive;
    };
    ArchiveBytes magic = sound();
    magic.bytes[4] = 'o';
    ArchiveBytes appended = sound();
    appended.bytes.push_back('!');
    ArchiveBytes longName = sound();
    std::memset(longName.RecordAt(1), 'n', 50);
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {magic.bytes, "it has an incorrect file format and may be corrupt."},
        {appended.bytes, "it has an incorrect file size and may be corrupt."},
        {sound().HeaderSize(199).bytes,
         "it has an incorrect file record block size and may be empty or corrupt."},
        // The header promises five records; the file holds three.
        {sound().HeaderSize(600).ArchiveSize(0).bytes, "could not read header; [WIN32 0x00000026/C0038] "},
        {longName.bytes, "file record 2 has a file name without a terminating NUL and may be corrupt."},
        {sound().Record(2, "..\\..\\Windows\\evil.dll").bytes,
         "file record 3 has a file name that is not a bare file name and may be corrupt."},
    };
    for (const auto& refused : cases)
    {
        EXPECT_EQ(Refusal(refused.first).rfind(kRefused + refused.second, 0), 0u) << refused.second;
    }
    // A refused record: the block and the table read so far are released.
    EXPECT_EQ(DebugMessagesWith("Freeing heap allocated memory for pRecordBlock").size(), 1u);
    EXPECT_EQ(DebugMessagesWith("Freeing heap allocated memory for tHnd->Files").size(), 1u);
    EXPECT_EQ(DebugMessagesWith("CloseAndDestroyHandle: Closing tHnd->hnd=").size(), 1u);
}

TEST_F(ArchiveReader, ArchivesOf2GiBAreRefusedUnread)
{
    ArchiveBytes archive(1);
    archive.Record(0, "a.dll").ArchiveSize(0);
    WriteArchive(archive.bytes);
    HANDLE file = CreateFileA(kArchiveName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end = {};
    end.QuadPart = 0x80000000ll;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file)); // sparse: nothing is written
    CloseHandle(file);

    ForgetLines();
    EXPECT_FALSE(OpenTABFile(HeaderBytes::Release));
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{kRefused + "it is 2 GiB or larger and may be corrupt."});
    EXPECT_TRUE(OpenableExclusively());
}
