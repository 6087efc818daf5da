#include "support/log_state.h"

#include "diagnostics/log.h"
#include "launcher/launch_options.h"
#include "support/fake_log_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace log_state
{
std::string Reset()
{
    static std::string folder;
    if (folder.empty())
    {
        char pattern[] = "/tmp/ovwin-host-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
        {
            throw std::runtime_error("mkdtemp failed");
        }
        folder = std::string(pattern) + "/";
    }
    for (const char* name : {"OvwinDebug.log", "OvwinError.log", "OvwinPreload.log"})
    {
        std::remove((folder + name).c_str());
    }
    LogLevel = 0;
    LogDepth = 0;
    LogsOpen = false;
    ErrorCount = 0;
    ErrorLogPath[0] = '\0';
    DebugLogPath[0] = '\0';
    std::memset(&LaunchOptions, 0, sizeof(LaunchOptions));
    fake_log_platform::SetTimestamp("01/02/03", "04:05:06");
    fake_log_platform::AttachDebugger(false);
    fake_log_platform::TakeDebuggerOutput();
    return folder;
}

LogSettings WithDiagnosticSwitch()
{
    LogSettings settings;
    settings.DiagnosticLogging = true;
    return settings;
}

LogSettings WithDeveloperSwitch()
{
    LogSettings settings;
    settings.DeveloperLogging = true;
    return settings;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
    {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ReadMessages(const std::string& path)
{
    // "MM/DD/YY HH:MM:SS OVWIN " comes before the tag.
    constexpr std::size_t kTagColumn = 24;
    std::vector<std::string> messages;
    bool continued = false;
    for (const std::string& line : ReadLines(path))
    {
        const bool stamped = line.size() > kTagColumn && line[2] == '/' && line[5] == '/';
        if (stamped || messages.empty())
        {
            messages.push_back(stamped ? line.substr(kTagColumn) : line);
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

bool FileExists(const std::string& path)
{
    return std::ifstream(path).good();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path) << content;
}
} // namespace log_state
