// SHA-256 through the system's cryptography (CNG), fed block by block as the
// bytes are read, so a file is hashed while it is copied.
#pragma once

#include "foundation/cng_owners_win.h"

#include <windows.h>

#include <cstdint>

// The outcome of a series of CNG calls: the status of the first one that
// failed, with its name for the log line, or success.
struct CngOutcome
{
    NTSTATUS Status = 0;
    const char* Call = "";

    bool Failed() const { return !BCRYPT_SUCCESS(Status); }
};

class Sha256Stream
{
  public:
    // Begins a new digest, dropping one in progress. The algorithm is opened
    // once, by the first Start.
    [[nodiscard]] CngOutcome Start();
    [[nodiscard]] CngOutcome Add(const void* bytes, uint32_t length);
    // Writes the 32-byte digest of everything added since Start; the next
    // digest needs a new Start.
    [[nodiscard]] CngOutcome Finish(uint8_t* digest);

  private:
    CngAlgorithm algorithm_;
    CngHash hash_;
};

// The digest of one block of bytes.
[[nodiscard]] CngOutcome Sha256Of(const void* bytes, uint32_t length, uint8_t* digest);
