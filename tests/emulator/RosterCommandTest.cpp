// devemu's `roster` over the family's programs on the device: the master and slaves in order as
// they join and leave, a master that ended without leaving shown as gone, an empty roster, and the
// errors of a roster that cannot be opened and of a bad command.
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"
#include "vyx/contacts/PimSync.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using testing_support::ScriptResult;
using Lines = std::vector<std::string>;

constexpr UINT quitWithoutLeaving = WM_USER + 1;

// Installs a program of the family with a main window of that class: it joins the roster at start,
// leaves it when its window is closed, and on WM_USER+1 ends without leaving.
void installMember(emu::Device& device, const std::u16string& name, const char16_t* className)
{
    device.installProgram(u"\\Windows\\" + name + u".exe", [className](HINSTANCE, const std::u16string&) {
        vyx::PimSync roster(vyx::PimSyncMessages::Register());
        if (!roster.Open())
            return 2;
        testing_support::registerScriptedClass(className);
        testing_support::MessageHandler handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_DESTROY) {
                roster.Unregister(hwnd);
                PostQuitMessage(0);
            } else if (message == quitWithoutLeaving) {
                PostQuitMessage(0);
                return 0;
            }
            return std::nullopt;
        };
        const HWND window = testing_support::createScriptedWindow(handler, { .className = className });
        if (!roster.Register(window))
            return 3;
        return testing_support::runMessageLoop();
    });
}

void installFamily(emu::Device& device)
{
    installMember(device, u"Member", u"MEMBER_MAINCLASS");
    installMember(device, u"Favorite", u"FAV_MAINCLASS");
}

// What each `roster` command of the script printed, in order.
std::vector<Lines> rosterListings(const std::string& transcript)
{
    std::vector<Lines> listings;
    const std::string marker = "] > roster\n";
    for (auto at = transcript.find(marker); at != std::string::npos; at = transcript.find(marker, at + 1)) {
        // From the start of the command's own line, so that the marker is found first there.
        const auto lineStart = transcript.rfind('\n', at) + 1;
        listings.push_back(testing_support::linesPrintedAfter(transcript.substr(lineStart), "roster", "RosterProbe"));
    }
    return listings;
}

TEST(RosterCommand, ListsTheMasterThenTheSlavesAsProgramsJoinAndLeave)
{
    testing_support::TempFolder folder;
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(),
        { "roster", "start Member", "start Favorite", "roster", "post FAV_MAINCLASS WM_CLOSE", "roster", "start Favorite",
          "post MEMBER_MAINCLASS WM_USER+1", "roster" },
        true, installFamily);
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::vector<Lines> expected {
        { "roster empty" },
        { "master 0x00010001 MEMBER_MAINCLASS Member pid 3", "slave 0x00010002 FAV_MAINCLASS Favorite pid 4" },
        { "master 0x00010001 MEMBER_MAINCLASS Member pid 3" },
        // Member ended without leaving; nobody has cleaned the roster since.
        { "master 0x00010001 gone", "slave 0x00010003 FAV_MAINCLASS Favorite pid 7" },
    };
    EXPECT_EQ(rosterListings(result.transcript), expected) << result.transcript;
}

TEST(RosterCommand, RefusesArgumentsAndARosterThatCannotBeOpened)
{
    const struct {
        std::vector<std::string> lines;
        std::string error;
    } cases[] = {
        { { "roster all" }, "error: line 1: usage: roster\n" },
        { { "start Squatter", "roster" },
            "error: line 2: the roster cannot be opened: its name or its lock's is taken by another kind of object, or its region "
            "is shorter than 40 bytes\n" },
    };
    for (const auto& c : cases) {
        testing_support::TempFolder folder;
        const ScriptResult result = testing_support::runEmulatorScript(folder.path(), c.lines, true, [](emu::Device& device) {
            // Holds an event under the roster's name.
            device.installProgram(u"\\Windows\\Squatter.exe", [](HINSTANCE, const std::u16string&) {
                CreateEvent(nullptr, TRUE, FALSE, vyx::PimSync::rosterName);
                return testing_support::runMessageLoop();
            });
        });
        EXPECT_FALSE(result.succeeded) << c.lines.back();
        EXPECT_EQ(result.errors, c.error) << result.transcript;
    }
}

}
