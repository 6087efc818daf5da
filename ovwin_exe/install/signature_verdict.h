// Whether a workstation that is configured with a public key accepts an
// archive, and the one line that says why it does not: every check that
// needs no cryptography, and the lines of those that do.
#pragma once

#include "install/archive_signature.h"

#include <cstdint>

enum class SignatureRefusal
{
    None,
    KeyValueUnreadable, // the launcher key's "ArchivePublicKey" could not be read
    KeyValueWrongType,  // it is not REG_BINARY
    KeyValueWrongSize,  // it does not hold 64 bytes
    Unsigned,
    MalformedBlock,
    OtherKey,
    TableInsideRecordBlock,
    TableOutsideFile,
    TableOverlapsContents,
    TableUnreadable,
    SignatureMismatch, // the archive was changed after signing, or signed over other bytes
    CryptoFailure,     // a CNG call failed
};

struct SignatureVerdict
{
    SignatureRefusal Refusal = SignatureRefusal::None;
    uint8_t ConfiguredKeyId[kKeyIdLength] = {};
    uint8_t ArchiveKeyId[kKeyIdLength] = {};
    uint32_t RecordNumber = 0; // from 1, of contents that reach into the table
    uint32_t TableOffset = 0;
    uint64_t TableLength = 0;
    uint64_t FileSize = 0;
    uint32_t ValueType = 0; // of the registry value
    uint32_t ValueSize = 0;
    const char* FailedCall = ""; // the CNG call or the read that failed
    uint32_t Status = 0;         // its NTSTATUS, or the Win32 error of a read
};

// What a public key value of this registry type and size is; None when it
// is a usable one.
[[nodiscard]] SignatureRefusal JudgePublicKeyValue(uint32_t type, uint32_t size);

// The checks before any cryptography, in the order the launcher makes them:
// the block, the signer's key id against the configured one, the table's
// place. Fills block when the archive carries one.
[[nodiscard]] SignatureVerdict CheckSignedLayout(const uint8_t* headerAndRecords, uint32_t headerSize,
                                                 uint64_t fileSize, const uint8_t* configuredKeyId,
                                                 SignatureBlock* block);

// Writes the verdict's line: a debug line for an archive that verified, an
// error line saying why for one that is refused. description is the error
// description of Status for the refusals of a failed call.
void LogSignatureVerdict(const SignatureVerdict& verdict, const char* archiveName, const char* description);
