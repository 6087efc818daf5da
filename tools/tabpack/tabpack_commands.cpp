#include "tabpack_commands.h"

#include "archive_audit.h"
#include "diagnostics/format_buffer.h"
#include "install/file_list_report.h"
#include "install/tab_time.h"
#include "manifest.h"
#include "tabpack_platform.h"

#include <memory>
#include <vector>

namespace
{
constexpr std::size_t kCopyChunk = 64 * 1024;

using FilePointer = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePointer OpenFile(const std::string& path, const char* mode)
{
    return FilePointer(std::fopen(path.c_str(), mode), &std::fclose);
}

void Complain(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "tabpack: %s\n", text.c_str());
}

bool ReadWholeFile(const std::string& path, std::string* text)
{
    FilePointer file = OpenFile(path, "rb");
    if (!file)
    {
        return false;
    }
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0)
    {
        text->append(chunk, got);
    }
    return std::ferror(file.get()) == 0;
}

// Copies count bytes; false when either side fails or the source ends early.
bool CopyBytes(std::FILE* from, std::FILE* to, uint64_t count)
{
    std::vector<char> chunk(kCopyChunk);
    while (count > 0)
    {
        const std::size_t want = count < kCopyChunk ? static_cast<std::size_t>(count) : kCopyChunk;
        if (std::fread(chunk.data(), 1, want, from) != want || std::fwrite(chunk.data(), 1, want, to) != want)
        {
            return false;
        }
        count -= want;
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + kPathSeparator + name;
}

// The header and as much of the record block as HeaderSize announces and
// the file holds; never more than the largest block a sound archive has.
bool LoadArchive(const std::string& path, ArchiveImage* image, FileFacts* facts, std::FILE* err)
{
    std::string why;
    FilePointer file = OpenFile(path, "rb");
    if (!ReadFileFacts(path, facts, &why) || !file)
    {
        Complain(err, "cannot read archive " + (why.empty() ? "\"" + path + "\"" : why));
        return false;
    }
    image->FileSize = facts->Size;
    image->Bytes.assign(kArchiveHeaderLength, 0);
    std::size_t got = std::fread(image->Bytes.data(), 1, kArchiveHeaderLength, file.get());
    TabHeader fields = {};
    const HeaderVerdict verdict = CheckHeaderBesidesSize(*image, &fields);
    if (got == kArchiveHeaderLength && verdict == HeaderVerdict::Sound)
    {
        const uint64_t wanted = fields.HeaderSize < image->FileSize ? fields.HeaderSize : image->FileSize;
        image->Bytes.resize(static_cast<std::size_t>(wanted));
        got += std::fread(image->Bytes.data() + kArchiveHeaderLength, 1,
                          image->Bytes.size() - kArchiveHeaderLength, file.get());
        image->Bytes.resize(got);
    }
    if (std::ferror(file.get()) != 0)
    {
        Complain(err, "cannot read archive \"" + path + "\"");
        return false;
    }
    return true;
}

// Writes one entry's stored bytes to the target and stamps it with the
// entry's time.
bool ExtractEntry(std::FILE* input, const ArchiveEntry& entry, const std::string& target, std::string* why)
{
    if (std::fseek(input, static_cast<long>(entry.DataOffset), SEEK_SET) != 0)
    {
        return false;
    }
    FilePointer file = OpenFile(target, "wb");
    if (!file)
    {
        return false;
    }
    bool copied = CopyBytes(input, file.get(), entry.Size);
    copied = std::fclose(file.release()) == 0 && copied;
    uint64_t ticks = 0;
    return copied && TimestampToTicks(entry.Timestamp, &ticks) && SetLastWriteTicks(target, ticks, why);
}

bool AsStored(const TabTimestamp& utc, TabTimestamp* shown)
{
    *shown = utc;
    return IsValidTimestamp(utc);
}

// Where an entry's stored bytes come from; no source for an unused record.
struct Content
{
    std::string Source;
    uint32_t Size;
};

// The manifest's entries as file records, each entry's contents following
// the previous one's; false after complaining.
bool LayOutEntries(const Manifest& manifest, const std::string& folder, std::vector<uint8_t>* head,
                   std::vector<Content>* contents, uint64_t* archiveSize, std::FILE* err)
{
    const uint64_t headerSize = kArchiveHeaderLength + kFileRecordLength * manifest.Entries.size();
    head->assign(static_cast<std::size_t>(headerSize), 0);
    uint64_t offset = headerSize;
    for (std::size_t i = 0; i < manifest.Entries.size(); ++i)
    {
        const ManifestEntry& line = manifest.Entries[i];
        if (line.Unused)
        {
            contents->push_back({});
            continue;
        }
        const std::string source = IsAbsolutePath(line.Source) ? line.Source : Join(folder, line.Source);
        FileFacts facts = {};
        std::string why;
        if (!ReadFileFacts(source, &facts, &why))
        {
            Complain(err, "manifest line " + std::to_string(line.Line) + ": cannot read " + why);
            return false;
        }
        ArchiveEntry entry = {};
        CopyToBuffer(entry.FileName, sizeof(entry.FileName), line.Name.c_str());
        CopyToBuffer(entry.Destination, sizeof(entry.Destination), line.Destination.c_str());
        entry.DataOffset = static_cast<uint32_t>(offset);
        entry.Size = static_cast<uint32_t>(facts.Size);
        entry.InstallType = line.InstallType;
        entry.Timestamp = line.Timestamp;
        if (!line.HasTimestamp &&
            !TicksToTimestamp(facts.LastWriteTicks - facts.LastWriteTicks % kTicksPerMillisecond,
                              &entry.Timestamp))
        {
            Complain(err, "manifest line " + std::to_string(line.Line) + ": \"" + source +
                              "\" has a last-write time an archive cannot hold");
            return false;
        }
        offset += facts.Size;
        if (offset >= kArchiveSizeLimit)
        {
            Complain(err, "the archive would be 2 GiB or larger, which the launcher cannot read");
            return false;
        }
        EncodeFileRecord(entry, head->data() + kArchiveHeaderLength + i * kFileRecordLength);
        contents->push_back({source, entry.Size});
    }
    *archiveSize = offset;
    return true;
}
} // namespace

int CreateArchive(const std::string& archive, const std::string& manifestPath, const CreateOptions& options,
                  std::FILE* err)
{
    std::string text;
    if (!ReadWholeFile(manifestPath, &text))
    {
        Complain(err, "cannot read manifest \"" + manifestPath + "\"");
        return kTabpackFailure;
    }
    const Manifest manifest = ParseManifest(text);
    for (const std::string& error : manifest.Errors)
    {
        Complain(err, manifestPath + ": " + error);
    }
    if (!manifest.Errors.empty())
    {
        return kTabpackFailure;
    }
    if (manifest.Entries.empty() || manifest.Entries.size() > kMaxFileRecords)
    {
        Complain(err, manifestPath + ": an archive holds 1 to 65535 entries");
        return kTabpackFailure;
    }

    std::vector<uint8_t> head;
    std::vector<Content> contents;
    uint64_t archiveSize = 0;
    if (!LayOutEntries(manifest, FolderOf(manifestPath), &head, &contents, &archiveSize, err))
    {
        return kTabpackFailure;
    }
    EncodeTabHeader(head.data(), static_cast<uint32_t>(head.size()),
                    options.WriteArchiveSize ? static_cast<uint32_t>(archiveSize) : 0);

    FilePointer out = OpenFile(archive, "wb");
    if (!out)
    {
        Complain(err, "cannot create archive \"" + archive + "\"");
        return kTabpackFailure;
    }
    bool written = std::fwrite(head.data(), 1, head.size(), out.get()) == head.size();
    for (std::size_t i = 0; written && i < contents.size(); ++i)
    {
        if (contents[i].Source.empty())
        {
            continue;
        }
        FilePointer source = OpenFile(contents[i].Source, "rb");
        // The source must still hold exactly the bytes it was measured at.
        written =
            source && CopyBytes(source.get(), out.get(), contents[i].Size) && std::fgetc(source.get()) == EOF;
        if (!written)
        {
            Complain(err, "cannot copy \"" + contents[i].Source + "\" whole; did it change?");
        }
    }
    written = std::fclose(out.release()) == 0 && written;
    if (!written)
    {
        Complain(err, "could not write archive \"" + archive + "\"");
        std::remove(archive.c_str());
        return kTabpackFailure;
    }

    for (const std::string& problem : AuditArchive({head, archiveSize}))
    {
        Complain(err, "warning: " + archive + ": " + problem);
    }
    return kTabpackSuccess;
}

int ListArchive(const std::string& archive, bool utc, std::FILE* out, std::FILE* err)
{
    ArchiveImage image;
    FileFacts facts = {};
    if (!LoadArchive(archive, &image, &facts, err))
    {
        return kTabpackFailure;
    }
    TabHeader fields = {};
    const HeaderVerdict verdict = CheckHeaderBesidesSize(image, &fields);
    if (verdict != HeaderVerdict::Sound || !HoldsRecordBlock(image, fields))
    {
        Complain(err,
                 archive + ": " +
                     (verdict != HeaderVerdict::Sound ? DescribeHeaderVerdict(verdict, fields, image.FileSize)
                                                      : DescribeShortRecordBlock(image, fields)));
        return kTabpackFailure;
    }

    const TimeConversion convert = utc ? AsStored : ToLocalTime;
    TabTimestamp written = {};
    TabTimestamp shown = {};
    if (!TicksToTimestamp(facts.LastWriteTicks, &written) || !convert(written, &shown))
    {
        shown = TabTimestamp{};
    }
    StreamReportWriter writer(out);
    WriteReportHeading(writer, NameOf(archive).c_str(), shown, static_cast<uint32_t>(image.FileSize));
    int status = kTabpackSuccess;
    for (uint32_t i = 0; i < fields.RecordCount; ++i)
    {
        ArchiveEntry entry = {};
        const RecordVerdict decoded =
            DecodeFileRecord(image.Bytes.data() + kArchiveHeaderLength + i * kFileRecordLength, &entry);
        if (decoded == RecordVerdict::Used)
        {
            WriteReportRecord(writer, entry, convert);
        }
        else if (decoded != RecordVerdict::Unused)
        {
            Complain(err, archive + ": " + DescribeRecordRefusal(i + 1, decoded, entry));
            status = kTabpackFailure;
        }
    }
    return status;
}

int VerifyArchive(const std::string& archive, std::FILE* out, std::FILE* err)
{
    ArchiveImage image;
    FileFacts facts = {};
    if (!LoadArchive(archive, &image, &facts, err))
    {
        return kTabpackFailure;
    }
    const std::vector<std::string> problems = AuditArchive(image);
    for (const std::string& problem : problems)
    {
        std::fprintf(out, "%s: %s\n", archive.c_str(), problem.c_str());
    }
    if (!problems.empty())
    {
        return kTabpackFailure;
    }
    TabHeader fields = {};
    CheckTabHeader(image.Bytes.data(), image.FileSize, &fields);
    std::fprintf(out, "%s: sound, %u file records, %s bytes\n", archive.c_str(),
                 static_cast<unsigned>(fields.RecordCount), std::to_string(image.FileSize).c_str());
    return kTabpackSuccess;
}

int ExtractArchive(const std::string& archive, const std::string& folder, std::FILE* out, std::FILE* err)
{
    ArchiveImage image;
    FileFacts facts = {};
    if (!LoadArchive(archive, &image, &facts, err))
    {
        return kTabpackFailure;
    }
    const std::vector<std::string> problems = AuditArchive(image);
    if (!problems.empty())
    {
        for (const std::string& problem : problems)
        {
            Complain(err, archive + ": " + problem);
        }
        Complain(err, "nothing extracted: \"" + archive + "\" is not sound");
        return kTabpackFailure;
    }
    std::string why;
    FilePointer input = OpenFile(archive, "rb");
    if (!input || !MakeDirectory(folder, &why))
    {
        Complain(err,
                 why.empty() ? "cannot read archive \"" + archive + "\"" : "cannot create folder " + why);
        return kTabpackFailure;
    }
    TabHeader fields = {};
    CheckTabHeader(image.Bytes.data(), image.FileSize, &fields);
    for (uint32_t i = 0; i < fields.RecordCount; ++i)
    {
        ArchiveEntry entry = {};
        if (DecodeFileRecord(image.Bytes.data() + kArchiveHeaderLength + i * kFileRecordLength, &entry) !=
                RecordVerdict::Used ||
            CheckBareFileName(entry.Destination) != NameFault::None)
        {
            continue; // unused; the audit has refused every other kind
        }
        const std::string destination = Join(folder, entry.Destination);
        const std::string target = Join(destination, entry.FileName);
        if (!MakeDirectory(destination, &why) || !ExtractEntry(input.get(), entry, target, &why))
        {
            Complain(err, "cannot extract \"" + target + "\"" + (why.empty() ? "" : ": " + why));
            return kTabpackFailure;
        }
        std::fprintf(out, "%s\n", target.c_str());
    }
    return kTabpackSuccess;
}
