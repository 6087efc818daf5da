#include "ui/dialog_text.h"

#include "foundation/format_buffer.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace
{
constexpr std::size_t kBoxCapacity = 2048;
constexpr const char* kHeading = "An error has occurred:";

std::string Box(const std::string& message)
{
    char box[kBoxCapacity];
    std::memset(box, 'x', sizeof(box));
    BuildErrorBoxText(kHeading, message.c_str(), box, sizeof(box));
    return box;
}

std::string WholeMessage(const char* format, ...) OVW_PRINTF_FORMAT(1, 2);
std::string WholeMessage(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::unique_ptr<char[]> message = FormatWholeMessage(format, arguments);
    va_end(arguments);
    return message ? std::string(message.get()) : std::string("<null>");
}
} // namespace

TEST(ErrorBoxText, HeadingEmptyLineAndMessageCutToFillTheBoxAndMarked)
{
    EXPECT_EQ(Box("Failed to open verozar0.dll for installation."),
              "An error has occurred:\n\nFailed to open verozar0.dll for installation.");
    const std::size_t room = kBoxCapacity - 1 - std::strlen(kHeading) - 2;
    EXPECT_EQ(Box(std::string(room, 'm')), std::string(kHeading) + "\n\n" + std::string(room, 'm'));
    for (std::size_t length : {room + 1, std::size_t{100000}})
    {
        const std::string box = Box(std::string(length, 'm'));
        EXPECT_EQ(box, std::string(kHeading) + "\n\n" + std::string(room - 6, 'm') + " (...)") << length;
    }
}

TEST(ErrorBoxText, WholeMessageIsFormattedHoweverLong)
{
    EXPECT_EQ(WholeMessage("Failed to open %s for installation.", "verozar0.dll"),
              "Failed to open verozar0.dll for installation.");
    const std::string text(10000, 'q');
    EXPECT_EQ(WholeMessage("<%s>", text.c_str()), "<" + text + ">");
    EXPECT_EQ(WholeMessage("%s", ""), "");
}
