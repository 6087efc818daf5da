// What `tabpack verify` judges before an administrator publishes an archive
// comes from anyone's build: its audit, the signature block, the digest
// table and every digest must take arbitrary bytes without a fault. Each
// input is verified as a file read through a stream, as the command reads
// it: an input of even length with the key that signed the seeds, as most
// signed seeds are, so their mutations reach the signature check; one of odd
// length without a key.
#include "tabpack_commands.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
// The public half of a key made for these seeds alone (corpus/*-signed.tab).
constexpr PublicPoint kSeedKey = {
#include "tabpack_verify_seed_key.inc"
};

std::FILE* Discard()
{
    static std::FILE* const sink = std::fopen("/dev/null", "w");
    return sink;
}

// The input as a read-only file; an empty one is /dev/null, which fmemopen
// cannot stand for.
FilePointer OpenInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return FilePointer(std::fopen("/dev/null", "rb"));
    }
    return FilePointer(fmemopen(const_cast<uint8_t*>(data), size, "rb"));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FilePointer file = OpenInput(data, size);
    if (!file || Discard() == nullptr)
    {
        std::abort(); // the harness itself failed: no verdict would mean anything
    }
    const PublicPoint* key = size % 2 == 0 ? &kSeedKey : nullptr;
    static_cast<void>(VerifyOpenArchive("fuzzed.tab", file.get(), size, key, Discard(), Discard()));
    return 0;
}
