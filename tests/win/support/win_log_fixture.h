// A test with the launcher's logs open at the developer level in a fresh
// temporary folder, and helpers to read them back without date and time.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

class WinLogTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    // Each line of the debug (or error) log from the tag on: "DEBUG X  ...",
    // "ERROR !!  ...". Continuation lines are returned whole.
    std::vector<std::string> DebugLines() const;
    std::vector<std::string> ErrorLines() const;
    // The same with a wrapped line's continuations joined back into it.
    std::vector<std::string> DebugMessages() const;
    // The debug messages that contain this text.
    std::vector<std::string> DebugMessagesWith(const std::string& text) const;
    // The messages alone, without tag and indentation: of the debug log
    // (wrapped lines joined) and of the error log (a message's own line
    // feeds kept as lines of their own).
    std::vector<std::string> DebugTexts() const;
    std::vector<std::string> ErrorTexts() const;
    // Whether some debug line, from the tag on, equals this text.
    bool HasDebugLine(const std::string& line) const;
    void ForgetLines(); // empties both logs

    std::string folder_; // with a trailing backslash
};

// "%p" as the launcher's format prints it.
std::string PointerText(const void* pointer);
