// The per-user data folder of the application and the files kept in it.
#pragma once

// Copies a legacy settings file (a bare name) from the Windows folder into
// the cache's parent folder unless a copy is there already. The original
// stays in place.
void RelocateFile(const char* fileName);
