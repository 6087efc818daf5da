// Steps of the start-up whose subsystems are not built yet. Each is a named
// call that does nothing and reports what a step with nothing to do would;
// it leaves this file when its subsystem is built.
#pragma once

#include <cstdint>

// Runtime dependencies and COM assemblies.
void InstallRedistFiles();
void InstallCOMFiles();
