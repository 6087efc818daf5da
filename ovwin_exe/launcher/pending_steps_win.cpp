#include "launcher/pending_steps.h"

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
