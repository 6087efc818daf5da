#include "launcher/command_line.h"

#include "diagnostics/log.h"
#include "launcher/launch_options.h"
#include "support/host_ansi_text.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The argument dump of the developer level is read in a real start's log by
// the end-to-end tests.
namespace
{
// Splits and parses an argument text the way Initialize does, in blocks of
// the size it would allocate.
class CommandLine : public ::testing::Test
{
  protected:
    void SetUp() override { log_state::Reset(); }
    void TearDown() override
    {
        host_ansi_text::UseDoubleByteCodePage(false);
        ParamsArray = nullptr;
        EngineCommands = nullptr;
    }

    bool Parse(const std::string& text, bool listing = false)
    {
        const std::size_t size = ArgumentBlockSize(text.size());
        params_.assign(size, 0);
        commands_.assign(size, 0);
        ArgumentBlockBytes = size;
        ParamsArray = reinterpret_cast<char**>(params_.data());
        EngineCommands = reinterpret_cast<char**>(commands_.data());
        KeepCommandLine(text.c_str());
        EXPECT_TRUE(ConvertCmdToArgv(text.c_str()));
        return ParseArgumentList(listing);
    }

    static std::vector<std::string> Params()
    {
        std::vector<std::string> result;
        for (uint32_t i = 0; i < ParamCount; ++i)
        {
            result.emplace_back(ParamsArray[i]);
        }
        EXPECT_EQ(ParamsArray[ParamCount], nullptr);
        return result;
    }

    static std::vector<std::string> Commands()
    {
        std::vector<std::string> result;
        for (uint32_t i = 0; i < EngineCommandCount; ++i)
        {
            result.emplace_back(EngineCommands[i]);
        }
        return result;
    }

    using Strings = std::vector<std::string>;
    std::vector<unsigned char> params_;
    std::vector<unsigned char> commands_;
};
} // namespace

TEST_F(CommandLine, ParametersAndEngineCommandsByText)
{
    const struct
    {
        const char* text;
        Strings params;
        Strings commands;
    } cases[] = {
        {"", {}, {}},
        {"-D -S\t-kl  -R -el -d100", {"D", "S", "kl", "R", "el", "d100"}, {}},
        {"-d 100", {"d", "100"}, {"100"}},
        // A quoted value joins a switch only where it stands first.
        {"-i \"C:\\My Folder\\run.t1\" list", {"i \"C:\\My Folder\\run.t1\"", "list"}, {"LIST"}},
        {"-d -i \"C:\\My Folder\\run.t1\"", {"d", "i", "C:\\My Folder\\run.t1"}, {"C:\\MY"}},
        // Hyphens inside words vanish, quotes keep them.
        {"re-place -xyz \"-list\" \"  spaced  out\"",
         {"replace", "xyz", "-list", "spaced  out"},
         {"REPLACE", "XYZ", "SPACED"}},
        {"\" \"abc\"", {"abc"}, {"ABC"}},
        {"-i \"\"", {"i \"\""}, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(Parse(c.text));
        EXPECT_EQ(Params(), c.params);
        EXPECT_EQ(Commands(), c.commands);
    }
}

TEST_F(CommandLine, SwitchesSetTheirOptions)
{
    ASSERT_TRUE(Parse("-D -S\t-kl  -R -el -d100"));
    EXPECT_TRUE(LaunchOptions.DiagnosticLogging.Set);
    EXPECT_TRUE(LaunchOptions.SilentMode.Set);
    EXPECT_TRUE(LaunchOptions.AppendLogFiles.Set);
    EXPECT_TRUE(LaunchOptions.RepairMode.Set);
    EXPECT_TRUE(LaunchOptions.ElevateProcessRequest.Set);
    EXPECT_TRUE(LaunchOptions.DeveloperDebugLogging.Set);
    EXPECT_FALSE(LaunchOptions.UsingInstanceFile.Set);

    // Options are only ever set: each start parses once.
    log_state::Reset();
    ASSERT_TRUE(Parse("-d100"));
    EXPECT_FALSE(LaunchOptions.DiagnosticLogging.Set);
    ASSERT_TRUE(Parse("-i \"C:\\My Folder\\run.t1\" list"));
    EXPECT_TRUE(LaunchOptions.UsingInstanceFile.Set);
    EXPECT_STREQ(LaunchOptions.UsingInstanceFile.Value, "C:\\My Folder\\run.t1");
    log_state::Reset();
    ASSERT_TRUE(Parse("-d -i \"C:\\My Folder\\run.t1\""));
    EXPECT_TRUE(LaunchOptions.UsingInstanceFile.Set);
    EXPECT_STREQ(LaunchOptions.UsingInstanceFile.Value, "");
}

TEST_F(CommandLine, EngineCommandsAreKeptInCapitalsAndPreloadIsNoticed)
{
    ASSERT_TRUE(Parse("list PreLoad abc"));
    EXPECT_EQ(LaunchOptions.PreloadMode, 1);
    EXPECT_TRUE(HasEngineCommand("Preload"));
    EXPECT_TRUE(HasEngineCommand("abc"));
    EXPECT_FALSE(HasEngineCommand("replace"));

    char joined[kPathCapacity];
    JoinEngineCommands(',', joined, sizeof(joined));
    EXPECT_STREQ(joined, "LIST,PRELOAD,ABC");
    JoinEngineCommands(' ', joined, 8);
    EXPECT_STREQ(joined, "LIST PR"); // bounded

    ASSERT_TRUE(Parse("-d"));
    EXPECT_EQ(LaunchOptions.PreloadMode, 0); // rebuilt from scratch
    JoinEngineCommands(' ', joined, sizeof(joined));
    EXPECT_STREQ(joined, "");
}

TEST_F(CommandLine, HelpStopsTheParseWhereverItStands)
{
    EXPECT_FALSE(Parse("-?"));
    EXPECT_FALSE(Parse("?"));
    EXPECT_FALSE(Parse("-d -? -s"));
    EXPECT_TRUE(LaunchOptions.DiagnosticLogging.Set);
    EXPECT_FALSE(LaunchOptions.SilentMode.Set);
}

TEST_F(CommandLine, OverlongNamesAndValuesAreCutToTheirFields)
{
    const std::string longName(40, 'n');
    const std::string longValue(300, 'v');
    ASSERT_TRUE(Parse("-d \"" + longValue + "\" " + longName));
    // The quotes go before the value is cut to its field.
    EXPECT_EQ(std::string(LaunchOptions.DiagnosticLogging.Value), std::string(259, 'v'));
    EXPECT_EQ(Commands(), Strings{std::string(31, 'N')});
}

TEST_F(CommandLine, CommandLineIsKeptUpTo259Characters)
{
    const std::string fits(259, 'a');
    ASSERT_TRUE(Parse(fits));
    EXPECT_EQ(std::string(LaunchOptions.CommandLine), fits);
    ASSERT_TRUE(Parse(fits + "b"));
    EXPECT_STREQ(LaunchOptions.CommandLine, "");

    std::string huge;
    for (int i = 0; i < 8000; ++i)
    {
        huge += "w-x ";
    }
    ASSERT_TRUE(Parse(huge));
    EXPECT_EQ(ParamCount, 8000u);
    EXPECT_EQ(EngineCommandCount, 8000u);
    EXPECT_STREQ(EngineCommands[7999], "WX");
}

TEST_F(CommandLine, DoubleByteTrailBytesAreNotSpaces)
{
    // "\x81\x20" is one double-byte character whose second byte looks like a
    // space: the name runs to the first real space, and upper-casing leaves
    // the trail byte alone.
    host_ansi_text::UseDoubleByteCodePage(true);
    ASSERT_TRUE(Parse("\"\x81\x20x y\""));
    EXPECT_EQ(Commands(), Strings{"\x81\x20X"});
    host_ansi_text::UseDoubleByteCodePage(false);
    ASSERT_TRUE(Parse("\"\x81\x20x y\""));
    EXPECT_EQ(Commands(), Strings{"\x81"});
}
