// The COM assemblies the main program uses: the libraries of the
// launcher's "redist" folder, kept installed and registered in the 32-bit
// system folder (System32 on 32-bit Windows). A library that is missing
// there, or older by file version, is copied in and registered with the
// registration utility "UTL\DoziZUZ.exe" beside the launcher, after the
// older copy has been backed up, unregistered and deleted. Installing
// needs administrator rights.
#pragma once

// The step of the standard start. In repair mode every library is
// installed again, whatever its version. Every failure is logged; one
// library's failure never stops the next.
void InstallCOMFiles(bool repairMode);

// Compares one library of the source folder with the installed copy and
// installs it when it is missing or older (or in repair mode). Both
// folders end with a backslash.
void CheckComponent(const char* fileName, const char* sourceFolder, const char* destinationFolder,
                    const char* utilityPath, bool repairMode);

// Copies the library to its destination and registers it; an installed
// (older) copy is unregistered and deleted first.
void InstallComponent(const char* productName, const char* sourcePath, const char* destinationPath,
                      const char* utilityPath, bool installed);
