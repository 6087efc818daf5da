#include "archive_audit.h"
#include "install/tab_time.h"
#include "manifest.h"
#include "support/archive_bytes.h"
#include "tabpack_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

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

    // The findings as verify prints them, without the archive's name.
    std::vector<std::string> Audit(const ArchiveBytes& archive) const
    {
        std::vector<std::string> lines;
        for (const Finding& finding : AuditArchive({archive.bytes, archive.bytes.size()}))
        {
            lines.push_back((finding.Level == Severity::Warning ? "warning: " : "") +
                            DescribeFinding(finding, RecordNumberLabel));
        }
        return lines;
    }

    std::string Write(const std::string& name, const ArchiveBytes& archive) const
    {
        WriteAll(folder_ + name, std::string(archive.bytes.begin(), archive.bytes.end()));
        return folder_ + name;
    }

    std::vector<std::string> FolderNames(const std::string& path = "") const
    {
        std::vector<std::string> names;
        DIR* folder = opendir((path.empty() ? folder_ : path).c_str());
        for (const dirent* entry = readdir(folder); entry != nullptr; entry = readdir(folder))
        {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            {
                names.push_back(entry->d_name);
            }
        }
        closedir(folder);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder_;
};

// 14 July 2023 09:30:00.125 UTC in nanoseconds since 1970.
constexpr int64_t kJulyMorningNs = 1689327000125000000;
} // namespace

TEST_F(Tabpack, ManifestEntriesWithQuotesRuleWordsTimesAndUnusedRecords)
{
    const Manifest manifest =
        ParseManifest("\xEF\xBB\xBF# engine files, after a UTF-8 byte-order mark\r\n"
                      "\r\n"
                      "  bin/verozar1.exe\tCUR  Newer\r\n"
                      "\"fonts/Altavy Sans.ttf\" FON doesnotexist 2024-02-29T23:59:58.007Z\n"
                      "unused\n"
                      "x.dll S64 104\n"
                      "data/\x95\x5C.dat CUR always\n");
    ASSERT_EQ(manifest.Errors, std::vector<std::string>{});
    // The bytes are stored as they stand, which a UTF-8 manifest may not have meant.
    EXPECT_EQ(manifest.Warnings,
              std::vector<std::string>{"line 7: the name \"\\x95\\\\.dat\" is stored as UTF-8, "
                                       "as the manifest is written; the launcher reads it in its "
                                       "ANSI code page"});
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
                           "7 [data/\x95\x5C.dat] [\x95\x5C.dat] CUR 103",
                       }));
}

TEST_F(Tabpack, ManifestMistakesAreReportedByLine)
{
    const Manifest manifest = ParseManifest("\"open quote CUR newer\n"
                                            "a.dll CUR\n"
                                            "\"sub/nul .txt\" CUR newer\n"
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
              "line 3: the name \"nul .txt\" is not a bare file name of at most 49 characters");
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
    EXPECT_EQ(VerifyArchive(archive, "", out.get(), err.get()), kTabpackSuccess);
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
    WriteAll(folder_ + "odd.manifest", "# odd but allowed\na.dll XYZ 104\n");
    Captured err;
    CreateOptions unsized;
    unsized.WriteArchiveSize = false;
    ASSERT_EQ(CreateArchive(folder_ + "odd.tab", folder_ + "odd.manifest", unsized, err.get()),
              kTabpackSuccess);
    EXPECT_EQ(err.Text(),
              "tabpack: warning: " + folder_ +
                  "odd.manifest: line 2: destination \"XYZ\" is not CUR, FON, WIN, SYS or S64; the "
                  "launcher skips the entry\n"
                  "tabpack: warning: " +
                  folder_ +
                  "odd.manifest: line 2: install rule 104 is not 101, 102, 103 or 109; the launcher "
                  "never installs the entry\n");
    EXPECT_EQ(ReadLittleEndian32(reinterpret_cast<const uint8_t*>(ReadAll(folder_ + "odd.tab").data()) + 14),
              0u);

    WriteAll(folder_ + "empty.manifest", "# nothing\n");
    Captured empty;
    EXPECT_EQ(CreateArchive(folder_ + "e.tab", folder_ + "empty.manifest", {}, empty.get()), kTabpackFailure);
    EXPECT_EQ(empty.Text(), "tabpack: " + folder_ + "empty.manifest: an archive holds 1 to 65535 entries\n");
}

TEST_F(Tabpack, AFailedCreateLeavesThePreviousArchiveAsItWas)
{
    WriteAll(folder_ + "a.dll", "a");
    WriteAll(folder_ + "b.dll", "b");
    WriteAll(folder_ + "A.DLL", "A");
    WriteAll(folder_ + "good.manifest", "a.dll CUR newer 2023-07-14T09:30:00Z\n");
    const std::string archive = folder_ + "verozar0.dll";
    Captured quiet;
    ASSERT_EQ(CreateArchive(archive, folder_ + "good.manifest", {}, quiet.get()), kTabpackSuccess);
    const std::string previous = ReadAll(archive);
    const std::vector<std::string> before = FolderNames();

    const struct
    {
        const char* manifest;
        std::string complaint;
    } cases[] = {
        // What verify would refuse is never written.
        {"# one name twice\na.dll CUR newer\nb.dll SYS newer\nA.DLL CUR always\n",
         "tabpack: " + folder_ + "bad.manifest: line 4: \"A.DLL\" in CUR duplicates line 2\n" +
             "tabpack: nothing written: \"" + archive + "\" would not be sound\n"},
        {"a.dll CUR newer\nverozar0.dll CUR newer\n",
         "tabpack: " + folder_ + "bad.manifest: line 2: \"" + archive + "\" is the archive being built\n"},
        {"a.dll CUR newer\nmissing.dll CUR newer\n", "tabpack: " + folder_ +
                                                         "bad.manifest: line 2: cannot read \"" + folder_ +
                                                         "missing.dll\": No such file or directory\n"},
    };
    for (const auto& c : cases)
    {
        WriteAll(folder_ + "bad.manifest", c.manifest);
        Captured err;
        EXPECT_EQ(CreateArchive(archive, folder_ + "bad.manifest", {}, err.get()), kTabpackFailure);
        EXPECT_EQ(err.Text(), c.complaint);
        EXPECT_EQ(ReadAll(archive), previous);
    }
    std::remove((folder_ + "bad.manifest").c_str());
    EXPECT_EQ(FolderNames(), before); // nothing left behind

    // The copy fails once the new file is being written: a file of /proc
    // measures 0 bytes but reads more.
    WriteAll(folder_ + "changing.manifest", "a.dll CUR newer\n/proc/self/status CUR newer\n");
    Captured err;
    EXPECT_EQ(CreateArchive(archive, folder_ + "changing.manifest", {}, err.get()), kTabpackFailure);
    EXPECT_EQ(
        err.Text(),
        "tabpack: could not build the archive: \"/proc/self/status\" changed while it was being copied; \"" +
            archive + "\" is left as it was\n");
    EXPECT_EQ(ReadAll(archive), previous);
    std::remove((folder_ + "changing.manifest").c_str());
    EXPECT_EQ(FolderNames(), before);
}

TEST_F(Tabpack, VerifyNamesEveryProblemItFinds)
{
    ArchiveBytes archive(10);
    const uint32_t data = 1100; // right after the record block
    archive.Record(0, "a.dll", "CUR", 10)
        .Record(1, "b.dll", "cur", 0, 104)
        .Record(2, "c.dll", "SYS", 0, INSTALL_NEWER, {2023, 2, 29, 0, 0, 0, 0, 0})
        .Record(3, "A.DLL", "CUR", 5)
        .Record(5, "..\\e.dll")
        .Record(6, "f.dll", "WIN", 200)
        .Record(7, "g.dll", "WIN", 1)
        .Record(9, "\x95\x5C.dat"); // bare on code page 932, a path on 1252
    std::memset(archive.RecordAt(8), 'h', 50);
    archive.Append(std::string(100, 'x'));
    WriteLittleEndian32(archive.RecordAt(3) + 60, data + 5); // inside record 1's data
    WriteLittleEndian32(archive.RecordAt(7) + 60, 40);       // inside the record block
    WriteLittleEndian32(archive.RecordAt(9) + 60, data);
    const std::vector<std::string> expected = {
        "warning: record 2: destination \"cur\" is not CUR, FON, WIN, SYS or S64; the launcher skips the "
        "entry",
        "warning: record 2: install rule 104 is not 101, 102, 103 or 109; the launcher never installs the "
        "entry",
        "record 3: time stamp 2023-02-29T00:00:00.000Z is not a valid date and time",
        "record 4: \"A.DLL\" in CUR duplicates record 1",
        "record 6: file name \"..\\\\e.dll\" is a path, not a bare file name",
        "record 7: data (offset 1100, 200 bytes) runs past the end of the file (1200 bytes)",
        "record 8: data at offset 40 lies inside the header and record block",
        "record 9: file name has no terminating NUL",
        "warning: record 10: file name \"\\x95\\\\.dat\" is a bare file name only on a double-byte code "
        "page; a "
        "launcher on a single-byte code page refuses the archive",
        "record 4: data overlaps that of record 1"};
    EXPECT_EQ(Audit(archive), expected);
}

TEST_F(Tabpack, VerifyRefusesHeadersAsTheLauncherDoesAndTellsWhy)
{
    ArchiveBytes sized(1);
    sized.Record(0, "a.dll").Append("tail");
    sized.bytes.push_back('!'); // appended after packaging
    EXPECT_EQ(Audit(sized), std::vector<std::string>{"ArchiveSize 204 differs from the file's size 205"});

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

TEST_F(Tabpack, SpareBytesAfterTheLastRecordAreAWarningAndNoObstacle)
{
    ArchiveBytes spare(2);
    spare.Record(0, "a.dll").HeaderSize(299);
    WriteLittleEndian32(spare.RecordAt(0) + 60, 300);
    WriteLittleEndian32(spare.RecordAt(0) + 64, 3);
    spare.Append("abc");
    const std::string path = Write("spare.tab", spare);
    const std::string warning = "HeaderSize 299 leaves 99 bytes after the last whole file record, which the "
                                "launcher ignores";
    Captured out;
    Captured err;
    EXPECT_EQ(VerifyArchive(path, "", out.get(), err.get()), kTabpackSuccess);
    EXPECT_EQ(out.Text(),
              path + ": warning: " + warning + "\n" + path + ": sound, 1 file records, 303 bytes\n");
    Captured extracted;
    EXPECT_EQ(ExtractArchive(path, folder_ + "out", extracted.get(), err.get()), kTabpackSuccess);
    EXPECT_EQ(err.Text(), "tabpack: warning: " + path + ": " + warning + "\n");
    EXPECT_EQ(ReadAll(folder_ + "out/CUR/a.dll"), "abc");
}

TEST_F(Tabpack, ExtractRefusesAnArchiveThatIsNotSound)
{
    ArchiveBytes archive(2);
    archive.Record(0, "a.dll", "CUR", 0).Record(1, "a.dll", "CUR", 0);
    const std::string path = Write("dup.tab", archive);
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

TEST_F(Tabpack, ExtractNeverWritesOutsideItsFolderAndSaysWhyItStopped)
{
    ArchiveBytes archive(1);
    archive.Record(0, "a.dll", "CUR", 3).Append("new");
    const std::string path = Write("a.tab", archive);
    const std::string out = folder_ + "out/";
    const std::string outside = folder_ + "outside/";
    const struct
    {
        const char* plant; // what stands in DIR before the extraction
        std::string why;
    } cases[] = {
        {"folder link", "\"" + out +
                            "CUR\" is a symbolic link; tabpack never follows a link inside the folder it "
                            "extracts to"},
        {"file link", "\"" + out +
                          "CUR/a.dll\" is a symbolic link; tabpack never follows a link inside the folder "
                          "it extracts to"},
        {"folder", "\"" + out + "CUR/a.dll\": Is a directory"},
        {"file as folder", "\"" + out + "CUR\": Not a directory"},
    };
    for (const auto& c : cases)
    {
        std::system(("rm -rf '" + out + "' '" + outside + "'").c_str());
        ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
        ASSERT_EQ(mkdir(outside.c_str(), 0777), 0);
        WriteAll(outside + "a.dll", "old");
        const std::string plant = c.plant;
        if (plant == "folder link")
        {
            ASSERT_EQ(symlink(outside.c_str(), (out + "CUR").c_str()), 0);
        }
        else if (plant == "file link")
        {
            ASSERT_EQ(mkdir((out + "CUR").c_str(), 0777), 0);
            ASSERT_EQ(symlink((outside + "a.dll").c_str(), (out + "CUR/a.dll").c_str()), 0);
        }
        else if (plant == "folder")
        {
            ASSERT_EQ(mkdir((out + "CUR").c_str(), 0777), 0);
            ASSERT_EQ(mkdir((out + "CUR/a.dll").c_str(), 0777), 0);
        }
        else
        {
            WriteAll(out + "CUR", "");
        }
        Captured listed;
        Captured err;
        EXPECT_EQ(ExtractArchive(path, out, listed.get(), err.get()), kTabpackFailure) << c.plant;
        EXPECT_EQ(err.Text(), "tabpack: cannot extract record 1 of \"" + path + "\": " + c.why + "\n");
        EXPECT_EQ(ReadAll(outside + "a.dll"), "old") << c.plant;
        if (plant == "folder")
        {
            EXPECT_EQ(FolderNames(out + "CUR"), std::vector<std::string>{"a.dll"}); // no unfinished file left
        }
    }

    // A second name of a file outside is replaced, not written through.
    std::system(("rm -rf '" + out + "'").c_str());
    ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
    ASSERT_EQ(mkdir((out + "CUR").c_str(), 0777), 0);
    ASSERT_EQ(link((outside + "a.dll").c_str(), (out + "CUR/a.dll").c_str()), 0);
    Captured listed;
    Captured err;
    EXPECT_EQ(ExtractArchive(path, out, listed.get(), err.get()), kTabpackSuccess) << err.Text();
    EXPECT_EQ(ReadAll(out + "CUR/a.dll"), "new");
    EXPECT_EQ(ReadAll(outside + "a.dll"), "old");
}
