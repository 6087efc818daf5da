#include "install/program_cache_rules.h"

#include <cstring>

const char* const kProgramFiles[kProgramFileCount] = {
    "ovwin.chm",    "oktov.chm",    "readme.htm",   "ovw_sp.chm",   "verozar1.exe", "verozar2.dll",
    "verozar5.dll", "verozar6.exe", "verozar7.exe", "verozarx.dll", "verozaru.dll",
};

bool OnSameDrive(const char* folder, const char* otherFolder)
{
    return folder[0] == otherFolder[0];
}

bool CacheCopyIsCurrent(const FileStamp& copy, const FileStamp& source)
{
    return copy.Size == source.Size && copy.Year == source.Year && copy.Month == source.Month &&
           copy.Day == source.Day && copy.Hour == source.Hour && copy.Minute == source.Minute;
}

bool IsDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}
