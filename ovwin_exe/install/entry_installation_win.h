// One archive entry brought to its place: judged against the installed file
// by its rule, then copied out of the open archive.
#pragma once

#include "install/tab_format.h"

#include <windows.h>

#include <cstdint>

// 1 when the entry needs nothing or was installed; 0 when installing it
// failed or the rights to install it are missing. A file found in place is
// deleted before the copy. signedDigest as for InstallEntry.
[[nodiscard]] int32_t CheckToInstallEntry(const ArchiveEntry& entry, const char* destinationPath,
                                          HANDLE archive, uint32_t installType, const uint8_t* signedDigest);

// Copies the entry's stored bytes from the archive to the destination,
// replacing any file there, and stamps it with the entry's time (UTC) as
// its last-write time. 1 when copied; 0 when not, with nothing left at the
// destination. signedDigest: the SHA-256 a verified archive's signature
// vouches for, which the copied bytes must have, or null for an archive
// that was not checked.
[[nodiscard]] int32_t InstallEntry(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive,
                                   const uint8_t* signedDigest);
