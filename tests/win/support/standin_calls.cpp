#include "support/standin_calls.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

std::string TestProgramFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    const std::string program = path;
    return program.substr(0, program.find_last_of('\\') + 1);
}

std::string Standin(const std::string& fileName)
{
    return TestProgramFolder() + "standins\\" + fileName;
}

std::string TestAssembly(const std::string& fileName)
{
    return TestProgramFolder() + "assemblies\\" + fileName;
}

std::vector<StandinCall> ReadStandinCalls(const std::string& recordPath)
{
    std::vector<StandinCall> calls;
    std::ifstream record(recordPath, std::ios::binary);
    std::string line;
    while (std::getline(record, line))
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        std::istringstream fields(line);
        StandinCall call;
        std::getline(fields, call.Program, '\t');
        std::getline(fields, call.Parameters, '\t');
        std::getline(fields, call.Note);
        calls.push_back(call);
    }
    return calls;
}

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name), hadValue_(false)
{
    char saved[1024] = "";
    hadValue_ = GetEnvironmentVariableA(name, saved, sizeof(saved)) != 0;
    saved_ = saved;
    SetEnvironmentVariableA(name, value);
}

ScopedVariable::~ScopedVariable()
{
    SetEnvironmentVariableA(name_.c_str(), hadValue_ ? saved_.c_str() : nullptr);
}

void CopyForTest(const std::string& from, const std::string& to)
{
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to << ": " << GetLastError();
}
