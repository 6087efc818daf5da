#include "archive_audit.h"
#include "install/tab_time.h"
#include "manifest.h"
#include "support/archive_bytes.h"
#include "tabpack_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace
{
std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

int64_t ModifiedNanoseconds(const std::string& path)
{
    struct stat status = {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

void SetModifiedNanoseconds(const std::string& path, int64_t nanoseconds)
{
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
    times[1].tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A stream whose text the test reads afterwards.
class Captured
{
  public:
    Captured() : file_(open_memstream(&text_, &size_)) {}
    ~Captured()
    {
        std::fclose(file_);
        std::free(text_);
    }
    std::FILE* get() const { return file_; }
    std::string Text() const
    {
        std::fflush(file_);
        return std::string(text_, size_);
    }

  private:
    char* text_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

class Tabpack : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ovwin-tabpack-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = std::string(pattern) + "/";
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    std::vector<std::string> Audit(const ArchiveBytes& archive) const
    {
        return AuditArchive({archive.bytes, archive.bytes.size()});
    }

    std::string folder_;
};

// 14 July 2023 09:30:00.125 UTC in nanoseconds since 1970.
constexpr int64_t kJulyMorningNs = 1689327000125000000;
} // namespace

TEST_F(Tabpack, ManifestEntriesWithQuotesRuleWordsTimesAndUnusedRecords)
{
    const Manifest manifest =
        ParseManifest("# engine files\r\n"
                      "\r\n"
                      "  bin/verozar1.exe\tCUR  Newer\r\n"
                      "\"fonts/Altavy Sans.ttf\" FON doesnotexist 2024-02-29T23:59:58.007Z\n"
                      "unused\n"
                      "x.dll S64 104\n");
    ASSERT_EQ(manifest.Errors, std::vector<std::string>{});
    std::vector<std::string> entries;
    for (const ManifestEntry& e : manifest.Entries)
    {
        entries.push_back(std::to_string(e.Line) + (e.Unused ? " unused" : "") + " [" + e.Source + "] [" +
                          e.Name + "] " + e.Destination + " " + std::to_string(e.InstallType) +
                          (e.HasTimestamp ? " " + StampText(e.Timestamp) : ""));
    }
    EXPECT_EQ(entries, (std::vector<std::string>{
                           "3 [bin/verozar1.exe] [verozar1.exe] CUR 102",
                           "4 [fonts/Altavy Sans.ttf] [Altavy Sans.ttf] FON 109 2024-02-29(4) 23:59:58.007",
                           "5 unused [] []  0",
                           "6 [x.dll] [x.dll] S64 104",
                       }));
}

TEST_F(Tabpack, ManifestMistakesAreReportedByLine)
{
    const Manifest manifest = ParseManifest("\"open quote CUR newer\n"
                                            "a.dll CUR\n"
                                            "sub/nul.txt CUR newer\n"
                                            "a.dll CURRENTDIR newer\n"
                                            "a.dll CUR sometimes\n"
                                            "a.dll CUR newer 2023-02-29T00:00:00Z\n"
                                            "a.dll CUR newer 2023-07-14 09:30:00\n"
                                            "a.dll CUR newer 2023-07-14T09:30:00\n");
    EXPECT_TRUE(manifest.Entries.empty());
    ASSERT_EQ(manifest.Errors.size(), 8u);
    for (unsigned i = 0; i < 8; ++i)
    {
        EXPECT_EQ(manifest.Errors[i].rfind("line " + std::to_string(i + 1) + ": ", 0), 0u)
            << manifest.Errors[i];
    }
    EXPECT_EQ(manifest.Errors[2],
              "line 3: the name \"nul.txt\" is not a bare file name of at most 49 characters");
}

TEST_F(Tabpack, CreateVerifyExtractGivesBackTheSameBytesAndTimes)
{
    std::string engine;
    for (int i = 0; i < 70000; ++i)
    {
        engine += static_cast<char>(i * 7 % 251);
    }
    WriteAll(folder_ + "verozar1.exe", engine);
    WriteAll(folder_ + "Altavy Sans.ttf", "font");
    WriteAll(folder_ + "empty.ini", "");
    SetModifiedNanoseconds(folder_ + "verozar1.exe", kJulyMorningNs);
    SetModifiedNanoseconds(folder_ + "empty.ini", kJulyMorningNs + 999999); // below a millisecond is dropped
    WriteAll(folder_ + "files.manifest", "verozar1.exe CUR newer\n"
                                         "unused\n"
                                         "\"Altavy Sans.ttf\" FON always 2023-12-31T23:30:00Z\n"
                                         "empty.ini WIN different\n");
    const std::string archive = folder_ + "verozar0.dll";
    Captured out;
    Captured err;
    ASSERT_EQ(CreateArchive(archive, folder_ + "files.manifest", {}, err.get()), kTabpackSuccess)
        << err.Text();
    EXPECT_EQ(err.Text(), "");
    EXPECT_EQ(VerifyArchive(archive, out.get(), err.get()), kTabpackSuccess);
    EXPECT_EQ(out.Text(), archive + ": sound, 4 file records, 70504 bytes\n");

    // The same manifest gives the same bytes.
    ASSERT_EQ(CreateArchive(archive + ".again", folder_ + "files.manifest", {}, err.get()), kTabpackSuccess);
    EXPECT_EQ(ReadAll(archive + ".again"), ReadAll(archive));

    Captured extracted;
    ASSERT_EQ(ExtractArchive(archive, folder_ + "out", extracted.get(), err.get()), kTabpackSuccess)
        << err.Text();
    EXPECT_EQ(extracted.Text(), folder_ + "out/CUR/verozar1.exe\n" + folder_ + "out/FON/Altavy Sans.ttf\n" +
                                    folder_ + "out/WIN/empty.ini\n");
    EXPECT_EQ(ReadAll(folder_ + "out/CUR/verozar1.exe"), engine);
    EXPECT_EQ(ReadAll(folder_ + "out/FON/Altavy Sans.ttf"), "font");
    EXPECT_EQ(ReadAll(folder_ + "out/WIN/empty.ini"), "");
    EXPECT_EQ(ModifiedNanoseconds(folder_ + "out/CUR/verozar1.exe"), kJulyMorningNs);
    EXPECT_EQ(ModifiedNanoseconds(folder_ + "out/WIN/empty.ini"), kJulyMorningNs);
    EXPECT_EQ(ModifiedNanoseconds(folder_ + "out/FON/Altavy Sans.ttf"), 1704065400ll * 1000000000);

    Captured listing;
    EXPECT_EQ(ListArchive(archive, true, listing.get(), err.get()), kTabpackSuccess);
    const std::string text = listing.Text();
    EXPECT_NE(
        text.find("verozar1.exe                07/14/2023    09:30:00       70000    CUR           Newer"),
        std::string::npos)
        << text;
    EXPECT_NE(
        text.find("Altavy Sans.ttf             12/31/2023    23:30:00           4    FON           Always"),
        std::string::npos);
}

TEST_F(Tabpack, CreateStoresOddRulesWithAWarningAndRefusesWhatTheFormatCannotHold)
{
    WriteAll(folder_ + "a.dll", "a");
    WriteAll(folder_ + "odd.manifest", "a.dll XYZ 104\n");
    Captured err;
    CreateOptions unsized;
    unsized.WriteArchiveSize = false;
    ASSERT_EQ(CreateArchive(folder_ + "odd.tab", folder_ + "odd.manifest", unsized, err.get()),
              kTabpackSuccess);
    EXPECT_EQ(err.Text(), "tabpack: warning: " + folder_ +
                              "odd.tab: record 1: destination \"XYZ\" is not CUR, FON, "
                              "WIN, SYS or S64\n"
                              "tabpack: warning: " +
                              folder_ +
                              "odd.tab: record 1: install rule 104 is not 101, 102, "
                              "103 or 109\n");
    EXPECT_EQ(ReadLittleEndian32(reinterpret_cast<const uint8_t*>(ReadAll(folder_ + "odd.tab").data()) + 14),
              0u);

    WriteAll(folder_ + "missing.manifest", "# nothing\nmissing.dll CUR newer\n");
    Captured missing;
    EXPECT_EQ(CreateArchive(folder_ + "m.tab", folder_ + "missing.manifest", {}, missing.get()),
              kTabpackFailure);
    EXPECT_NE(missing.Text().find("manifest line 2: cannot read"), std::string::npos) << missing.Text();
    WriteAll(folder_ + "empty.manifest", "# nothing\n");
    EXPECT_EQ(CreateArchive(folder_ + "e.tab", folder_ + "empty.manifest", {}, missing.get()),
              kTabpackFailure);
}

TEST_F(Tabpack, VerifyNamesEveryProblemItFinds)
{
    ArchiveBytes archive(9);
    const uint32_t data = 1000; // right after the record block
    archive.Record(0, "a.dll", "CUR", 10)
        .Record(1, "b.dll", "cur", 0, 104)
        .Record(2, "c.dll", "SYS", 0, INSTALL_NEWER, {2023, 2, 29, 0, 0, 0, 0, 0})
        .Record(3, "A.DLL", "CUR", 5)
        .Record(5, "..\\e.dll")
        .Record(6, "f.dll", "WIN", 200)
        .Record(7, "g.dll", "WIN", 1);
    std::memset(archive.RecordAt(8), 'h', 50);
    archive.Append(std::string(100, 'x'));
    WriteLittleEndian32(archive.RecordAt(3) + 60, data + 5); // inside record 1's data
    WriteLittleEndian32(archive.RecordAt(7) + 60, 40);       // inside the record block
    const std::vector<std::string> expected = {
        "record 2: destination \"cur\" is not CUR, FON, WIN, SYS or S64",
        "record 2: install rule 104 is not 101, 102, 103 or 109",
        "record 3: time stamp 2023-02-29T00:00:00.000Z is not a valid date and time",
        "record 4: \"A.DLL\" in CUR duplicates record 1",
        "record 6: file name \"..\\\\e.dll\" is a path, not a bare file name",
        "record 7: data (offset 1000, 200 bytes) runs past the end of the file (1100 bytes)",
        "record 8: data at offset 40 lies inside the header and record block",
        "record 9: file name has no terminating NUL",
        "record 4: data overlaps that of record 1"};
    EXPECT_EQ(Audit(archive), expected);
}

TEST_F(Tabpack, VerifyRefusesHeadersAsTheLauncherDoesAndTellsWhy)
{
    ArchiveBytes sized(1);
    sized.Record(0, "a.dll").Append("tail");
    sized.bytes.push_back('!'); // appended after packaging
    EXPECT_EQ(Audit(sized), std::vector<std::string>{"ArchiveSize 204 differs from the file's size 205"});

    ArchiveBytes spare(2);
    spare.Record(0, "a.dll").HeaderSize(250);
    EXPECT_EQ(Audit(spare),
              std::vector<std::string>{"HeaderSize 250 leaves 50 bytes after the last whole file record"});

    ArchiveBytes truncated(3);
    truncated.ArchiveSize(0).bytes.resize(250);
    EXPECT_EQ(Audit(truncated),
              std::vector<std::string>{"the file (250 bytes) ends inside the record block (HeaderSize 400)"});

    ArchiveBytes wrong(1);
    wrong.bytes[0] = 'd';
    EXPECT_EQ(Audit(wrong),
              std::vector<std::string>{"not a TAB archive: it does not start with \"DEZORORERO\""});
    EXPECT_EQ(Audit(ArchiveBytes(1).HeaderSize(199).ArchiveSize(0)),
              std::vector<std::string>{"HeaderSize 199 holds no whole file record"});
}

TEST_F(Tabpack, ExtractRefusesAnArchiveThatIsNotSound)
{
    ArchiveBytes archive(2);
    archive.Record(0, "a.dll", "CUR", 0).Record(1, "a.dll", "CUR", 0);
    const std::string path = folder_ + "dup.tab";
    WriteAll(path, std::string(archive.bytes.begin(), archive.bytes.end()));
    Captured out;
    Captured err;
    EXPECT_EQ(ExtractArchive(path, folder_ + "out", out.get(), err.get()), kTabpackFailure);
    EXPECT_EQ(err.Text(), "tabpack: " + path +
                              ": record 2: \"a.dll\" in CUR duplicates record 1\n"
                              "tabpack: nothing extracted: \"" +
                              path + "\" is not sound\n");
    struct stat status = {};
    EXPECT_NE(stat((folder_ + "out").c_str(), &status), 0);

    Captured listing;
    EXPECT_EQ(ListArchive(path, true, listing.get(), err.get()), kTabpackSuccess); // listing does not judge
}
