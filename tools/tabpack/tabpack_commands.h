// tabpack's commands. Each returns the exit status; findings go to out,
// errors to err, each line prefixed as the command line tool prints it.
#pragma once

#include "archive_audit.h"
#include "signing_crypto.h"
#include "tabpack_platform.h"

#include <cstdio>
#include <string>

constexpr int kTabpackSuccess = 0;
constexpr int kTabpackFailure = 1; // an error, or an archive that is not sound
constexpr int kTabpackUsage = 2;

struct CreateOptions
{
    bool WriteArchiveSize = true; // false writes ArchiveSize 0: size not checked
    std::string SignWith;         // the private key's PEM file; empty for an unsigned archive
};

// The header and as much of the record block as HeaderSize announces and
// the file holds; never more than the largest block a sound archive has.
// False, after complaining on err, when the file cannot be read.
bool LoadArchive(const std::string& path, ArchiveImage* image, FileFacts* facts, std::FILE* err);
// The same from a file open at its start whose size is known; false when
// reading it failed.
[[nodiscard]] bool LoadArchiveImage(std::FILE* file, uint64_t fileSize, ArchiveImage* image);

int CreateArchive(const std::string& archive, const std::string& manifest, const CreateOptions& options,
                  std::FILE* err);
int ListArchive(const std::string& archive, bool utc, std::FILE* out, std::FILE* err);
// With a public key (its file, or empty) a signed archive's signature is
// checked too; the digests of a signed archive always are.
int VerifyArchive(const std::string& archive, const std::string& publicKey, std::FILE* out, std::FILE* err);
// verify on an archive open at its start, fileSize bytes long, named archive
// in its lines; key is null when no --key was given.
int VerifyOpenArchive(const std::string& archive, std::FILE* file, uint64_t fileSize, const PublicPoint* key,
                      std::FILE* out, std::FILE* err);
// What a standard start would do with each used record against the files
// at ROOT/DESTINATION/NAME, as extract lays them out.
int PlanArchive(const std::string& archive, const std::string& root, std::FILE* out, std::FILE* err);
int ExtractArchive(const std::string& archive, const std::string& folder, std::FILE* out, std::FILE* err);
