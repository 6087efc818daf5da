// Owners of the cryptography API's (CNG) handles: algorithm providers, keys
// and hash objects. All three are plain pointers to the API, so each kind
// is told apart by its traits alone.
#pragma once

#include "foundation/owner.h"

#include <windows.h>

#include <bcrypt.h>

struct CngAlgorithmTraits
{
    using Value = BCRYPT_ALG_HANDLE;
    static BCRYPT_ALG_HANDLE Empty() { return nullptr; }
    static void Release(BCRYPT_ALG_HANDLE algorithm) { BCryptCloseAlgorithmProvider(algorithm, 0); }
};

struct CngKeyTraits
{
    using Value = BCRYPT_KEY_HANDLE;
    static BCRYPT_KEY_HANDLE Empty() { return nullptr; }
    static void Release(BCRYPT_KEY_HANDLE key) { BCryptDestroyKey(key); }
};

struct CngHashTraits
{
    using Value = BCRYPT_HASH_HANDLE;
    static BCRYPT_HASH_HANDLE Empty() { return nullptr; }
    static void Release(BCRYPT_HASH_HANDLE hash) { BCryptDestroyHash(hash); }
};

using CngAlgorithm = Owner<CngAlgorithmTraits>;
using CngKey = Owner<CngKeyTraits>;
using CngHash = Owner<CngHashTraits>;
