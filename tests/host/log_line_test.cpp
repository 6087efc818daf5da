#include "diagnostics/log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const LogTimestamp kStamp = {"07/14/23", "09:30:00"};
const std::string kPrefix = "07/14/23 09:30:00 OVWIN DEBUG   ";

std::vector<std::string> Wrapped(const std::string& message, int depth)
{
    return WrapDebugLine(BuildDebugLine(kStamp, kDebugTag, depth, message), depth, message.size());
}
} // namespace

TEST(LogLine, MessageStartsInColumn33PlusIndentation)
{
    EXPECT_EQ(BuildDebugLine(kStamp, kDebugTag, 0, "x"), kPrefix + " x");
    EXPECT_EQ(BuildDebugLine(kStamp, kDeveloperTag, 2, "x"), "07/14/23 09:30:00 OVWIN DEBUG X        x");
    EXPECT_EQ(BuildDebugLine(kStamp, kDebugTag, 0, "x").find('x'), kLogMessageColumn);
    EXPECT_STREQ(DebugTagForLevel(99), "DEBUG   ");
    EXPECT_STREQ(DebugTagForLevel(100), "DEBUG X ");
}

TEST(LogLine, WrapsOnlyBeyond120MessageColumns)
{
    const std::string fits = std::string(59, 'a') + " " + std::string(60, 'b');
    ASSERT_EQ(fits.size(), 120u);
    EXPECT_EQ(Wrapped(fits, 0), (std::vector<std::string>{kPrefix + " " + fits}));

    const std::string tooLong = fits + "c";
    EXPECT_EQ(Wrapped(tooLong, 0),
              (std::vector<std::string>{kPrefix + " " + std::string(59, 'a'),
                                        std::string(33, ' ') + std::string(60, 'b') + "c"}));
}

TEST(LogLine, DepthTenHundredCharactersKeepsTheLastWordForTheContinuation)
{
    std::string message;
    while (message.size() < 94)
    {
        message += "word ";
    }
    message += "final"; // 100 characters, last space before "final"
    ASSERT_EQ(message.size(), 100u);
    const std::vector<std::string> lines = Wrapped(message, 10);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], kPrefix + std::string(31, ' ') + message.substr(0, 94));
    EXPECT_EQ(lines[1], std::string(63, ' ') + "final");
}

TEST(LogLine, MessageWithoutEarlySpacesLeavesThePrefixAlone)
{
    const std::string message = std::string(130, 'x') + " tail";
    const std::vector<std::string> lines = Wrapped(message, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], kPrefix); // the cut drops the space after the tag
    EXPECT_EQ(lines[1], std::string(33, ' ') + std::string(120, 'x'));
    EXPECT_EQ(lines[2], std::string(33, ' ') + std::string(10, 'x') + " tail");
}

TEST(LogLine, LongMessagesAreShortenedAt2047Characters)
{
    const std::string kept(2046, 'k');
    EXPECT_EQ(ShortenDebugMessage(kept), kept);
    const std::string shortened = ShortenDebugMessage(std::string(2047, 's'));
    EXPECT_EQ(shortened, std::string(2040, 's') + " (...)");
    EXPECT_EQ(shortened.size(), 2046u);
}

// Their layout is read in the log writer's test.
TEST(LogLine, ErrorLinesAreNotWrappedButStayWithinTheLineBuffer)
{
    const std::string line = BuildErrorLogLine(kStamp, std::string(3000, 'e'));
    EXPECT_EQ(line.size(), 2047u);
    EXPECT_EQ(line.substr(line.size() - 6), " (...)");
    EXPECT_EQ(BuildErrorDebugLine(kStamp, 5, std::string(3000, 'e')).size(), 2047u);
}
