// What the standard start hands the main program, and how it reports the
// outcome: plain decisions over plain values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file of the start (the main program, the instance file) in the cache
// folder "_tcache1" when the main program runs from there, else beside the
// launcher. Both folders end with a backslash.
void BuildStartFilePath(bool usingCache, const char* cacheParentFolder, const char* launcherFolder,
                        const char* fileName, char* destination, std::size_t capacity);

// The main program's command line: the first token (instance file or
// launcher path, unquoted) and one space, always; then the engine commands,
// separated by spaces, as many whole ones as fit in the capacity (which must
// hold the token and its space). When some are left out an error line
// says which.
void BuildLaunchCommandLine(const char* firstToken, const char* const* engineCommands, uint32_t commandCount,
                            char* destination, std::size_t capacity);

// The profile file's name as the launcher logs it: "%sov_main.ini" in quotes.
void BuildProfileFileName(const char* launcherFolder, char* destination, std::size_t capacity);
// The same name without its quotes, as the profile reader looks it up.
void UnquoteProfileFileName(const char* quoted, char* destination, std::size_t capacity);

// A profile value counts as true when it is "TRUE" in any letter case.
[[nodiscard]] bool ProfileValueIsTrue(const char* value);

struct LaunchOutcome
{
    bool errorLine; // written with ErrorLog, else as a debug line
    std::string text;
    int32_t exitCode;
};

// The outcome line for the launch result (0 or -1) and the error count.
LaunchOutcome ChooseLaunchOutcome(int32_t launchResult, uint32_t errorCount);
