#include "emulator/ScriptSyntax.h"

#include "platform/api/WinUser.h"

#include <gtest/gtest.h>

namespace devemu {
namespace {

TEST(ScriptSyntax, SplitsArgumentsWithQuotesAndComments)
{
    struct Case {
        const char* line;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "start Vyx", { "start", "Vyx" } },
        { "  run   5s  # wait a little", { "run", "5s" } },
        { "start Vyx \"/p \\\\Skins\\\\a b.zip\"", { "start", "Vyx", "/p \\Skins\\a b.zip" } },
        { "post CLS \"say \\\"hi\\\"\"", { "post", "CLS", "say \"hi\"" } },
        { "# only a comment", {} },
        { "key press 0x28\r", { "key", "press", "0x28" } },
        { "start \"\"", { "start", "" } },
    };
    for (const Case& c : cases) {
        std::string error;
        const auto arguments = splitArguments(c.line, error);
        ASSERT_TRUE(arguments) << c.line << ": " << error;
        EXPECT_EQ(*arguments, c.expected) << c.line;
    }
    std::string error;
    EXPECT_FALSE(splitArguments("start \"Vyx", error));
    EXPECT_FALSE(error.empty());
}

TEST(ScriptSyntax, SplitsOneLineScriptsAtSemicolonsOutsideQuotes)
{
    EXPECT_EQ(splitCommands("start A; run 5s"), (std::vector<std::string> { "start A", " run 5s" }));
    EXPECT_EQ(splitCommands("start A \"x;y\"; windows"), (std::vector<std::string> { "start A \"x;y\"", " windows" }));
}

TEST(ScriptSyntax, ReadsDurationsNumbersAndMessages)
{
    EXPECT_EQ(parseDuration("500ms"), 500u);
    EXPECT_EQ(parseDuration("5s"), 5000u);
    EXPECT_EQ(parseDuration("2m"), 120000u);
    EXPECT_EQ(parseDuration("250"), 250u);
    EXPECT_FALSE(parseDuration("5x"));
    EXPECT_FALSE(parseDuration("-5s"));
    EXPECT_FALSE(parseDuration("ms"));

    EXPECT_EQ(parseNumber("0x1F"), 31u);
    EXPECT_EQ(parseNumber("40"), 40u);
    EXPECT_EQ(parseNumber("-1"), ~std::uint64_t { 0 });
    EXPECT_FALSE(parseNumber("12a"));
    EXPECT_FALSE(parseNumber(""));

    EXPECT_EQ(parseMessage("WM_USER+301"), WM_USER + 301);
    EXPECT_EQ(parseMessage("WM_USER+0x10"), WM_USER + 16);
    EXPECT_EQ(parseMessage("WM_CLOSE"), WM_CLOSE);
    EXPECT_EQ(parseMessage("1325"), 1325u);
    EXPECT_FALSE(parseMessage("WM_NOSUCH"));
    EXPECT_FALSE(parseMessage("WM_USER+x"));
}

}
}
