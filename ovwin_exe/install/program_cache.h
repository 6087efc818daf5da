// The per-user cache of the main program's files. A launcher that runs from
// another drive than Windows (an administrator's share, typically) has the
// main program and its companions copied into "_tcache1" below the cache's
// parent folder, and the files of its "tpe" subfolder into "_tcache1\tpe";
// a copy is refreshed when its source differs in size or in its time to the
// minute, and keeps the source's time. The preload start only touches them.
#pragma once

// Copies what changed into the cache: true when the cache is in use (the
// launcher is not on the Windows drive), false, with nothing done, when it
// is. Failed copies are logged one by one and do not change the result.
[[nodiscard]] bool InstallVErozarFiles();

// The same for every entry of the launcher's "tpe" subfolder; nothing when
// the launcher is on the Windows drive.
void InstallTPEFiles();

// Opens, reads the size and time of, and closes each program file, or each
// entry of the "tpe" subfolder, in the launcher's folder; nothing is kept.
void TouchVErozarFiles();
void TouchTPEFiles();
void TouchFile(const char* path);

// Copies source over destination unless the destination is a readable copy
// of the same size and time to the minute. A source that cannot be opened
// leaves a readable copy alone, without a line; with no readable copy the
// copy is tried, and its failure logged, all the same.
void CheckToInstallDifferentFile(const char* source, const char* destination);
