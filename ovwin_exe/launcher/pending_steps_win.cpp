#include "launcher/pending_steps.h"

bool AllReplaced = true;

void PrepareForBackup(const char*) {}

void InstallTABFile(uint32_t) {}

void InstallRedistFiles() {}

void InstallCOMFiles() {}
