#include "launcher/pending_steps.h"

#include "environment/known_folders.h"

bool AllReplaced = true;

bool LoadKnownFoldersList()
{
    return true;
}

void InitConfigLocations(uint32_t) {}

void PrepareForBackup(const char*) {}

void InstallTABFile(uint32_t) {}

void InstallRedistFiles() {}

void InstallCOMFiles() {}

void RegisterFonts() {}

void CreateHelperShortcuts() {}

bool InstallVErozarFiles()
{
    return false;
}

void TouchVErozarFiles() {}

void InstallTPEFiles() {}

void TouchTPEFiles() {}
