// The check a workstation with a configured public key makes before it
// installs anything from an archive: the signature block, the key id and
// the ECDSA P-256 signature over the header, the records and the digest
// table, through the system's cryptography (CNG). It reads nothing of the
// contents: their digests are handed on for the copy to compare with.
#pragma once

#include "diagnostics/heap_helpers_win.h"
#include "install/sha256_win.h"
#include "install/signature_verdict.h"

#include <windows.h>

#include <cstdint>

struct SignedArchive
{
    SignatureVerdict Verdict;
    // The digest table, 32 bytes a record in record order; allocated only
    // for an archive that verified.
    LoggedHeapBlock<uint8_t> Digests{"pDigestTable"};
};

// Checks the open archive whose first headerSize bytes (header and record
// block) the caller has read, against the 64-byte public key X||Y. Reads
// the file's size and the digest table through the handle, which is left
// anywhere: the caller seeks before it reads again.
[[nodiscard]] SignedArchive VerifyTABSignature(HANDLE archive, const uint8_t* headerAndRecords,
                                               uint32_t headerSize, const uint8_t* publicKey);

// Writes the verdict's one line, with the description of a failed call.
void ReportSignatureVerdict(const SignatureVerdict& verdict, const char* archiveName);

// Verifies an ECDSA P-256 signature r||s over a SHA-256 digest with the
// public key X||Y. A signature that does not match fails with
// STATUS_INVALID_SIGNATURE from "BCryptVerifySignature".
[[nodiscard]] CngOutcome VerifyP256Signature(const uint8_t* publicKey, const uint8_t* digest,
                                             const uint8_t* signature);

constexpr NTSTATUS kStatusInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);

// The key id of a public key X||Y: the first 8 bytes of its SHA-256.
[[nodiscard]] CngOutcome KeyIdOf(const uint8_t* publicKey, uint8_t* keyId);
