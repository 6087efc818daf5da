#include "launcher/launcher_identity.h"

char ModulePath[kPathCapacity];
char WorkingFolder[kPathCapacity];
LibraryVersion LauncherVersion;
