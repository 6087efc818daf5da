// The registry file that gives workstations the public key they accept
// archives from: an administrator imports it (regedit, reg import) or
// pushes the value it sets by policy.
#pragma once

#include <cstdint>
#include <string>

// "Windows Registry Editor Version 5.00" text with CRLF line ends: the
// launcher key below HKEY_LOCAL_MACHINE and its REG_BINARY value
// "ArchivePublicKey" holding the 64 bytes X||Y, commented with the key id.
std::string PublicKeyRegistryFile(const uint8_t* publicKey, const uint8_t* keyId);
