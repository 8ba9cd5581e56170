// Pen and key input injected by the driver: which window it reaches, in which coordinates, and the
// key state the programs see.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/WindowManager.h"

#include <string>
#include <vector>

using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;

namespace {

constexpr int shiftKey = 0x10;

// One driver action and what the program notes while handling it.
struct InputStep {
    std::function<void(emu::WindowManager&)> inject;
    std::vector<std::string> expected;
};

void pen(emu::WindowManager& windows, emu::PenAction action, LONG x, LONG y)
{
    windows.pen(action, POINT { x, y });
}

// A program with a window at (20, 40), 200 x 100, and a child at (100, 10) in it, 50 x 50, that
// notes the input they get. The driver injects each step and lets the program handle it.
class InputTest : public testing_support::DeviceFixture {
protected:
    void startProgram(bool captureWhilePenDown)
    {
        m_capture = captureWhilePenDown;
        m_windowHandler = noteInput("window");
        m_childHandler = noteInput("child");
        m_process = start(u"input", [this] {
            registerScriptedClass();
            m_window = createScriptedWindow(m_windowHandler, { .style = WS_POPUP | WS_VISIBLE, .rect = { 20, 40, 220, 140 } });
            createScriptedWindow(m_childHandler, { .style = WS_CHILD | WS_VISIBLE, .rect = { 100, 10, 150, 60 }, .parent = m_window });
            return runMessageLoop();
        });
        device->runUntilIdle();
    }

    void play(const std::vector<InputStep>& steps)
    {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            m_notes.clear();
            steps[i].inject(device->windows());
            device->runUntilIdle();
            EXPECT_EQ(m_notes, steps[i].expected) << "step " << i;
        }
        device->windows().postFromDriver(m_window, WM_CLOSE, 0, 0);
        EXPECT_EQ(device->runUntil([&] { return m_process->finished(); }, std::nullopt), emu::RunOutcome::Done);
    }

private:
    MessageHandler noteInput(const std::string& name)
    {
        return [this, name](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            auto held = [](int key) { return (GetAsyncKeyState(key) & 0x8000) ? " held" : " free"; };
            const std::string at = " " + std::to_string(static_cast<short>(LOWORD(lParam))) + ","
                + std::to_string(static_cast<short>(HIWORD(lParam)));
            switch (message) {
            case WM_LBUTTONDOWN:
                m_notes.push_back(name + " down" + at + held(VK_LBUTTON));
                if (m_capture)
                    SetCapture(hwnd);
                return 0;
            case WM_MOUSEMOVE:
                m_notes.push_back(name + " move" + at + held(VK_LBUTTON));
                return 0;
            case WM_LBUTTONUP:
                m_notes.push_back(name + " up" + at + held(VK_LBUTTON));
                if (m_capture)
                    ReleaseCapture();
                return 0;
            case WM_KEYDOWN:
                m_notes.push_back(name + " keydown " + std::to_string(wParam) + held(static_cast<int>(wParam)));
                return 0;
            case WM_KEYUP:
                m_notes.push_back(name + " keyup " + std::to_string(wParam) + held(static_cast<int>(wParam)));
                return 0;
            case WM_CHAR:
                m_notes.push_back(name + " char " + std::string(1, static_cast<char>(wParam)));
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
            default:
                return std::nullopt;
            }
        };
    }

    bool m_capture { false };
    MessageHandler m_windowHandler;
    MessageHandler m_childHandler;
    HWND m_window { nullptr };
    std::shared_ptr<emu::Process> m_process;
    std::vector<std::string> m_notes;
};

using emu::PenAction;
using emu::WindowManager;

TEST_F(InputTest, PenArrivesAtTheWindowUnderThePointInItsClientCoordinates)
{
    startProgram(false);
    play({
        { [](WindowManager& w) { pen(w, PenAction::Down, 30, 50); }, { "window down 10,10 held" } },
        { [](WindowManager& w) { pen(w, PenAction::Move, 40, 55); }, { "window move 20,15 held" } },
        { [](WindowManager& w) { pen(w, PenAction::Up, 40, 55); }, { "window up 20,15 free" } },
        { [](WindowManager& w) { pen(w, PenAction::Down, 125, 70); }, { "child down 5,20 held" } },
        { [](WindowManager& w) { pen(w, PenAction::Up, 125, 70); }, { "child up 5,20 free" } },
        // Outside every window: nobody hears it.
        { [](WindowManager& w) { pen(w, PenAction::Down, 5, 5); }, {} },
        { [](WindowManager& w) { pen(w, PenAction::Up, 5, 5); }, {} },
    });
}

TEST_F(InputTest, PenGoesToTheCaptureWindowWhereverItIs)
{
    startProgram(true);
    play({
        { [](WindowManager& w) { pen(w, PenAction::Down, 30, 50); }, { "window down 10,10 held" } },
        { [](WindowManager& w) { pen(w, PenAction::Move, 125, 70); }, { "window move 105,30 held" } },
        { [](WindowManager& w) { pen(w, PenAction::Move, 5, 5); }, { "window move -15,-35 held" } },
        { [](WindowManager& w) { pen(w, PenAction::Up, 5, 5); }, { "window up -15,-35 free" } },
        // Released on pen up: the child is reached again.
        { [](WindowManager& w) { pen(w, PenAction::Down, 125, 70); }, { "child down 5,20 held" } },
    });
}

TEST_F(InputTest, KeyArrivesAsKeyDownAndAfterTranslateMessageAsCharacter)
{
    startProgram(false);
    play({
        { [](WindowManager& w) { w.key(true, 'A'); }, { "window keydown 65 held", "window char a" } },
        { [](WindowManager& w) { w.key(false, 'A'); }, { "window keyup 65 free" } },
        { [](WindowManager& w) { w.key(true, shiftKey); }, { "window keydown 16 held" } },
        { [](WindowManager& w) { w.key(true, 'B'); }, { "window keydown 66 held", "window char B" } },
        { [](WindowManager& w) { w.key(false, 'B'); }, { "window keyup 66 free" } },
        { [](WindowManager& w) { w.key(false, shiftKey); }, { "window keyup 16 free" } },
        { [](WindowManager& w) { w.key(true, '7'); }, { "window keydown 55 held", "window char 7" } },
        { [](WindowManager& w) { w.key(false, '7'); }, { "window keyup 55 free" } },
        // A key without a character gives none.
        { [](WindowManager& w) { w.key(true, VK_LEFT); }, { "window keydown 37 held" } },
        { [](WindowManager& w) { w.key(false, VK_LEFT); }, { "window keyup 37 free" } },
    });
}

}

using PenActivationTest = testing_support::DeviceFixture;

TEST_F(PenActivationTest, PenDownOnABackWindowActivatesItAsClicked)
{
    std::vector<std::string> notes;
    MessageHandler back = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_ACTIVATE)
            notes.push_back("back WM_ACTIVATE " + std::to_string(LOWORD(wParam)));
        return std::nullopt;
    };
    MessageHandler front = [](HWND, UINT, WPARAM, LPARAM) -> std::optional<LRESULT> { return std::nullopt; };
    start(u"two", [&] {
        registerScriptedClass();
        createScriptedWindow(back, { .style = WS_POPUP | WS_VISIBLE, .rect = { 0, 0, 100, 100 } });
        createScriptedWindow(front, { .style = WS_POPUP | WS_VISIBLE, .rect = { 50, 50, 150, 150 } });
        return runMessageLoop();
    });
    device->runUntilIdle();
    notes.clear();
    device->windows().pen(emu::PenAction::Down, POINT { 10, 10 });
    device->runUntilIdle();
    EXPECT_EQ(notes, (std::vector<std::string> { "back WM_ACTIVATE " + std::to_string(WA_CLICKACTIVE) }));
}
