// The update step: every entry of the package archive brought to its place.
#pragma once

#include <cstdint>

// INSTALL_BY_TYPE: each entry installed when its rule asks for it.
// INSTALL_REPLACE: each entry's current file backed up, then overwritten.
// An archive that cannot be opened is reported in the error box and
// installs nothing; one failed entry never stops the next. When the
// launcher key (launcherKeyPath, below HKEY_LOCAL_MACHINE) holds
// "ArchivePublicKey", only an archive signed by that key is installed from,
// and only entries whose bytes match their signed digests; any other
// archive is refused as one that cannot be opened.
void InstallTABFile(uint32_t mode, const char* launcherKeyPath);

// True until the replace mode meets an entry it could not back up or copy.
extern bool AllReplaced;
