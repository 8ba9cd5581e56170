// The line monitor on the emulated phone: the network's call states reach Vyx's main window as the
// call events, in order, with the call handle where it belongs.
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The call events (messages 1304 to 1311) the spy saw at the main window, as "MSG WPARAM" lines.
std::vector<std::string> callEvents(const std::string& transcript)
{
    std::vector<std::string> events;
    std::istringstream lines(transcript);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(" VYX_MAINCLASS ");
        if (line.find("] spy ") == std::string::npos || at == std::string::npos)
            continue;
        std::istringstream fields(line.substr(at + 15));
        unsigned message = 0;
        std::string wParam;
        fields >> message >> wParam;
        if (message >= 1304 && message <= 1311)
            events.push_back(std::to_string(message) + " " + wParam);
    }
    return events;
}

struct CallCase {
    const char* name;
    std::vector<std::string> script;
    std::vector<std::string> expected;
};

TEST(CallEvents, NetworkCallStatesBecomeTheMainWindowsCallEventsInOrder)
{
    const std::string first = "0x00400001";
    const CallCase cases[] = {
        { "incoming call ending unanswered", { "call offer +79161234567", "run 3s", "call drop" },
            { "1304 " + first, "1307 0x00000000", "1308 " + first, "1309 0x00000000", "1310 0x00000000" } },
        { "incoming call rejected busy", { "call offer 1234567", "call drop busy" },
            { "1304 " + first, "1307 0x00000000", "1308 " + first, "1309 0x00000000", "1310 0x00000000" } },
        { "incoming call answered, then ended",
            { "call offer +79161234567", "run 2s", "call connect", "run 30s", "call drop" },
            { "1304 " + first, "1311 0x00000000", "1307 0x00000000", "1308 0x00000000", "1308 " + first, "1310 0x00000000" } },
        { "outgoing call ending busy after its party was reported", { "call dial 5551234", "call party", "call drop busy" },
            { "1305 0x00000000", "1308 " + first, "1310 0x00000000" } },
        { "outgoing call ending busy before its party was reported", { "call dial 5551234", "call drop busy" },
            { "1308 " + first, "1310 0x00000000" } },
        { "outgoing call connected after its party was reported", { "call dial 5551234", "call party", "call connect", "call drop" },
            { "1306 0x00000000", "1308 0x00000000", "1308 " + first, "1310 0x00000000" } },
        { "withheld caller", { "call offer withheld", "call drop" },
            { "1304 " + first, "1307 0x00000000", "1308 " + first, "1309 0x00000000", "1310 0x00000000" } },
    };
    for (const CallCase& c : cases) {
        testing_support::TempFolder folder;
        std::vector<std::string> script { "boot", "spy VYX_MAINCLASS" };
        script.insert(script.end(), c.script.begin(), c.script.end());
        const auto result = testing_support::runEmulatorScript(folder.path(), script, true);
        ASSERT_TRUE(result.succeeded) << c.name << ": " << result.errors;
        EXPECT_EQ(callEvents(result.transcript), c.expected) << c.name << "\n" << result.transcript;
    }
}

TEST(CallEvents, MissedCallCountChangesReachTheMainWindow)
{
    testing_support::TempFolder folder;
    const auto result = testing_support::runEmulatorScript(folder.path(),
        { "boot", "spy VYX_MAINCLASS", "reg set HKCU\\System\\State\\Phone \"Missed Call Count\" dword 3",
            "reg set HKCU\\System\\State\\Phone Other dword 1" },
        true);
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_EQ(testing_support::countOccurrences(result.transcript, " VYX_MAINCLASS 1133 0x00000001 0x00000003"), 1u)
        << result.transcript;
    EXPECT_EQ(testing_support::countOccurrences(result.transcript, " VYX_MAINCLASS 1133 "), 1u) << result.transcript;
}

}
