#include "support/win_log_fixture.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace
{
std::vector<std::string> ReadTaggedLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
    {
        // "MM/DD/YY HH:MM:SS OVWIN " is 24 characters.
        lines.push_back(line.size() >= 24 && line.compare(17, 7, " OVWIN ") == 0 ? line.substr(24) : line);
    }
    return lines;
}
} // namespace

void WinLogTest::SetUp()
{
    char temp[MAX_PATH];
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    FormatToBuffer(folder, sizeof(folder), "%sovwin-win-test-%lu-%lu\\", temp, GetCurrentProcessId(),
                   GetTickCount());
    CreateDirectoryA(folder, nullptr);
    folder_ = folder;

    LogLevel = 0;
    LogDepth = 0;
    LogsOpen = false;
    ErrorCount = 0;
    LogSettings settings;
    settings.DeveloperLogging = true;
    OpenLogs(folder_.c_str(), settings);
    ForgetLines();
}

void WinLogTest::TearDown()
{
    LogsOpen = false;
    DeleteFileA(DebugLogPath);
    DeleteFileA(ErrorLogPath);
    RemoveDirectoryA(folder_.c_str());
}

std::vector<std::string> WinLogTest::DebugLines() const
{
    return ReadTaggedLines(DebugLogPath);
}

std::vector<std::string> WinLogTest::ErrorLines() const
{
    return ReadTaggedLines(ErrorLogPath);
}

std::vector<std::string> WinLogTest::DebugMessages() const
{
    std::vector<std::string> messages;
    bool continued = false;
    for (const std::string& line : ReadTaggedLines(DebugLogPath))
    {
        // Continuations are indented past the date, the time and the tag.
        if (messages.empty() || line.empty() || line[0] != ' ')
        {
            messages.push_back(line);
            continued = false;
            continue;
        }
        // The first physical line was cut at a space, which it dropped.
        if (!continued)
        {
            messages.back() += ' ';
            continued = true;
        }
        messages.back() += line.substr(line.find_first_not_of(' '));
    }
    return messages;
}

namespace
{
// A tagged line without its tag and indentation; the rest of a message
// that holds a line feed stands as it is.
std::string TextOf(const std::string& line)
{
    if (line.rfind("DEBUG", 0) != 0 && line.rfind("ERROR", 0) != 0)
    {
        return line;
    }
    const std::size_t start = line.find_first_not_of(' ', 9);
    return start == std::string::npos ? "" : line.substr(start);
}

std::vector<std::string> TextsOf(const std::vector<std::string>& lines)
{
    std::vector<std::string> texts;
    for (const std::string& line : lines)
    {
        texts.push_back(TextOf(line));
    }
    return texts;
}
} // namespace

std::vector<std::string> WinLogTest::DebugTexts() const
{
    return TextsOf(DebugMessages());
}

std::vector<std::string> WinLogTest::ErrorTexts() const
{
    return TextsOf(ErrorLines());
}

std::vector<std::string> WinLogTest::DebugMessagesWith(const std::string& text) const
{
    std::vector<std::string> found;
    for (const std::string& message : DebugMessages())
    {
        if (message.find(text) != std::string::npos)
        {
            found.push_back(message);
        }
    }
    return found;
}

bool WinLogTest::HasDebugLine(const std::string& line) const
{
    for (const std::string& candidate : DebugLines())
    {
        if (candidate == line)
        {
            return true;
        }
    }
    return false;
}

void WinLogTest::ForgetLines()
{
    std::fclose(std::fopen(DebugLogPath, "w"));
    std::fclose(std::fopen(ErrorLogPath, "w"));
}

std::string PointerText(const void* pointer)
{
    char text[32];
    FormatToBuffer(text, sizeof(text), "%p", pointer);
    return text;
}
