// tabpack's commands. Each returns the exit status; findings go to out,
// errors to err, each line prefixed as the command line tool prints it.
#pragma once

#include <cstdio>
#include <string>

constexpr int kTabpackSuccess = 0;
constexpr int kTabpackFailure = 1; // an error, or an archive that is not sound
constexpr int kTabpackUsage = 2;

struct CreateOptions
{
    bool WriteArchiveSize = true; // false writes ArchiveSize 0: size not checked
};

int CreateArchive(const std::string& archive, const std::string& manifest, const CreateOptions& options,
                  std::FILE* err);
int ListArchive(const std::string& archive, bool utc, std::FILE* out, std::FILE* err);
int VerifyArchive(const std::string& archive, std::FILE* out, std::FILE* err);
// What a standard start would do with each used record against the files
// at ROOT/DESTINATION/NAME, as extract lays them out.
int PlanArchive(const std::string& archive, const std::string& root, std::FILE* out, std::FILE* err);
int ExtractArchive(const std::string& archive, const std::string& folder, std::FILE* out, std::FILE* err);
