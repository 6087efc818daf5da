#include "launcher/pending_steps.h"

void InstallRedistFiles() {}

void InstallCOMFiles() {}
