// Steps of the start-up whose subsystems are not built yet. Each is a named
// call that does nothing and reports what a step with nothing to do would;
// it leaves this file when its subsystem is built.
#pragma once

#include <cstdint>

// Runtime dependencies, COM assemblies, fonts and shortcuts.
void InstallRedistFiles();
void InstallCOMFiles();
void RegisterFonts();
void CreateHelperShortcuts();

// The main program's files in the cache: true when it is to run from there.
[[nodiscard]] bool InstallVErozarFiles();
void TouchVErozarFiles();
void InstallTPEFiles();
void TouchTPEFiles();
