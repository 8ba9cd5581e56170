// devemu's `call` command: each step of the network prints its line event, the steps act on the
// current call, and steps a call cannot take say why.
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace devemu {
namespace {

using testing_support::ScriptResult;

// The transcript's line events, without their time stamps.
std::vector<std::string> lineEvents(const std::string& transcript)
{
    std::vector<std::string> events;
    std::istringstream lines(transcript);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("] line ");
        if (at != std::string::npos)
            events.push_back(line.substr(at + 2));
    }
    return events;
}

ScriptResult runCalls(const std::vector<std::string>& script)
{
    testing_support::TempFolder folder;
    return testing_support::runEmulatorScript(folder.path(), script);
}

TEST(CallCommands, EachStepPrintsTheLineEventTheNetworkRaised)
{
    const ScriptResult result = runCalls({
        "call offer +79161234567",
        "call connect",
        "call drop",
        "call offer withheld",
        "call drop busy",
        "call offer pending",
        "call id 84951234567",
        "call drop noanswer",
        "call offer partial 1234",
        "call drop reject",
        "call offer unavailable",
        "call id outofarea",
        "call drop normal",
        "call dial +74951112233",
        "call party",
        "call busy",
        "call drop busy",
        "call dial 112",
        "call party withheld",
        "call connect",
        "call drop",
    });
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_EQ(lineEvents(result.transcript), (std::vector<std::string> {
                                                 "line call 0x00400001 offering \"+79161234567\"",
                                                 "line call 0x00400001 connected",
                                                 "line call 0x00400001 disconnected normal",
                                                 "line call 0x00400002 offering withheld",
                                                 "line call 0x00400002 disconnected busy",
                                                 "line call 0x00400003 offering pending",
                                                 "line call 0x00400003 caller id \"84951234567\"",
                                                 "line call 0x00400003 disconnected noanswer",
                                                 "line call 0x00400004 offering partial \"1234\"",
                                                 "line call 0x00400004 disconnected reject",
                                                 "line call 0x00400005 offering unavailable",
                                                 "line call 0x00400005 caller id outofarea",
                                                 "line call 0x00400005 disconnected normal",
                                                 "line call 0x00400006 dialing \"+74951112233\"",
                                                 "line call 0x00400006 connected id \"+74951112233\"",
                                                 "line call 0x00400006 busy",
                                                 "line call 0x00400006 disconnected busy",
                                                 "line call 0x00400007 dialing \"112\"",
                                                 "line call 0x00400007 connected id withheld",
                                                 "line call 0x00400007 connected",
                                                 "line call 0x00400007 disconnected normal",
                                             }))
        << result.transcript;
    // Each event follows the command that raised it.
    EXPECT_NE(result.transcript.find("] > call offer +79161234567\n[0000.000] line call 0x00400001 offering"), std::string::npos)
        << result.transcript;
}

TEST(CallCommands, StepsActOnTheLatestCallThatHasNotEnded)
{
    const ScriptResult result = runCalls({ "call offer +79161234567", "call connect", "call offer 84951234567", "call drop busy",
        "call drop", "call dial 112", "call drop" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_EQ(lineEvents(result.transcript), (std::vector<std::string> {
                                                 "line call 0x00400001 offering \"+79161234567\"",
                                                 "line call 0x00400001 connected",
                                                 "line call 0x00400002 offering \"84951234567\"",
                                                 "line call 0x00400002 disconnected busy",
                                                 "line call 0x00400001 disconnected normal",
                                                 "line call 0x00400003 dialing \"112\"",
                                                 "line call 0x00400003 disconnected normal",
                                             }));
}

TEST(CallCommands, RefusedStepsSayWhy)
{
    struct Case {
        std::vector<std::string> script;
        std::string expected;
    };
    const Case cases[] = {
        { { "call connect" }, "error: line 1: no call is in progress: offer or dial one first" },
        { { "call offer +7916", "call drop", "call drop" }, "error: line 3: no call is in progress" },
        { { "call" }, "error: line 1: usage: call offer|id|dial|party|connect|busy|drop" },
        { { "call hangup" }, "error: line 1: usage: call offer|id|dial|party|connect|busy|drop" },
        { { "call offer" }, "error: line 1: usage: call offer NUMBER|withheld|unavailable|outofarea|pending" },
        { { "call offer witheld" }, "error: line 1: not a phone number: witheld" },
        { { "call offer partial" }, "error: line 1: not a phone number: partial" },
        { { "call dial" }, "error: line 1: usage: call dial NUMBER" },
        { { "call offer pending", "call id pending" }, "error: line 2: an identity that arrives cannot be pending" },
        { { "call offer +7916", "call busy" }, "error: line 2: busy: call 0x00400001 is not an outgoing call being dialled" },
        { { "call dial 112", "call id 112" }, "error: line 2: caller id: call 0x00400001 is an outgoing call" },
        { { "call offer 112", "call party" }, "error: line 2: connected id: call 0x00400001 is an incoming call" },
        { { "call offer 112", "call connect", "call connect" },
            "error: line 3: connect: call 0x00400001 is neither offered nor being dialled" },
        { { "call offer 112", "call drop softly" }, "error: line 2: not a disconnect mode: softly" },
        { { "call offer 112", "call connect now" }, "error: line 2: usage: call connect" },
    };
    for (const Case& c : cases) {
        const ScriptResult result = runCalls(c.script);
        EXPECT_FALSE(result.succeeded);
        EXPECT_EQ(result.errors.find(c.expected), 0u) << result.errors;
    }
}

}
}
