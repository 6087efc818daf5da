#include "tabpack_commands.h"

#include "archive_audit.h"
#include "archive_signing.h"
#include "foundation/format_buffer.h"
#include "install/file_list_report.h"
#include "install/install_decision.h"
#include "install/tab_time.h"
#include "manifest.h"
#include "tabpack_platform.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

namespace
{
constexpr std::size_t kCopyChunk = 64 * 1024;

FilePointer OpenFile(const std::string& path, const char* mode)
{
    return FilePointer(std::fopen(path.c_str(), mode));
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string SystemReason(const std::string& path)
{
    return Quoted(path) + ": " + std::strerror(errno);
}

void Complain(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "tabpack: %s\n", text.c_str());
}

void Warn(std::FILE* err, const std::string& text)
{
    Complain(err, "warning: " + text);
}

// Each finding on err, its records named by label.
void ReportFindings(const std::vector<Finding>& findings, const std::string& source, const RecordLabel& label,
                    std::FILE* err)
{
    for (const Finding& finding : findings)
    {
        const std::string line = source + ": " + DescribeFinding(finding, label);
        if (finding.Level == Severity::Warning)
        {
            Warn(err, line);
        }
        else
        {
            Complain(err, line);
        }
    }
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

enum class CopyFault
{
    None,
    Read, // the source failed or ended early
    Write,
};

// Copies count bytes; errno tells why a side failed.
CopyFault CopyBytes(std::FILE* from, std::FILE* to, uint64_t count)
{
    std::vector<char> chunk(kCopyChunk);
    while (count > 0)
    {
        const std::size_t want = count < kCopyChunk ? static_cast<std::size_t>(count) : kCopyChunk;
        if (std::fread(chunk.data(), 1, want, from) != want)
        {
            return CopyFault::Read;
        }
        if (std::fwrite(chunk.data(), 1, want, to) != want)
        {
            return CopyFault::Write;
        }
        count -= want;
    }
    return CopyFault::None;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t separator = FindLastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator == 0 ? 1 : separator);
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
    {
        return name;
    }
    return folder.back() == kPathSeparator ? folder + name : folder + kPathSeparator + name;
}

} // namespace

bool LoadArchive(const std::string& path, ArchiveImage* image, FileFacts* facts, std::FILE* err)
{
    std::string why;
    FilePointer file = OpenFile(path, "rb");
    if (!ReadFileFacts(path, facts, &why) || !file)
    {
        Complain(err, "cannot read archive " + (why.empty() ? SystemReason(path) : why));
        return false;
    }
    if (!LoadArchiveImage(file.get(), facts->Size, image))
    {
        Complain(err, "cannot read archive " + SystemReason(path));
        return false;
    }
    return true;
}

bool LoadArchiveImage(std::FILE* file, uint64_t fileSize, ArchiveImage* image)
{
    image->FileSize = fileSize;
    image->Bytes.assign(kArchiveHeaderLength, 0);
    std::size_t got = std::fread(image->Bytes.data(), 1, kArchiveHeaderLength, file);
    TabHeader fields = {};
    const HeaderVerdict verdict = CheckHeaderBesidesSize(*image, &fields);
    if (got == kArchiveHeaderLength && verdict == HeaderVerdict::Sound)
    {
        const uint64_t wanted = fields.HeaderSize < image->FileSize ? fields.HeaderSize : image->FileSize;
        image->Bytes.resize(static_cast<std::size_t>(wanted));
        got += std::fread(image->Bytes.data() + kArchiveHeaderLength, 1,
                          image->Bytes.size() - kArchiveHeaderLength, file);
        image->Bytes.resize(got);
    }
    return std::ferror(file) == 0;
}

namespace
{
// Loads an archive and passes its warnings on; false, after saying that
// nothing was done, when it is not sound.
bool LoadSoundArchive(const std::string& archive, const char* nothingDone, ArchiveImage* image,
                      TabHeader* fields, std::FILE* err)
{
    FileFacts facts = {};
    if (!LoadArchive(archive, image, &facts, err))
    {
        return false;
    }
    const std::vector<Finding> findings = AuditArchive(*image);
    ReportFindings(findings, archive, RecordNumberLabel, err);
    if (HasRefusal(findings))
    {
        Complain(err, std::string(nothingDone) + ": " + Quoted(archive) + " is not sound");
        return false;
    }
    CheckHeaderBesidesSize(*image, fields);
    return true;
}

// Hands each used record's number (from 1) and fields to visit, in
// archive order, until visit returns false; false then.
template <typename Visit>
bool ForEachUsedRecord(const ArchiveImage& image, const TabHeader& fields, Visit visit)
{
    for (uint32_t i = 0; i < fields.RecordCount; ++i)
    {
        const uint8_t* record = image.Bytes.data() + kArchiveHeaderLength + i * kFileRecordLength;
        if (IsUnusedRecord(record))
        {
            continue;
        }
        ArchiveEntry entry = {};
        ReadRecordFields(record, &entry);
        if (!visit(i + 1, entry))
        {
            return false;
        }
    }
    return true;
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
// the previous one's; false after complaining. Messages name the manifest
// and the entry's line in it.
bool LayOutEntries(const Manifest& manifest, const std::string& manifestPath, const std::string& archive,
                   std::vector<uint8_t>* head, std::vector<Content>* contents, uint64_t* archiveSize,
                   std::FILE* err)
{
    const std::string folder = FolderOf(manifestPath);
    const uint64_t headerSize = kArchiveHeaderLength + kFileRecordLength * manifest.Entries.size();
    head->assign(static_cast<std::size_t>(headerSize), 0);
    uint64_t offset = headerSize;
    for (std::size_t i = 0; i < manifest.Entries.size(); ++i)
    {
        const ManifestEntry& line = manifest.Entries[i];
        const std::string where = manifestPath + ": line " + std::to_string(line.Line) + ": ";
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
            Complain(err, where + "cannot read " + why);
            return false;
        }
        if (IsSameFile(source, archive))
        {
            Complain(err, where + Quoted(source) + " is the archive being built");
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
            Complain(err, where + Quoted(source) + " has a last-write time an archive cannot hold");
            return false;
        }
        offset += facts.Size;
        if (offset >= kArchiveSizeLimit)
        {
            Complain(err, where + "the archive would reach 2 GiB, which the launcher cannot read");
            return false;
        }
        EncodeFileRecord(entry, head->data() + kArchiveHeaderLength + i * kFileRecordLength);
        contents->push_back({source, entry.Size});
    }
    *archiveSize = offset;
    return true;
}

// Writes the archive into a new file beside it and puts that in its place
// only when it is complete, so a failure leaves an earlier archive as it was.
bool WriteArchive(const std::string& archive, const std::vector<uint8_t>& head,
                  const std::vector<Content>& contents, std::FILE* err)
{
    FileBeside beside = CreateFileBeside(archive);
    if (!beside.File)
    {
        Complain(err, "cannot create a new file beside the archive: " + beside.Why);
        return false;
    }
    std::string why;
    if (std::fwrite(head.data(), 1, head.size(), beside.File.get()) != head.size())
    {
        why = SystemReason(beside.Path);
    }
    for (std::size_t i = 0; why.empty() && i < contents.size(); ++i)
    {
        if (contents[i].Source.empty())
        {
            continue;
        }
        FilePointer source = OpenFile(contents[i].Source, "rb");
        if (!source)
        {
            why = SystemReason(contents[i].Source);
            break;
        }
        const CopyFault fault = CopyBytes(source.get(), beside.File.get(), contents[i].Size);
        // The source must still hold exactly the bytes it was measured at.
        if (fault == CopyFault::Read || (fault == CopyFault::None && std::fgetc(source.get()) != EOF))
        {
            why = Quoted(contents[i].Source) + " changed while it was being copied";
        }
        else if (fault == CopyFault::Write)
        {
            why = SystemReason(beside.Path);
        }
    }
    if (std::fclose(beside.File.release()) != 0 && why.empty())
    {
        why = SystemReason(beside.Path);
    }
    if (why.empty() && MoveIntoPlace(beside.Path, archive, &why))
    {
        return true;
    }
    std::remove(beside.Path.c_str());
    Complain(err, "could not build the archive: " + why + "; " + Quoted(archive) + " is left as it was");
    return false;
}

// Writes one entry's stored bytes to a new file at DIR/DESTINATION/NAME,
// stamped with the entry's time; false with the reason in why.
bool ExtractEntry(std::FILE* input, const ArchiveEntry& entry, const std::string& folder, std::string* why)
{
    uint64_t ticks = 0;
    if (!TimestampToTicks(entry.Timestamp, &ticks))
    {
        *why = "its time stamp is not a valid date and time";
        return false;
    }
    ExtractTarget target = CreateExtractTarget(Join(folder, entry.Destination), entry.FileName);
    if (target.File() == nullptr)
    {
        *why = target.Why();
        return false;
    }
    if (std::fseek(input, static_cast<long>(entry.DataOffset), SEEK_SET) != 0)
    {
        *why = "cannot seek to its data: " + std::string(std::strerror(errno));
        return false;
    }
    const CopyFault fault = CopyBytes(input, target.File(), entry.Size);
    if (fault != CopyFault::None)
    {
        *why = fault == CopyFault::Read ? "the archive ends inside its data"
                                        : "cannot write its data: " + std::string(std::strerror(errno));
        return false;
    }
    return target.Place(ticks, why);
}

// A time as the update step compares it: UTC, to the minute.
std::string MinuteText(const TabTimestamp& stamp)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u UTC", stamp.Year, stamp.Month, stamp.Day,
                  stamp.Hour, stamp.Minute);
    return text;
}

std::string TimeAndSize(const TabTimestamp& stamp, uint32_t size)
{
    return MinuteText(stamp) + ", " + std::to_string(size) + " bytes";
}

// The rule as a manifest names it, or its number.
std::string RuleName(uint32_t installType)
{
    std::string word = InstallWord(installType);
    for (char& c : word)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return word.empty() ? "rule " + std::to_string(installType) : word;
}

const char* ReasonText(InstallReason reason, InstalledState state)
{
    switch (reason)
    {
        case InstallReason::NotInstalled:
            return state == InstalledState::Unknown ? "unreadable, counts as not installed" : "not installed";
        case InstallReason::Differs:
            return "time or size differs";
        case InstallReason::Same:
            return "same time to the minute and same size";
        case InstallReason::EntryNewer:
            return "the entry is newer";
        case InstallReason::EntryNotNewer:
            return "the entry is not newer";
        case InstallReason::Always:
            return "always installed";
        case InstallReason::AlreadyInstalled:
            return "installed already";
        case InstallReason::RuleNeverInstalls:
            return "never installed";
    }
    return "";
}

// One used record's line: what the update step does with it and what
// decided it.
std::string PlanLine(const ArchiveEntry& entry, const InstalledFile& installed,
                     const InstallDecision& decision, const std::string& why)
{
    std::string line = std::string(entry.Destination) + "/" + entry.FileName + ": " +
                       (decision.Install ? "install" : "up to date") + " (" + RuleName(entry.InstallType) +
                       ": " + ReasonText(decision.Reason, installed.State) + "); entry " +
                       TimeAndSize(entry.Timestamp, entry.Size) + "; ";
    switch (installed.State)
    {
        case InstalledState::Present:
            return line + "installed " + TimeAndSize(installed.LastWrite, installed.Size);
        case InstalledState::Unknown:
            return line + "cannot read " + why;
        case InstalledState::NotInstalled:
        case InstalledState::NotChecked:
            break;
    }
    return line + "not installed";
}
} // namespace

int CreateArchive(const std::string& archive, const std::string& manifestPath, const CreateOptions& options,
                  std::FILE* err)
{
    std::string text;
    if (!ReadWholeFile(manifestPath, &text))
    {
        Complain(err, "cannot read manifest " + SystemReason(manifestPath));
        return kTabpackFailure;
    }
    const Manifest manifest = ParseManifest(text);
    for (const std::string& error : manifest.Errors)
    {
        Complain(err, manifestPath + ": " + error);
    }
    for (const std::string& warning : manifest.Warnings)
    {
        Warn(err, manifestPath + ": " + warning);
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
    if (!LayOutEntries(manifest, manifestPath, archive, &head, &contents, &archiveSize, err))
    {
        return kTabpackFailure;
    }
    EncodeTabHeader(head.data(), static_cast<uint32_t>(head.size()),
                    options.WriteArchiveSize ? static_cast<uint32_t>(archiveSize) : 0);

    // Judged before a byte is written: what verify would refuse is never made.
    const std::vector<Finding> findings = AuditArchive({head, archiveSize});
    ReportFindings(
        findings, manifestPath,
        [&manifest](uint32_t record) { return "line " + std::to_string(manifest.Entries[record - 1].Line); },
        err);
    if (HasRefusal(findings))
    {
        Complain(err, "nothing written: " + Quoted(archive) + " would not be sound");
        return kTabpackFailure;
    }
    if (!options.SignWith.empty())
    {
        const auto writeUnsigned = [&](const std::string& path) {
            return WriteArchive(path, head, contents, err);
        };
        return WriteSignedArchive(archive, options.SignWith, writeUnsigned, err) ? kTabpackSuccess
                                                                                 : kTabpackFailure;
    }
    return WriteArchive(archive, head, contents, err) ? kTabpackSuccess : kTabpackFailure;
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
    WriteReportHeading(writer, NameOfPath(archive).c_str(), shown, static_cast<uint32_t>(image.FileSize));
    // Every used record as it stands; judging them is verify's work.
    for (uint32_t i = 0; i < fields.RecordCount; ++i)
    {
        const uint8_t* record = image.Bytes.data() + kArchiveHeaderLength + i * kFileRecordLength;
        if (!IsUnusedRecord(record))
        {
            WriteReportRecord(writer, record, convert);
        }
    }
    ListSignature(image, out);
    return kTabpackSuccess;
}

int VerifyArchive(const std::string& archive, const std::string& publicKey, std::FILE* out, std::FILE* err)
{
    PublicPoint key = {};
    std::string why;
    if (!publicKey.empty() && !ReadPublicKeyFile(publicKey, &key, &why))
    {
        Complain(err, "cannot read the public key: " + why);
        return kTabpackFailure;
    }
    FileFacts facts = {};
    FilePointer file = OpenFile(archive, "rb");
    if (!ReadFileFacts(archive, &facts, &why) || !file)
    {
        Complain(err, "cannot read archive " + (why.empty() ? SystemReason(archive) : why));
        return kTabpackFailure;
    }
    return VerifyOpenArchive(archive, file.get(), facts.Size, publicKey.empty() ? nullptr : &key, out, err);
}

int VerifyOpenArchive(const std::string& archive, std::FILE* file, uint64_t fileSize, const PublicPoint* key,
                      std::FILE* out, std::FILE* err)
{
    ArchiveImage image;
    if (!LoadArchiveImage(file, fileSize, &image))
    {
        Complain(err, "cannot read archive " + SystemReason(archive));
        return kTabpackFailure;
    }
    std::vector<Finding> findings = AuditArchive(image);
    TabHeader fields = {};
    SignatureAudit signature;
    // The signature needs the records; without them the audit has refused.
    if (CheckHeaderBesidesSize(image, &fields) == HeaderVerdict::Sound && HoldsRecordBlock(image, fields))
    {
        signature = AuditSignature(archive, file, image, key);
        findings.insert(findings.end(), signature.Findings.begin(), signature.Findings.end());
    }
    for (const Finding& finding : findings)
    {
        std::fprintf(out, "%s: %s%s\n", archive.c_str(),
                     finding.Level == Severity::Warning ? "warning: " : "",
                     DescribeFinding(finding, RecordNumberLabel).c_str());
    }
    if (HasRefusal(findings))
    {
        return kTabpackFailure;
    }
    if (!signature.Summary.empty())
    {
        std::fprintf(out, "%s: %s\n", archive.c_str(), signature.Summary.c_str());
    }
    std::fprintf(out, "%s: sound, %u file records, %s bytes\n", archive.c_str(),
                 static_cast<unsigned>(fields.RecordCount), std::to_string(image.FileSize).c_str());
    return kTabpackSuccess;
}

int PlanArchive(const std::string& archive, const std::string& root, std::FILE* out, std::FILE* err)
{
    ArchiveImage image;
    TabHeader fields = {};
    if (!LoadSoundArchive(archive, "nothing planned", &image, &fields, err))
    {
        return kTabpackFailure;
    }
    uint32_t toInstall = 0;
    uint32_t upToDate = 0;
    uint32_t skipped = 0;
    ForEachUsedRecord(image, fields, [&](uint32_t number, const ArchiveEntry& entry) {
        if (!IsKnownDestination(entry.Destination))
        {
            ++skipped;
            std::fprintf(out, "%s %s: skipped: destination %s is not CUR, FON, WIN, SYS or S64\n",
                         RecordNumberLabel(number).c_str(), Quoted(entry.FileName).c_str(),
                         Quoted(PrintableText(entry.Destination)).c_str());
            return true;
        }
        InstalledFile installed = {};
        FileFacts found = {};
        std::string why;
        installed.State =
            ProbeInstalledFile(Join(Join(root, entry.Destination), entry.FileName), &found, &why);
        if (installed.State == InstalledState::Present)
        {
            installed.Size = static_cast<uint32_t>(found.Size); // the launcher reads the low 32 bits
            if (!TicksToTimestamp(found.LastWriteTicks, &installed.LastWrite))
            {
                installed.LastWrite = TabTimestamp{};
            }
        }
        // The very decision the launcher's update step makes.
        const InstallDecision decision =
            DecideEntryInstall(entry.InstallType, installed, entry.Timestamp, entry.Size);
        ++(decision.Install ? toInstall : upToDate);
        std::fprintf(out, "%s\n", PlanLine(entry, installed, decision, why).c_str());
        return true;
    });
    std::fprintf(out, "%s: %u to install, %u up to date, %u skipped\n", archive.c_str(), toInstall, upToDate,
                 skipped);
    return kTabpackSuccess;
}

int ExtractArchive(const std::string& archive, const std::string& folder, std::FILE* out, std::FILE* err)
{
    ArchiveImage image;
    TabHeader fields = {};
    if (!LoadSoundArchive(archive, "nothing extracted", &image, &fields, err))
    {
        return kTabpackFailure;
    }
    std::string why;
    FilePointer input = OpenFile(archive, "rb");
    if (!input)
    {
        Complain(err, "cannot read archive " + SystemReason(archive));
        return kTabpackFailure;
    }
    if (!MakeDirectory(folder, &why))
    {
        Complain(err, "cannot create folder " + why);
        return kTabpackFailure;
    }
    const bool extracted = ForEachUsedRecord(image, fields, [&](uint32_t number, const ArchiveEntry& entry) {
        const std::string label = RecordNumberLabel(number);
        if (ReadEntryName(entry.Destination) != NameReading::Bare)
        {
            // The launcher skips such an entry as one of an unknown destination.
            Warn(err, archive + ": " + label + " skipped: destination " +
                          Quoted(PrintableText(entry.Destination)) + " is not a folder name");
            return true;
        }
        if (!ExtractEntry(input.get(), entry, folder, &why))
        {
            Complain(err, "cannot extract " + label + " of " + Quoted(archive) + ": " + why);
            return false;
        }
        std::fprintf(out, "%s\n", Join(Join(folder, entry.Destination), entry.FileName).c_str());
        return true;
    });
    return extracted ? kTabpackSuccess : kTabpackFailure;
}
