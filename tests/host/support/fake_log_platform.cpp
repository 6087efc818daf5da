#include "support/fake_log_platform.h"

#include "diagnostics/log_platform.h"
#include "foundation/format_buffer.h"

namespace
{
LogTimestamp currentStamp = {"01/02/03", "04:05:06"};
bool debuggerAttached = false;
std::string debuggerOutput;
} // namespace

namespace fake_log_platform
{
void SetTimestamp(const char* date, const char* time)
{
    CopyToBuffer(currentStamp.Date, sizeof(currentStamp.Date), date);
    CopyToBuffer(currentStamp.Time, sizeof(currentStamp.Time), time);
}

void AttachDebugger(bool attached)
{
    debuggerAttached = attached;
}

std::string TakeDebuggerOutput()
{
    std::string taken;
    taken.swap(debuggerOutput);
    return taken;
}
} // namespace fake_log_platform

LogTimestamp ReadLogTimestamp()
{
    return currentStamp;
}

bool DebuggerAttached()
{
    return debuggerAttached;
}

void WriteToDebugger(const char* text)
{
    debuggerOutput += text;
}

void AppendLinesAsOnePiece(std::FILE* file, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
    {
        std::fprintf(file, "%s\n", line.c_str());
    }
}
