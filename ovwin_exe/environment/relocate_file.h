// Settings files of earlier versions, kept in the Windows folder, move to
// the per-user folder that holds the cache.
#pragma once

// Copies a legacy settings file (a bare name) from the Windows folder into
// the cache's parent folder unless a copy is there already. The original
// stays in place.
void RelocateFile(const char* fileName);

// The three legacy settings files, "ovwin.ini", "rerodedu.ini" and
// "ovwin.var", in this order.
void RelocateLegacySettingsFiles();
