// The processor's brand string, read with the CPUID instruction.
#pragma once

#include <cstddef>

// Writes the brand text (up to 48 characters, as the processor gives it,
// leading spaces included) into destination; empty when the processor offers
// none or the instruction is not available to this build.
void ReadCpuBrand(char* destination, std::size_t capacity);
