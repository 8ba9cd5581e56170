// Message boxes and pop-up menus, answered by the driver from its queues and shown in the transcript.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinUser.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;

namespace {

class MessageBoxesAndMenusTest : public testing_support::DeviceFixture {
protected:
    bool transcriptHas(const std::string& line) const { return transcript().find(line) != std::string::npos; }
};

struct MessageBoxCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const MessageBoxCase& tested, std::ostream* out) { *out << tested.name; }
    UINT type;
    std::optional<std::string> answer;
    int expected;
    const char* line;
};

class MessageBoxTest
    : public MessageBoxesAndMenusTest
    , public ::testing::WithParamInterface<MessageBoxCase> { };

TEST_P(MessageBoxTest, AnswersWithTheQueuedButtonAndShowsTheBoxInTheTranscript)
{
    const MessageBoxCase& param = GetParam();
    if (param.answer)
        device->messageBoxAnswers().push_back(*param.answer);
    int answered = 0;
    runProgram([&] {
        answered = MessageBox(nullptr, u"Delete the contact?", u"Vyx", param.type);
        return 0;
    });
    EXPECT_EQ(answered, param.expected);
    EXPECT_TRUE(transcriptHas(std::string(param.line) + "\n")) << transcript();
    EXPECT_TRUE(device->messageBoxAnswers().empty());
}

INSTANTIATE_TEST_SUITE_P(Boxes, MessageBoxTest,
    ::testing::Values(
        MessageBoxCase { "YesNoAnsweredNo", MB_YESNO | MB_ICONQUESTION, "No", IDNO, "messagebox \"Vyx\" \"Delete the contact?\" Yes,No -> No" },
        MessageBoxCase { "AnswerComparedWithoutRegardToCase", MB_OKCANCEL, "cancel", IDCANCEL,
            "messagebox \"Vyx\" \"Delete the contact?\" OK,Cancel -> Cancel" },
        MessageBoxCase { "NothingQueuedTakesTheFirstButton", MB_YESNOCANCEL, std::nullopt, IDYES,
            "messagebox \"Vyx\" \"Delete the contact?\" Yes,No,Cancel -> Yes" },
        MessageBoxCase { "AnswerThatIsNoButtonTakesTheFirstAndSaysSo", MB_OK, "Retry", IDOK,
            "messagebox \"Vyx\" \"Delete the contact?\" OK -> OK (the queued answer Retry is not a button of this box)" }),
    testing_support::caseName<MessageBoxCase>);

// Open=1, a separator, Silent=2 checked, Delete=3 grayed, and a sub-menu More with Copy=4.
HMENU buildMenu()
{
    const HMENU menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, 1, u"Open");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, 2, u"Silent");
    CheckMenuItem(menu, 2, MF_BYCOMMAND | MF_CHECKED);
    AppendMenu(menu, MF_STRING | MF_GRAYED, 3, u"Delete");
    const HMENU more = CreatePopupMenu();
    AppendMenu(more, MF_STRING, 4, u"Copy");
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(more), u"More");
    return menu;
}

constexpr const char* shownMenu = "menu [ ] Open=1 | [x] Silent=2 [ ] Delete=3 More {[ ] Copy=4}";

struct MenuCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const MenuCase& tested, std::ostream* out) { *out << tested.name; }
    std::optional<std::string> choice;
    BOOL expected;
    const char* outcome;
};

class MenuTest
    : public MessageBoxesAndMenusTest
    , public ::testing::WithParamInterface<MenuCase> { };

TEST_P(MenuTest, ReturnsTheQueuedChoiceAndShowsTheMenuInTheTranscript)
{
    const MenuCase& param = GetParam();
    if (param.choice)
        device->menuChoices().push_back(*param.choice);
    BOOL chosen = -1;
    runProgram([&] {
        const HMENU menu = buildMenu();
        chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 10, 10, 0, nullptr, nullptr);
        DestroyMenu(menu);
        return 0;
    });
    EXPECT_EQ(chosen, param.expected);
    EXPECT_TRUE(transcriptHas(std::string(shownMenu) + " -> " + param.outcome + "\n")) << transcript();
}

INSTANTIATE_TEST_SUITE_P(Choices, MenuTest,
    ::testing::Values(MenuCase { "ByText", "Silent", 2, "2" }, MenuCase { "ByCommandInASubMenu", "4", 4, "4" },
        MenuCase { "ByTextInASubMenu", "Copy", 4, "4" }, MenuCase { "NothingQueuedDismisses", std::nullopt, 0, "0" },
        MenuCase { "GrayedItemCannotBeChosen", "Delete", 0, "0 (the queued choice Delete is no item of this menu)" }),
    testing_support::caseName<MenuCase>);

TEST_F(MessageBoxesAndMenusTest, MenuWithAnOwnerTellsItBeforehandAndPostsTheChosenCommand)
{
    device->menuChoices().push_back("Open");
    std::vector<std::string> seen;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler owner = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_INITMENUPOPUP)
                seen.push_back("init menu");
            if (message == WM_COMMAND)
                seen.push_back("command " + std::to_string(LOWORD(wParam)));
            return std::nullopt;
        };
        const HWND window = createScriptedWindow(owner, {});
        const HMENU menu = buildMenu();
        seen.push_back("tracked: " + std::to_string(TrackPopupMenu(menu, 0, 10, 10, 0, window, nullptr)));
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        DestroyMenu(menu);
        return 0;
    });
    EXPECT_EQ(seen, (std::vector<std::string> { "init menu", "tracked: 1", "command 1" }));
    EXPECT_TRUE(transcriptHas(std::string(shownMenu) + " -> 1\n")) << transcript();
}

}
