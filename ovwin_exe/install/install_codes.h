// Install rules of archive entries, modes of the installation step and
// backup kinds: one number space, 101 to 110.
#pragma once

#include <cstdint>

constexpr uint32_t INSTALL_DIFFERENT = 101;      // when time or size differ
constexpr uint32_t INSTALL_NEWER = 102;          // when the entry is newer
constexpr uint32_t INSTALL_ALWAYS = 103;         // every time
constexpr uint32_t INSTALL_BY_TYPE = 104;        // mode: by each entry's rule
constexpr uint32_t INSTALL_REPLACE = 105;        // mode: back up and overwrite every entry
constexpr uint32_t BACKUP_CUR = 106;             // backup of a "CUR" entry
constexpr uint32_t BACKUP_WIN = 107;             // of a "WIN" entry
constexpr uint32_t BACKUP_SYS = 108;             // of a "SYS" or "S64" entry
constexpr uint32_t INSTALL_DOES_NOT_EXIST = 109; // only when nothing is installed
constexpr uint32_t BACKUP_FON = 110;             // of a "FON" entry
