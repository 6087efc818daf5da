// A test with the logs open at the developer level in the host's temporary
// folder, starting from an empty debug log, and helpers to read it back.
#pragma once

#include "diagnostics/log.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

class DeveloperLogTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder_ = log_state::Reset();
        OpenLogs(folder_.c_str(), log_state::WithDeveloperSwitch());
        Forget();
    }

    void Forget() const { log_state::WriteFile(folder_ + "OvwinDebug.log", ""); }

    // Each physical line from the tag on ("DEBUG X  ...", "ERROR !! ..."),
    // indentation kept.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines = log_state::ReadLines(folder_ + "OvwinDebug.log");
        for (std::string& line : lines)
        {
            line = line.size() > 24 ? line.substr(24) : line;
        }
        return lines;
    }

    // The text of each physical line, without tag and indentation.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        for (const std::string& line : Lines())
        {
            const std::size_t start = line.find_first_not_of(' ', 9);
            messages.push_back(start == std::string::npos ? "" : line.substr(start));
        }
        return messages;
    }

    // How many physical lines begin with this text.
    int Count(const std::string& prefix) const
    {
        const std::vector<std::string> messages = Messages();
        return static_cast<int>(
            std::count_if(messages.begin(), messages.end(),
                          [&](const std::string& message) { return message.rfind(prefix, 0) == 0; }));
    }

    std::string folder_;
};
