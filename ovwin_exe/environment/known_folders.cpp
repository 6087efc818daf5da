#include "environment/known_folders.h"

KnownFoldersRecord KnownFoldersList;
