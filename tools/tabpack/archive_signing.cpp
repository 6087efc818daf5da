#include "archive_signing.h"

#include "registry_file.h"
#include "tabpack_commands.h"
#include "tabpack_platform.h"

#include <cerrno>
#include <cstring>

namespace
{
constexpr std::size_t kChunk = 64 * 1024;

void Complain(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "tabpack: %s\n", text.c_str());
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string ErrnoReason(const std::string& path)
{
    return Quoted(path) + ": " + std::strerror(errno);
}

std::string KeyIdText(const uint8_t* keyId)
{
    char text[kKeyIdTextCapacity];
    FormatKeyId(keyId, text);
    return text;
}

bool KeyIdOf(const PublicPoint& key, uint8_t* keyId)
{
    Sha256 hash;
    hash.Add(key.data(), key.size());
    Sha256Digest digest = {};
    if (!hash.Finish(&digest))
    {
        return false;
    }
    std::memcpy(keyId, digest.data(), kKeyIdLength);
    return true;
}

// Writes what it is given to a file and remembers a failed write.
class FileSink : public ByteSink
{
  public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    void Add(const uint8_t* bytes, std::size_t length) override
    {
        written = written && std::fwrite(bytes, 1, length, file_) == length;
    }

    bool written = true;

  private:
    std::FILE* file_;
};

// Gives the length bytes at offset to sink, a chunk at a time; false when
// the file ends or fails first.
bool ReadRange(std::FILE* file, uint64_t offset, uint64_t length, ByteSink& sink)
{
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
    {
        return false;
    }
    // Most entries are small: a chunk no larger than the entry.
    std::vector<uint8_t> chunk(static_cast<std::size_t>(length < kChunk ? length : kChunk));
    while (length > 0)
    {
        const std::size_t want = length < kChunk ? static_cast<std::size_t>(length) : kChunk;
        if (std::fread(chunk.data(), 1, want, file) != want)
        {
            return false;
        }
        sink.Add(chunk.data(), want);
        length -= want;
    }
    return true;
}

const uint8_t* RecordOf(const ArchiveImage& image, uint32_t index)
{
    return image.Bytes.data() + kArchiveHeaderLength + index * kFileRecordLength;
}

// The digest a record's table entry holds: zeros for an unused record, the
// SHA-256 of the contents for a used one. False when they cannot be read.
bool DigestOfRecord(std::FILE* file, const uint8_t* record, Sha256Digest* digest)
{
    *digest = Sha256Digest{};
    if (IsUnusedRecord(record))
    {
        return true;
    }
    ArchiveEntry entry = {};
    ReadRecordFields(record, &entry);
    Sha256 hash;
    return ReadRange(file, entry.DataOffset, entry.Size, hash) && hash.Finish(digest);
}

bool ReadWholeTable(std::FILE* file, uint32_t offset, std::vector<uint8_t>* table)
{
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(table->data(), 1, table->size(), file) == table->size();
}

// Where the contents end, and with them the bytes sign keeps: the file's
// end, or for an archive signed before, the start of its table, which
// must then be the last thing in the file.
bool ContentsEnd(const ArchiveImage& image, uint32_t headerSize, uint64_t* end, std::string* why)
{
    SignatureBlock block = {};
    switch (ParseSignatureBlock(image.Bytes.data(), &block))
    {
        case SignatureBlockVerdict::Unsigned:
            *end = image.FileSize;
            return true;
        case SignatureBlockVerdict::Malformed:
            *why = "its signature block is malformed (bytes 98 and 99 are not zero)";
            return false;
        case SignatureBlockVerdict::Signed:
            break;
    }
    const DigestTableCheck place =
        CheckDigestTablePlace(image.Bytes.data(), headerSize, image.FileSize, block.DigestTableOffset);
    if (place.Place != DigestTablePlace::Sound ||
        block.DigestTableOffset + DigestTableLength(headerSize) != image.FileSize)
    {
        *why = "its digest table is not at the end of the file, where a new one would replace it";
        return false;
    }
    *end = block.DigestTableOffset;
    return true;
}

// Signs the archive at source into a new file beside target, which then
// takes target's place; source may be target.
bool SignInto(const std::string& source, const std::string& target, const SigningKey& key, std::FILE* err)
{
    ArchiveImage image;
    FileFacts facts = {};
    if (!LoadArchive(source, &image, &facts, err))
    {
        return false;
    }
    if (HasRefusal(AuditArchive(image)))
    {
        Complain(err, "nothing signed: " + Quoted(source) + " is not sound (tabpack verify says why)");
        return false;
    }
    TabHeader fields = {};
    CheckHeaderBesidesSize(image, &fields);
    uint64_t contentsEnd = 0;
    std::string why;
    if (!ContentsEnd(image, fields.HeaderSize, &contentsEnd, &why))
    {
        Complain(err, "nothing signed: " + Quoted(source) + ": " + why);
        return false;
    }
    std::vector<uint8_t> table(static_cast<std::size_t>(DigestTableLength(fields.HeaderSize)));
    const uint64_t signedSize = contentsEnd + table.size();
    if (signedSize >= kArchiveSizeLimit)
    {
        Complain(err, "nothing signed: with its digest table " + Quoted(source) +
                          " would reach 2 GiB, which the launcher cannot read");
        return false;
    }

    FilePointer input(std::fopen(source.c_str(), "rb"));
    for (uint32_t i = 0; input && i < fields.RecordCount; ++i)
    {
        Sha256Digest digest = {};
        if (!DigestOfRecord(input.get(), RecordOf(image, i), &digest))
        {
            Complain(err, "nothing signed: cannot hash the contents of record " + std::to_string(i + 1) +
                              " of " + Quoted(source));
            return false;
        }
        std::memcpy(table.data() + i * kSha256Length, digest.data(), kSha256Length);
    }
    if (!input)
    {
        Complain(err, "cannot read archive " + ErrnoReason(source));
        return false;
    }

    std::vector<uint8_t> head(image.Bytes.begin(), image.Bytes.begin() + fields.HeaderSize);
    EncodeTabHeader(head.data(), fields.HeaderSize,
                    fields.ArchiveSize == 0 ? 0 : static_cast<uint32_t>(signedSize));
    SignatureBlock block = {};
    block.DigestTableOffset = static_cast<uint32_t>(contentsEnd);
    Sha256 hash;
    Sha256Digest digest = {};
    SignatureValue signature = {};
    if (!KeyIdOf(key.Public(), block.KeyId))
    {
        Complain(err, "nothing signed: cannot hash the public key");
        return false;
    }
    EncodeSignatureBlock(block, head.data());
    FeedSignedBytes(head.data(), fields.HeaderSize, table.data(), table.size(), hash);
    if (!hash.Finish(&digest) || !key.Sign(digest, &signature, &why))
    {
        Complain(err, "nothing signed: " + (why.empty() ? std::string("cannot hash the signed bytes") : why));
        return false;
    }
    std::memcpy(block.Signature, signature.data(), signature.size());
    EncodeSignatureBlock(block, head.data());

    FileBeside beside = CreateFileBeside(target);
    if (!beside.File)
    {
        Complain(err, "cannot create a new file beside the archive: " + beside.Why);
        return false;
    }
    FileSink output(beside.File.get());
    output.Add(head.data(), head.size());
    const bool copied = ReadRange(input.get(), fields.HeaderSize, contentsEnd - fields.HeaderSize, output);
    output.Add(table.data(), table.size());
    input.reset(); // Windows renames nothing over an open file
    const bool closed = std::fclose(beside.File.release()) == 0;
    if (copied && output.written && closed && MoveIntoPlace(beside.Path, target, &why))
    {
        return true;
    }
    std::remove(beside.Path.c_str());
    Complain(err, "could not sign the archive: " +
                      (!copied       ? Quoted(source) + " changed while it was being signed"
                       : why.empty() ? ErrnoReason(beside.Path)
                                     : why) +
                      "; " + Quoted(target) + " is left as it was");
    return false;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string* why)
{
    FilePointer file(std::fopen(path.c_str(), "wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fclose(file.release()) != 0)
    {
        *why = ErrnoReason(path);
        return false;
    }
    return true;
}

void Refuse(std::vector<Finding>& findings, uint32_t record, const std::string& text)
{
    findings.push_back({Severity::Refusal, record, text, 0});
}

// Every digest of the table against the contents; contents outside the
// file are the audit's to report.
void AuditDigests(std::FILE* file, const ArchiveImage& image, const TabHeader& fields,
                  const std::vector<uint8_t>& table, std::vector<Finding>& findings)
{
    for (uint32_t i = 0; i < fields.RecordCount; ++i)
    {
        const uint8_t* record = RecordOf(image, i);
        ArchiveEntry entry = {};
        ReadRecordFields(record, &entry);
        if (!IsUnusedRecord(record) && static_cast<uint64_t>(entry.DataOffset) + entry.Size > image.FileSize)
        {
            continue;
        }
        Sha256Digest digest = {};
        if (!DigestOfRecord(file, record, &digest))
        {
            Refuse(findings, i + 1, "contents cannot be read to check their digest");
        }
        else if (std::memcmp(digest.data(), table.data() + i * kSha256Length, kSha256Length) != 0)
        {
            Refuse(findings, i + 1,
                   IsUnusedRecord(record) ? "unused, but its digest is not 32 zero bytes"
                                          : "contents do not match their digest");
        }
    }
}

std::string DescribeTablePlace(const DigestTableCheck& place, const SignatureBlock& block,
                               uint64_t tableLength, uint64_t fileSize)
{
    const std::string offset = std::to_string(block.DigestTableOffset);
    switch (place.Place)
    {
        case DigestTablePlace::Sound:
            break;
        case DigestTablePlace::InsideRecordBlock:
            return "digest table at offset " + offset + " lies inside the header and record block";
        case DigestTablePlace::OutsideFile:
            return "digest table (offset " + offset + ", " + std::to_string(tableLength) +
                   " bytes) runs past the end of the file (" + std::to_string(fileSize) + " bytes)";
        case DigestTablePlace::OverlapsContents:
            return "contents overlap the digest table";
    }
    return "";
}
} // namespace

int GenerateKeyFiles(const std::string& privateKey, const std::string& publicKey, std::FILE* out,
                     std::FILE* err)
{
    SigningKey key;
    std::string why;
    uint8_t keyId[kKeyIdLength] = {};
    if (!key.Generate(&why) || !KeyIdOf(key.Public(), keyId))
    {
        Complain(err, "cannot make a key: " + why);
        return kTabpackFailure;
    }
    if (!key.Save(privateKey, &why))
    {
        Complain(err, "nothing written: " + why);
        return kTabpackFailure;
    }
    const std::string registryFile = publicKey + ".reg";
    const std::string point(key.Public().begin(), key.Public().end());
    if (!WriteWholeFile(publicKey, point, &why) ||
        !WriteWholeFile(registryFile, PublicKeyRegistryFile(key.Public().data(), keyId), &why))
    {
        std::remove(privateKey.c_str());
        Complain(err, "nothing kept: " + why);
        return kTabpackFailure;
    }
    std::fprintf(out, "key %s: private key %s, public key %s and %s\n", KeyIdText(keyId).c_str(),
                 privateKey.c_str(), publicKey.c_str(), registryFile.c_str());
    return kTabpackSuccess;
}

int SignArchive(const std::string& archive, const std::string& privateKey, std::FILE* out, std::FILE* err)
{
    SigningKey key;
    std::string why;
    if (!key.Load(privateKey, &why))
    {
        Complain(err, "cannot read the signing key: " + why);
        return kTabpackFailure;
    }
    if (!SignInto(archive, archive, key, err))
    {
        return kTabpackFailure;
    }
    uint8_t keyId[kKeyIdLength] = {};
    (void)KeyIdOf(key.Public(), keyId);
    std::fprintf(out, "%s: signed by key %s\n", archive.c_str(), KeyIdText(keyId).c_str());
    return kTabpackSuccess;
}

bool WriteSignedArchive(const std::string& archive, const std::string& privateKey,
                        const std::function<bool(const std::string&)>& writeUnsigned, std::FILE* err)
{
    SigningKey key;
    std::string why;
    if (!key.Load(privateKey, &why))
    {
        Complain(err, "cannot read the signing key: " + why + "; " + Quoted(archive) + " is left as it was");
        return false;
    }
    FileBeside staging = CreateFileBeside(archive);
    if (!staging.File)
    {
        Complain(err, "cannot create a new file beside the archive: " + staging.Why);
        return false;
    }
    staging.File.reset();
    const bool signedInPlace = writeUnsigned(staging.Path) && SignInto(staging.Path, archive, key, err);
    std::remove(staging.Path.c_str());
    return signedInPlace;
}

bool ReadPublicKeyFile(const std::string& path, PublicPoint* key, std::string* why)
{
    FilePointer file(std::fopen(path.c_str(), "rb"));
    if (!file)
    {
        *why = ErrnoReason(path);
        return false;
    }
    uint8_t bytes[kArchiveKeyLength + 1];
    const std::size_t got = std::fread(bytes, 1, sizeof(bytes), file.get());
    if (got != kArchiveKeyLength)
    {
        *why = Quoted(path) + " is not a public key as keygen writes it (64 bytes)";
        return false;
    }
    std::memcpy(key->data(), bytes, kArchiveKeyLength);
    return true;
}

SignatureAudit AuditSignature(const std::string& archive, std::FILE* file, const ArchiveImage& image,
                              const PublicPoint* key)
{
    SignatureAudit audit;
    std::vector<Finding>& findings = audit.Findings;
    uint8_t wanted[kKeyIdLength] = {};
    if (key != nullptr && !KeyIdOf(*key, wanted))
    {
        Refuse(findings, 0, "cannot hash the public key");
        return audit;
    }
    SignatureBlock block = {};
    switch (ParseSignatureBlock(image.Bytes.data(), &block))
    {
        case SignatureBlockVerdict::Unsigned:
            if (key != nullptr)
            {
                Refuse(findings, 0, "not signed, but --key asks for a signature by key " + KeyIdText(wanted));
            }
            return audit;
        case SignatureBlockVerdict::Malformed:
            Refuse(findings, 0, "signature block is malformed: bytes 98 and 99 are not zero");
            return audit;
        case SignatureBlockVerdict::Signed:
            break;
    }
    const std::string signer = KeyIdText(block.KeyId);
    // Another key's signature is not worth checking against this one.
    const bool otherKey = key != nullptr && std::memcmp(block.KeyId, wanted, kKeyIdLength) != 0;
    if (otherKey)
    {
        Refuse(findings, 0, "signed by key " + signer + ", not by key " + KeyIdText(wanted) + " of --key");
    }
    TabHeader fields = {};
    CheckHeaderBesidesSize(image, &fields);
    const uint64_t tableLength = DigestTableLength(fields.HeaderSize);
    const DigestTableCheck place =
        CheckDigestTablePlace(image.Bytes.data(), fields.HeaderSize, image.FileSize, block.DigestTableOffset);
    if (place.Place != DigestTablePlace::Sound)
    {
        Refuse(findings, place.RecordNumber, DescribeTablePlace(place, block, tableLength, image.FileSize));
        return audit;
    }
    const uint64_t after = image.FileSize - (block.DigestTableOffset + tableLength);
    if (after > 0)
    {
        findings.push_back({Severity::Warning, 0,
                            std::to_string(after) + " bytes after the digest table are not signed", 0});
    }

    std::vector<uint8_t> table(static_cast<std::size_t>(tableLength));
    if (!ReadWholeTable(file, block.DigestTableOffset, &table))
    {
        Refuse(findings, 0, "cannot read the digest table: " + ErrnoReason(archive));
        return audit;
    }
    AuditDigests(file, image, fields, table, findings);

    std::string checked = std::to_string(fields.RecordCount) + " digests";
    if (key != nullptr && !otherKey)
    {
        Sha256 hash;
        Sha256Digest digest = {};
        SignatureValue signature = {};
        std::memcpy(signature.data(), block.Signature, signature.size());
        FeedSignedBytes(image.Bytes.data(), fields.HeaderSize, table.data(), table.size(), hash);
        std::string why;
        const SignatureCheck check = hash.Finish(&digest)
                                         ? VerifyDigestSignature(*key, digest, signature, &why)
                                         : SignatureCheck::Failed;
        if (check == SignatureCheck::Invalid)
        {
            Refuse(findings, 0, "signature does not verify with key " + KeyIdText(wanted));
        }
        else if (check == SignatureCheck::Failed)
        {
            Refuse(findings, 0, "cannot check the signature: " + (why.empty() ? "hashing failed" : why));
        }
        checked = "signature and " + checked + " verified";
    }
    else
    {
        checked += " verified; signature not checked (give --key PUBLIC)";
    }
    audit.Summary = "signed by key " + signer + "; " + checked;
    return audit;
}

void ListSignature(const ArchiveImage& image, std::FILE* out)
{
    SignatureBlock block = {};
    if (ParseSignatureBlock(image.Bytes.data(), &block) == SignatureBlockVerdict::Signed)
    {
        std::fprintf(out, "\nSigned by key %s.\n", KeyIdText(block.KeyId).c_str());
    }
}
