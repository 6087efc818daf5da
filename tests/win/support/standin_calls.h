// The stand-ins of the programs the launcher starts (the runtime
// installers and the registration utility), as the Windows unit tests use
// them: where the build put them, the record of their calls and the
// environment that chooses their exit codes.
#pragma once

#include <string>
#include <vector>

// The folder the test program runs from, with a trailing backslash.
std::string TestProgramFolder();
// A stand-in or test assembly the build put beside the test program:
// Standin("DoziZUZ.exe"), TestAssembly("assembly-2.1.0.5.dll").
std::string Standin(const std::string& fileName);
std::string TestAssembly(const std::string& fileName);

struct StandinCall
{
    std::string Program;    // its file name
    std::string Parameters; // as it received them
    std::string Note;       // what it found or did
};

// The calls recorded in the file, in order; none when there is no file.
std::vector<StandinCall> ReadStandinCalls(const std::string& recordPath);

// Sets an environment variable of this process (and so of the programs it
// starts) for the life of the object; a null value removes it.
class ScopedVariable
{
  public:
    ScopedVariable(const char* name, const char* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::string name_;
    std::string saved_;
    bool hadValue_;
};

// Copies a file, failing the test when it cannot.
void CopyForTest(const std::string& from, const std::string& to);
