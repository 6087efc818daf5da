#include "registry_file.h"

#include "install/archive_signature.h"
#include "launcher/launcher_key.h"

#include <cstdio>

namespace
{
constexpr std::size_t kBytesPerLine = 16;
} // namespace

std::string PublicKeyRegistryFile(const uint8_t* publicKey, const uint8_t* keyId)
{
    char keyPath[kRegistryPathCapacity];
    FormatLauncherKeyPath(keyPath, sizeof(keyPath));
    char keyIdText[kKeyIdTextCapacity];
    FormatKeyId(keyId, keyIdText);

    std::string text = "Windows Registry Editor Version 5.00\r\n"
                       "\r\n"
                       "; The public key of the archive signing key ";
    text += keyIdText;
    text += ". With it the launcher installs\r\n"
            "; only archives signed by that key.\r\n"
            "[HKEY_LOCAL_MACHINE\\";
    text += keyPath;
    text += "]\r\n\"ArchivePublicKey\"=hex:";
    // Lines that go on end with a backslash, and the next starts with two
    // blanks, as regedit writes them.
    for (std::size_t i = 0; i < kArchiveKeyLength; ++i)
    {
        char byte[4];
        std::snprintf(byte, sizeof(byte), "%02x", publicKey[i]);
        text += byte;
        if (i + 1 == kArchiveKeyLength)
        {
            text += "\r\n";
        }
        else if ((i + 1) % kBytesPerLine == 0)
        {
            text += ",\\\r\n  ";
        }
        else
        {
            text += ",";
        }
    }
    return text;
}
