// The launcher's check of a signed archive through CNG, on archives tabpack
// signed with OpenSSL (data\signed.tab, keys data\signer.pub and
// data\other.pub): what verifies, what each change after signing is refused
// for, the digests handed on to the copy, the lines, and the key value.
#include "diagnostics/log.h"
#include "foundation/win32_owners_win.h"
#include "install/archive_public_key_win.h"
#include "install/archive_signature_win.h"
#include "launcher/launcher_key.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;
using FileHandle = Owner<InvalidEmptyTraits<CloseHandle>>;

Bytes ReadData(const char* name)
{
    std::ifstream file(std::string("data\\") + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t HeaderSizeOf(const Bytes& archive)
{
    return ReadLittleEndian32(archive.data() + 10);
}

uint32_t TableOffsetOf(const Bytes& archive)
{
    return ReadLittleEndian32(archive.data() + 22);
}

// Checks the archive as the launcher has it: written to path, open
// unshared, its header and records read.
SignedArchive VerifyAt(const std::string& path, const Bytes& archive, const uint8_t* key)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    const FileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file);
    SignedArchive checked = VerifyTABSignature(file.Get(), archive.data(), HeaderSizeOf(archive), key);
    return checked;
}

class ArchiveSignature : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        signed_ = ReadData("signed.tab");
        signer_ = ReadData("signer.pub");
        other_ = ReadData("other.pub");
        ASSERT_GT(signed_.size(), 100u) << "data\\signed.tab is missing: the build makes it";
        ASSERT_EQ(signer_.size(), kArchiveKeyLength);
        ASSERT_EQ(other_.size(), kArchiveKeyLength);
        path_ = folder_ + "archive.tab";
    }
    void TearDown() override
    {
        DeleteFileA(path_.c_str());
        WinLogTest::TearDown();
    }

    SignedArchive Verify(const Bytes& archive, const Bytes& key)
    {
        return VerifyAt(path_, archive, key.data());
    }

    Bytes signed_;
    Bytes signer_;
    Bytes other_;
    std::string path_;
};

Bytes Flipped(Bytes archive, std::size_t at)
{
    archive[at] ^= 1;
    return archive;
}
} // namespace

TEST_F(ArchiveSignature, ASignedArchiveVerifiesAndHandsOnTheDigestsOfItsContents)
{
    const SignedArchive checked = Verify(signed_, signer_);
    ASSERT_EQ(checked.Verdict.Refusal, SignatureRefusal::None);
    ASSERT_TRUE(checked.Digests);

    // One digest a record: the SHA-256 of a used record's contents, fed in
    // pieces as the copy feeds it, and zeros for an unused one.
    const uint32_t records = (HeaderSizeOf(signed_) - 100) / 100;
    int used = 0;
    for (uint32_t i = 0; i < records; ++i)
    {
        ArchiveEntry entry = {};
        ReadRecordFields(signed_.data() + 100 + 100 * i, &entry);
        uint8_t digest[kSha256Length] = {};
        if (entry.FileName[0] != '\0')
        {
            Sha256Stream stream;
            ASSERT_FALSE(stream.Start().Failed());
            const uint32_t half = entry.Size / 2;
            ASSERT_FALSE(stream.Add(signed_.data() + entry.DataOffset, half).Failed());
            ASSERT_FALSE(stream.Add(signed_.data() + entry.DataOffset + half, entry.Size - half).Failed());
            ASSERT_FALSE(stream.Finish(digest).Failed());
            ++used;
        }
        EXPECT_EQ(std::memcmp(checked.Digests.Get() + i * kSha256Length, digest, kSha256Length), 0) << i;
    }
    EXPECT_EQ(used, 2);

    ForgetLines();
    ReportSignatureVerdict(checked.Verdict, kArchiveName);
    char keyId[kKeyIdTextCapacity];
    FormatKeyId(signed_.data() + 90, keyId);
    EXPECT_TRUE(HasDebugLine("DEBUG    VerifyTABSignature: Archive \"verozar0.dll\" is signed by key " +
                             std::string(keyId) + "; signature verified."));
    EXPECT_EQ(ErrorCount, 0u);
}

TEST_F(ArchiveSignature, EveryChangeAfterSigningIsRefusedForWhatItIs)
{
    const std::size_t table = TableOffsetOf(signed_);
    Bytes truncated(signed_.begin(), signed_.end() - 1);
    Bytes unsignedArchive(signed_.begin(), signed_.begin() + static_cast<std::ptrdiff_t>(table));
    std::memset(unsignedArchive.data() + 18, 0, 82);
    Bytes intoContents = signed_;
    WriteLittleEndian32(intoContents.data() + 22, ReadLittleEndian32(signed_.data() + 100 + 60) + 1);

    struct Case
    {
        const char* change;
        Bytes archive;
        const Bytes& key;
        SignatureRefusal refusal;
    };
    const Case cases[] = {
        {"a signature byte", Flipped(signed_, 40), signer_, SignatureRefusal::SignatureMismatch},
        {"ArchiveSize", Flipped(signed_, 14), signer_, SignatureRefusal::SignatureMismatch},
        {"a record's install rule", Flipped(signed_, 100 + 84), signer_, SignatureRefusal::SignatureMismatch},
        {"a digest", Flipped(signed_, table + 3), signer_, SignatureRefusal::SignatureMismatch},
        {"the other key", signed_, other_, SignatureRefusal::OtherKey},
        {"the table cut short", truncated, signer_, SignatureRefusal::TableOutsideFile},
        {"the table moved into the contents", intoContents, signer_, SignatureRefusal::TableOverlapsContents},
        {"the block's closing bytes", Flipped(signed_, 98), signer_, SignatureRefusal::MalformedBlock},
        {"no signature", unsignedArchive, signer_, SignatureRefusal::Unsigned},
    };
    for (const Case& c : cases)
    {
        const SignedArchive checked = Verify(c.archive, c.key);
        EXPECT_EQ(checked.Verdict.Refusal, c.refusal) << c.change;
        EXPECT_FALSE(checked.Digests) << c.change; // nothing is handed on from a refused archive
    }

    // The contents are not read: changed ones verify, and their digest tells.
    const uint32_t contents = ReadLittleEndian32(signed_.data() + 100 + 60);
    const SignedArchive checked = Verify(Flipped(signed_, contents), signer_);
    ASSERT_EQ(checked.Verdict.Refusal, SignatureRefusal::None);
    uint8_t digest[kSha256Length];
    const Bytes changed = Flipped(signed_, contents);
    ASSERT_FALSE(
        Sha256Of(changed.data() + contents, ReadLittleEndian32(signed_.data() + 100 + 64), digest).Failed());
    EXPECT_NE(std::memcmp(checked.Digests.Get(), digest, kSha256Length), 0);
}

TEST_F(ArchiveSignature, RefusalLinesNameTheKeysAndDescribeFailedCalls)
{
    const SignedArchive mismatch = Verify(Flipped(signed_, 40), signer_);
    const SignedArchive other = Verify(signed_, other_);
    SignatureVerdict failed = mismatch.Verdict;
    failed.Refusal = SignatureRefusal::CryptoFailure;
    failed.FailedCall = "BCryptImportKeyPair";
    failed.Status = 0xC000000Du; // STATUS_INVALID_PARAMETER
    SignatureVerdict unreadable = mismatch.Verdict;
    unreadable.Refusal = SignatureRefusal::TableUnreadable;
    unreadable.Status = ERROR_HANDLE_EOF;

    ForgetLines();
    for (const SignatureVerdict& verdict : {mismatch.Verdict, other.Verdict, failed, unreadable})
    {
        ReportSignatureVerdict(verdict, kArchiveName);
    }
    char signer[kKeyIdTextCapacity];
    char otherId[kKeyIdTextCapacity];
    FormatKeyId(mismatch.Verdict.ConfiguredKeyId, signer);
    FormatKeyId(other.Verdict.ConfiguredKeyId, otherId);
    const std::string refused = "ERROR !!  VerifyTABSignature: Refused archive \"verozar0.dll\"; ";
    const std::vector<std::string> lines = ErrorLines();
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], refused + "its signature does not verify with key " + signer +
                            ": the archive was changed after it was signed.");
    EXPECT_EQ(lines[1], refused + "it is signed by key " + signer +
                            ", and this workstation installs only archives signed by key " + otherId + ".");
    // The system has no text for most NTSTATUS codes: the description says
    // so, and its own line comes first.
    EXPECT_EQ(lines[2], "ERROR !!  FormatErrorString: Failed to retrieve formatted error description.");
    EXPECT_EQ(lines[3], refused + "BCryptImportKeyPair failed; [NTSTATUS 0xc000000d/C0013] Unknown Error");
    EXPECT_EQ(lines[4].rfind(refused + "could not read its digest table; [WIN32 0x00000026/C0038] ", 0), 0u)
        << lines[4];
}

namespace
{
class ArchivePublicKeyValue : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        FormatLauncherKeyPath(keyPath_, sizeof(keyPath_));
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, keyPath_, KEY_WOW64_64KEY, 0);
    }
    void TearDown() override
    {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, keyPath_, KEY_WOW64_64KEY, 0);
        WinLogTest::TearDown();
    }

    void SetValue(DWORD type, const Bytes& data)
    {
        RegistryKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath_, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.Get(), "ArchivePublicKey", 0, type, data.data(),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    // Runs a command line to its end; its exit code.
    static DWORD Run(std::string commandLine)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started = {};
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &started))
        {
            return GetLastError();
        }
        const KernelHandle process(started.hProcess);
        const KernelHandle thread(started.hThread);
        WaitForSingleObject(process.Get(), INFINITE);
        DWORD exitCode = 1;
        GetExitCodeProcess(process.Get(), &exitCode);
        return exitCode;
    }

    char keyPath_[kRegistryPathCapacity] = "";
};
} // namespace

TEST_F(ArchivePublicKeyValue, AbsentChangesNothingAndOnlyABinaryValueOfSixtyFourBytesIsAKey)
{
    EXPECT_EQ(ReadArchivePublicKey(keyPath_).Setting, PublicKeySetting::NotConfigured); // no launcher key
    const Bytes point = ReadData("signer.pub");
    ASSERT_EQ(point.size(), kArchiveKeyLength);

    SetValue(REG_BINARY, point);
    ArchivePublicKey key = ReadArchivePublicKey(keyPath_);
    ASSERT_EQ(key.Setting, PublicKeySetting::Configured);
    EXPECT_EQ(Bytes(key.Point, key.Point + kArchiveKeyLength), point);

    struct Case
    {
        DWORD type;
        Bytes data;
        SignatureRefusal refusal;
        uint32_t reportedSize;
    };
    const Case cases[] = {
        {REG_BINARY, Bytes(point.begin(), point.end() - 1), SignatureRefusal::KeyValueWrongSize, 63},
        {REG_BINARY, Bytes(100, 7), SignatureRefusal::KeyValueWrongSize, 100}, // longer than the buffer
        {REG_BINARY, Bytes(), SignatureRefusal::KeyValueWrongSize, 0},
        {REG_SZ, Bytes(64, 'a'), SignatureRefusal::KeyValueWrongType, 64},
        {REG_DWORD, Bytes(4, 1), SignatureRefusal::KeyValueWrongType, 4},
    };
    for (const Case& c : cases)
    {
        SetValue(c.type, c.data);
        key = ReadArchivePublicKey(keyPath_);
        EXPECT_EQ(key.Setting, PublicKeySetting::Unusable) << c.reportedSize;
        EXPECT_EQ(key.Problem.Refusal, c.refusal) << c.reportedSize;
        EXPECT_EQ(key.Problem.ValueType, c.type) << c.reportedSize;
        EXPECT_EQ(key.Problem.ValueSize, c.reportedSize);
    }
    EXPECT_TRUE(ErrorLines().empty()); // reading writes no line: the refusal does

    RegistryKey launcherKey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            launcherKey.Receive()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(launcherKey.Get(), "ArchivePublicKey"), ERROR_SUCCESS);
    EXPECT_EQ(ReadArchivePublicKey(keyPath_).Setting,
              PublicKeySetting::NotConfigured); // a key without the value
}

TEST_F(ArchivePublicKeyValue, TheRegistryFileTabpackWritesSetsTheKeyItWasMadeFor)
{
    ASSERT_EQ(Run("reg.exe import data\\signer.pub.reg"), 0u);
    const ArchivePublicKey key = ReadArchivePublicKey(keyPath_);
    ASSERT_EQ(key.Setting, PublicKeySetting::Configured);
    EXPECT_EQ(Bytes(key.Point, key.Point + kArchiveKeyLength), ReadData("signer.pub"));
    const std::string path = folder_ + "archive.tab";
    EXPECT_EQ(VerifyAt(path, ReadData("signed.tab"), key.Point).Verdict.Refusal, SignatureRefusal::None);
    DeleteFileA(path.c_str());
}
