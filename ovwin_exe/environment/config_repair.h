// Repairs of the configuration locations that fail their checks: each opens
// its location up to Everyone and the Administrators group. They run only
// once the process holds administrator rights.
#pragma once

// The company key and its "Launcher" subkey: false when the company key
// could not be opened or created.
bool UpdateConfigRegistry();

// The program-data folder.
void UpdateConfigAppData();

// The cache's parent folders and the legacy settings files in it.
void UpdateCacheFolder();
