// Feeds arbitrary argument texts through the splitter and the parser, in
// blocks of exactly the size the launcher allocates, so that a write past a
// block is caught by the address sanitizer.
#include "launcher/command_line.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // The launcher's argument text is a C string: it ends at the first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();

    const std::size_t blockSize = ArgumentBlockSize(text.size());
    // Exactly blockSize bytes each, zero-filled; operator new aligns them for
    // the pointer tables.
    std::unique_ptr<char[]> params(new char[blockSize]());
    std::unique_ptr<char[]> commands(new char[blockSize]());
    ParamsArray = reinterpret_cast<char**>(params.get());
    EngineCommands = reinterpret_cast<char**>(commands.get());
    ArgumentBlockBytes = blockSize;

    KeepCommandLine(text.c_str());
    ConvertCmdToArgv(text.c_str());
    if (ParseArgumentList(false))
    {
        char joined[kPathCapacity];
        JoinEngineCommands(' ', joined, sizeof(joined));
        static_cast<void>(HasEngineCommand("list")); // read for the reading, not for the answer
    }
    return 0;
}
