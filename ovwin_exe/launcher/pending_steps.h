// Steps of the start-up whose subsystems are not built yet. Each is a named
// call that does nothing and reports what a step with nothing to do would;
// it leaves this file when its subsystem is built.
#pragma once

#include <cstdint>

// Backups of installed files, into the named backup folder set.
void PrepareForBackup(const char* backupFolderName);

// Installation of the package archive's entries (INSTALL_BY_TYPE or INSTALL_REPLACE).
void InstallTABFile(uint32_t mode);
extern bool AllReplaced;

// Runtime dependencies and COM assemblies.
void InstallRedistFiles();
void InstallCOMFiles();
