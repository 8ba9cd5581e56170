// Windows: creation and destruction, finding and walking them, activation and z-order, and a window
// of one process subclassed by another.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/ProcessStorage.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"

#include <algorithm>
#include <list>
#include <map>
#include <string>
#include <vector>

using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;

namespace {

class WindowsTest : public testing_support::DeviceFixture {
protected:
    bool runAll(const std::vector<std::shared_ptr<emu::Process>>& processes)
    {
        const auto outcome = device->runUntil(
            [&] { return std::all_of(processes.begin(), processes.end(), [](const auto& p) { return p->finished(); }); },
            std::nullopt);
        EXPECT_EQ(outcome, emu::RunOutcome::Done) << device->deadlockReport();
        return outcome == emu::RunOutcome::Done;
    }
};

// Handlers that note the messages of interest under the window's name; they live as long as the test
// program. A window is known by its name from its creation on.
class MessageLog {
public:
    MessageHandler& handlerFor(const std::string& name, std::vector<UINT> messages)
    {
        m_handlers.push_back([this, name, messages](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == WM_CREATE)
                m_names[hwnd] = name;
            if (std::find(messages.begin(), messages.end(), message) != messages.end())
                entries.push_back(name + " " + describe(message, wParam, lParam));
            if (onMessage)
                return onMessage(name, message);
            return std::nullopt;
        });
        return m_handlers.back();
    }

    std::string nameOf(HWND hwnd) const
    {
        const auto it = m_names.find(hwnd);
        return it == m_names.end() ? hwnd ? "unknown" : "none" : it->second;
    }

    std::vector<std::string> entries;
    std::function<std::optional<LRESULT>(const std::string&, UINT)> onMessage;

private:
    std::string describe(UINT message, WPARAM wParam, LPARAM lParam) const
    {
        switch (message) {
        case WM_CREATE: return "create";
        case WM_DESTROY: return "destroy";
        case WM_NCACTIVATE: return "ncactivate " + std::to_string(wParam);
        case WM_ACTIVATE: return "activate " + std::to_string(LOWORD(wParam)) + " " + nameOf(reinterpret_cast<HWND>(lParam));
        default: return std::to_string(message);
        }
    }

    std::list<MessageHandler> m_handlers;
    std::map<HWND, std::string> m_names;
};

TEST_F(WindowsTest, DestructionNotifiesTheParentBeforeItsChildrenWhileTheyStillExist)
{
    MessageLog log;
    std::vector<BOOL> afterwards;
    runProgram([&] {
        registerScriptedClass();
        const HWND parent = createScriptedWindow(log.handlerFor("parent", { WM_CREATE, WM_DESTROY }), { .style = WS_POPUP | WS_VISIBLE });
        const HWND first = createScriptedWindow(log.handlerFor("first", { WM_CREATE, WM_DESTROY }),
            { .style = WS_CHILD | WS_VISIBLE, .rect = { 0, 0, 10, 10 }, .parent = parent });
        const HWND second = createScriptedWindow(log.handlerFor("second", { WM_CREATE, WM_DESTROY }),
            { .style = WS_CHILD | WS_VISIBLE, .rect = { 10, 0, 20, 10 }, .parent = parent });
        const HWND grandchild = createScriptedWindow(log.handlerFor("grandchild", { WM_CREATE, WM_DESTROY }),
            { .style = WS_CHILD, .rect = { 0, 0, 5, 5 }, .parent = first });
        log.onMessage = [&](const std::string& name, UINT message) -> std::optional<LRESULT> {
            if (name == "parent" && message == WM_DESTROY)
                log.entries.push_back("children exist: " + std::to_string(IsWindow(first) && IsWindow(second) && IsWindow(grandchild)));
            return std::nullopt;
        };
        DestroyWindow(parent);
        afterwards = { IsWindow(parent), IsWindow(first), IsWindow(second), IsWindow(grandchild) };
        return 0;
    });
    EXPECT_EQ(log.entries, (std::vector<std::string> { "parent create", "first create", "second create", "grandchild create",
                               "parent destroy", "children exist: 1", "first destroy", "grandchild destroy", "second destroy" }));
    EXPECT_EQ(afterwards, (std::vector<BOOL> { FALSE, FALSE, FALSE, FALSE }));
}

TEST_F(WindowsTest, CreationThatTheProcedureRefusesGivesNoWindow)
{
    HWND created = reinterpret_cast<HWND>(1);
    std::vector<std::string> seen;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler refuse = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_CREATE)
                return -1;
            if (message == WM_DESTROY)
                seen.push_back("destroy");
            return std::nullopt;
        };
        created = createScriptedWindow(refuse, { .style = WS_POPUP | WS_VISIBLE });
        return 0;
    });
    EXPECT_EQ(created, nullptr);
    EXPECT_EQ(seen, std::vector<std::string> { "destroy" });
}

TEST_F(WindowsTest, FindWindowComparesClassNamesWithoutRegardToCaseAcrossProcesses)
{
    struct Query {
        const char16_t* className;
        const char16_t* title;
        const char* expected;
    };
    const std::vector<Query> queries {
        { u"KorvaneMain", nullptr, "main" },
        { u"KORVANEMAIN", nullptr, "main" },
        { u"korvanemain", u"Vyx", "main" },
        { nullptr, u"Vyx", "main" },
        { u"korvanemain", u"Other", "none" },
        { u"KorvaneHidden", nullptr, "hidden" },
        { u"KorvaneChild", nullptr, "none" },
        { u"Missing", nullptr, "none" },
    };
    std::map<HWND, std::string> names { { nullptr, "none" } };
    const auto owner = start(u"owner", [&] {
        registerScriptedClass(u"KorvaneMain");
        registerScriptedClass(u"KorvaneHidden");
        registerScriptedClass(u"KorvaneChild");
        MessageHandler none;
        const HWND main = createScriptedWindow(none, { .className = u"KorvaneMain", .title = u"Vyx", .style = WS_POPUP | WS_VISIBLE });
        names[main] = "main";
        names[createScriptedWindow(none, { .className = u"KorvaneHidden", .title = u"Vyx hidden" })] = "hidden";
        names[createScriptedWindow(none, { .className = u"KorvaneChild", .style = WS_CHILD | WS_VISIBLE, .parent = main })] = "child";
        return runMessageLoop();
    });
    std::vector<std::string> found;
    const auto finder = start(u"finder", [&] {
        for (const Query& query : queries) {
            const HWND hwnd = FindWindow(query.className, query.title);
            found.push_back(names.contains(hwnd) ? names[hwnd] : "unknown");
        }
        PostMessage(FindWindow(u"KorvaneMain", nullptr), WM_QUIT, 0, 0);
        return 0;
    });
    ASSERT_TRUE(runAll({ owner, finder }));
    for (std::size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(found.at(i), queries[i].expected) << "query " << i;
}

TEST_F(WindowsTest, EnumWindowsVisitsTopLevelWindowsTopFirstUntilTheCallbackStops)
{
    struct Visit {
        std::vector<HWND> visited;
        std::size_t stopAfter;
    };
    std::vector<HWND> created;
    Visit all { {}, 100 };
    Visit two { {}, 2 };
    std::vector<BOOL> returned;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        for (int i = 0; i < 3; ++i) {
            const HWND window = createScriptedWindow(none, { .style = WS_POPUP | WS_VISIBLE });
            createScriptedWindow(none, { .style = WS_CHILD | WS_VISIBLE, .parent = window });
            created.push_back(window);
        }
        auto callback = [](HWND hwnd, LPARAM param) -> BOOL {
            auto& visit = *reinterpret_cast<Visit*>(param);
            visit.visited.push_back(hwnd);
            return visit.visited.size() < visit.stopAfter ? TRUE : FALSE;
        };
        returned.push_back(EnumWindows(callback, reinterpret_cast<LPARAM>(&all)));
        returned.push_back(EnumWindows(callback, reinterpret_cast<LPARAM>(&two)));
        return 0;
    });
    ASSERT_EQ(created.size(), 3u);
    EXPECT_EQ(all.visited, (std::vector<HWND> { created[2], created[1], created[0] }));
    EXPECT_EQ(two.visited, (std::vector<HWND> { created[2], created[1] }));
    EXPECT_EQ(returned, (std::vector<BOOL> { TRUE, FALSE }));
}

TEST_F(WindowsTest, GetWindowWalksChildrenInTheOrderTheyWereCreated)
{
    std::vector<std::string> walk;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND parent = createScriptedWindow(none, { .style = WS_POPUP | WS_VISIBLE });
        std::map<HWND, std::string> names { { nullptr, "none" }, { parent, "parent" } };
        std::vector<HWND> children;
        for (int i = 1; i <= 3; ++i) {
            children.push_back(createScriptedWindow(none, { .style = WS_CHILD | WS_VISIBLE, .parent = parent, .id = 100 + i }));
            names[children.back()] = "child " + std::to_string(i);
        }
        auto walkChildren = [&] {
            std::string text;
            for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                text += (text.empty() ? "" : ", ") + names[child];
            walk.push_back(text);
        };
        walkChildren();
        walk.push_back("before child 3: " + names[GetWindow(children[2], GW_HWNDPREV)] + ", parent of child 2: "
            + names[GetParent(children[1])] + ", item 102: " + names[GetDlgItem(parent, 102)]);
        DestroyWindow(children[1]);
        walkChildren();
        walk.push_back("child 2 is a window: " + std::to_string(IsWindow(children[1])));
        return 0;
    });
    EXPECT_EQ(walk, (std::vector<std::string> { "child 1, child 2, child 3", "before child 3: child 2, parent of child 2: parent, item 102: child 2",
                        "child 1, child 3", "child 2 is a window: 0" }));
}

TEST_F(WindowsTest, SetForegroundWindowDeactivatesThePreviousWindowBeforeActivatingTheNewOne)
{
    MessageLog log;
    std::vector<std::string> state;
    runProgram([&] {
        registerScriptedClass();
        const std::vector<UINT> activation { WM_NCACTIVATE, WM_ACTIVATE };
        const HWND first = createScriptedWindow(log.handlerFor("first", activation), { .style = WS_POPUP | WS_VISIBLE });
        const HWND second = createScriptedWindow(log.handlerFor("second", activation), { .style = WS_POPUP | WS_VISIBLE });
        const HWND child = createScriptedWindow(log.handlerFor("child", activation), { .style = WS_CHILD | WS_VISIBLE, .parent = first });
        log.entries.push_back("--");
        SetForegroundWindow(child);
        state = { log.nameOf(GetForegroundWindow()), log.nameOf(GetActiveWindow()), log.nameOf(GetWindow(second, GW_HWNDFIRST)) };
        return 0;
    });
    EXPECT_EQ(log.entries, (std::vector<std::string> {
                               "first ncactivate 1",
                               "first activate 1 none",
                               "first ncactivate 0",
                               "first activate 0 second",
                               "second ncactivate 1",
                               "second activate 1 first",
                               "--",
                               "second ncactivate 0",
                               "second activate 0 first",
                               "first ncactivate 1",
                               "first activate 1 second",
                           }));
    EXPECT_EQ(state, (std::vector<std::string> { "first", "first", "first" }));
}

TEST_F(WindowsTest, TopmostWindowsStayAboveTheOthers)
{
    struct Step {
        const char* action;
        std::function<void()> perform;
        const char* zOrder;
    };
    struct Outcome {
        std::string action;
        std::string zOrder;
        std::string expected;
    };
    std::vector<Outcome> outcomes;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        std::map<HWND, std::string> names;
        const HWND topmost = createScriptedWindow(none, { .style = WS_POPUP | WS_VISIBLE, .exStyle = WS_EX_TOPMOST });
        names[topmost] = "T";
        const HWND first = createScriptedWindow(none, { .style = WS_POPUP | WS_VISIBLE });
        names[first] = "A";
        const HWND second = createScriptedWindow(none, { .style = WS_POPUP | WS_VISIBLE });
        names[second] = "B";
        auto zOrder = [&] {
            std::string text;
            for (HWND hwnd = GetWindow(first, GW_HWNDFIRST); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
                text += names[hwnd];
            return text;
        };
        constexpr UINT keep = SWP_NOMOVE | SWP_NOSIZE;
        const std::vector<Step> steps {
            { "created T (topmost), A, B", [] {}, "TBA" },
            { "A to the foreground", [&] { SetForegroundWindow(first); }, "TAB" },
            { "B to the top", [&] { SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, keep); }, "TBA" },
            { "A made topmost", [&] { SetWindowPos(first, HWND_TOPMOST, 0, 0, 0, 0, keep); }, "ATB" },
            { "B to the foreground", [&] { SetForegroundWindow(second); }, "ATB" },
            { "A no longer topmost", [&] { SetWindowPos(first, HWND_NOTOPMOST, 0, 0, 0, 0, keep); }, "TAB" },
            { "T to the bottom", [&] { SetWindowPos(topmost, HWND_BOTTOM, 0, 0, 0, 0, keep); }, "ABT" },
            { "T to the foreground", [&] { SetForegroundWindow(topmost); }, "TAB" },
        };
        for (const Step& step : steps) {
            step.perform();
            outcomes.push_back({ step.action, zOrder(), step.zOrder });
        }
        return 0;
    });
    ASSERT_EQ(outcomes.size(), 8u);
    for (const Outcome& outcome : outcomes)
        EXPECT_EQ(outcome.zOrder, outcome.expected) << "after: " << outcome.action;
}

TEST_F(WindowsTest, WindowsOfAnEndingThreadGoWithoutMessages)
{
    std::vector<std::string> afterEnd;
    bool ended = false;
    // Outlives the program's main routine, so that it can tell what came too late.
    MessageHandler late = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (ended)
            afterEnd.push_back(std::to_string(message));
        return std::nullopt;
    };
    runProgram([&] {
        registerScriptedClass();
        const HWND first = createScriptedWindow(late, { .style = WS_POPUP | WS_VISIBLE });
        createScriptedWindow(late, { .style = WS_POPUP | WS_VISIBLE });
        SetForegroundWindow(first);
        ended = true;
        return 0;
    });
    EXPECT_EQ(afterEnd, std::vector<std::string> {});
}

// The subclassing test: an owner process and a subclassing process, each with its own process-wide int.
LRESULT ownerProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        return platform::processGlobal<int>();
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// The subclassing process keeps the procedure it replaced as a process-wide value.
LRESULT subclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC original = platform::processGlobal<WNDPROC>();
    if (message == WM_APP) {
        platform::processGlobal<std::vector<DWORD>>().push_back(GetCurrentThreadId());
        return platform::processGlobal<int>() * 10 + CallWindowProc(original, hwnd, message, wParam, lParam);
    }
    return CallWindowProc(original, hwnd, message, wParam, lParam);
}

TEST_F(WindowsTest, WindowSubclassedByAnotherProcessRunsEachProcedureWithItsOwnProcessValues)
{
    DWORD ownerThread = 0;
    std::vector<LRESULT> results;
    std::vector<DWORD> subclassThreads;
    bool originalRestored = false;
    const auto owner = start(u"owner", [&] {
        platform::processGlobal<int>() = 1;
        ownerThread = GetCurrentThreadId();
        WNDCLASS windowClass {};
        windowClass.lpfnWndProc = ownerProcedure;
        windowClass.lpszClassName = u"KorvaneOwner";
        RegisterClass(&windowClass);
        CreateWindow(u"KorvaneOwner", u"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
        return runMessageLoop();
    });
    const auto subclasser = start(u"subclasser", [&] {
        platform::processGlobal<int>() = 2;
        const HWND target = FindWindow(u"KorvaneOwner", nullptr);
        platform::processGlobal<WNDPROC>()
            = reinterpret_cast<WNDPROC>(SetWindowLong(target, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProcedure)));
        results.push_back(SendMessage(target, WM_APP, 0, 0));
        // Puts the owner's procedure back, as a well-behaved subclasser does before it ends.
        SetWindowLong(target, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(platform::processGlobal<WNDPROC>()));
        originalRestored = GetWindowLong(target, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(ownerProcedure);
        results.push_back(SendMessage(target, WM_APP, 0, 0));
        subclassThreads = platform::processGlobal<std::vector<DWORD>>();
        PostMessage(target, WM_CLOSE, 0, 0);
        return 0;
    });
    ASSERT_TRUE(runAll({ owner, subclasser }));
    EXPECT_EQ(results, (std::vector<LRESULT> { 21, 1 }));
    EXPECT_EQ(subclassThreads, std::vector<DWORD> { ownerThread });
    EXPECT_TRUE(originalRestored);
}

}
