#include "sysinfo/cpu_brand.h"

#include "foundation/format_buffer.h"

#include <cstdint>
#include <cstring>

// The compilers reach CPUID by different intrinsics.
#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <intrin.h>
#define OVW_HAS_CPUID 1
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#define OVW_HAS_CPUID 1
#else
#define OVW_HAS_CPUID 0
#endif

namespace
{
constexpr uint32_t kHighestExtendedFunction = 0x80000000u;
constexpr uint32_t kFirstBrandFunction = 0x80000002u;
constexpr uint32_t kLastBrandFunction = 0x80000004u;
constexpr std::size_t kBrandPartBytes = 16;
constexpr std::size_t kBrandBytes = 3 * kBrandPartBytes;

#if OVW_HAS_CPUID
// EAX, EBX, ECX and EDX, in this order.
struct CpuidRegisters
{
    uint32_t value[4];
};

CpuidRegisters Cpuid(uint32_t function)
{
    CpuidRegisters registers = {};
#if defined(_MSC_VER)
    int raw[4] = {};
    __cpuid(raw, static_cast<int>(function));
    std::memcpy(registers.value, raw, sizeof(raw));
#else
    __cpuid(function, registers.value[0], registers.value[1], registers.value[2], registers.value[3]);
#endif
    return registers;
}
#endif
} // namespace

void ReadCpuBrand(char* destination, std::size_t capacity)
{
    char brand[kBrandBytes + 1] = {};
#if OVW_HAS_CPUID
    // Functions past the brand's last part add nothing to it, and a processor
    // without extended functions may answer the first question with noise.
    const uint32_t highest = Cpuid(kHighestExtendedFunction).value[0];
    const uint32_t last = highest < kLastBrandFunction ? highest : kLastBrandFunction;
    for (uint32_t function = kFirstBrandFunction; highest >= kHighestExtendedFunction && function <= last;
         ++function)
    {
        const CpuidRegisters registers = Cpuid(function);
        std::memcpy(brand + (function - kFirstBrandFunction) * kBrandPartBytes, registers.value,
                    kBrandPartBytes);
    }
#endif
    CopyToBuffer(destination, capacity, brand);
}
