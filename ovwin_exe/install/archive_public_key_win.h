// The public key a workstation accepts archives from: the launcher key's
// value "ArchivePublicKey", REG_BINARY, the 64 bytes X||Y of a P-256 point.
#pragma once

#include "install/signature_verdict.h"

#include <cstdint>

enum class PublicKeySetting
{
    NotConfigured, // neither the key nor the value exists: archives are installed unchecked
    Configured,
    Unusable, // present but of the wrong type or size, or unreadable: every archive is refused
};

struct ArchivePublicKey
{
    PublicKeySetting Setting = PublicKeySetting::NotConfigured;
    uint8_t Point[kArchiveKeyLength] = {};
    SignatureVerdict Problem; // why an unusable key refuses the archive
};

// Reads the value below HKEY_LOCAL_MACHINE in the 64-bit view. Writes no
// line: a key that is not configured changes nothing, and an unusable one
// is reported with the refusal of the archive (ReportSignatureVerdict).
[[nodiscard]] ArchivePublicKey ReadArchivePublicKey(const char* launcherKeyPath);
