// The window, message, timer, message-box and menu functions of the device interface, carried out
// on the calling emulated thread.
#include "platform/api/WinUser.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinGdi.h"
#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Gdi.h"
#include "platform/emu/MenuTable.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>
#include <array>

using namespace emu;

namespace {

EmuThread& self()
{
    return *currentThread();
}

Device& device()
{
    return currentDevice();
}

WindowManager& windows()
{
    return device().windows();
}

Window* windowOrError(HWND hwnd)
{
    Window* window = windows().find(hwnd);
    if (!window)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

int copyText(const std::u16string& text, LPWSTR buffer, int maxCount)
{
    if (!buffer || maxCount <= 0)
        return 0;
    const int copied = std::min<int>(static_cast<int>(text.size()), maxCount - 1);
    std::copy_n(text.begin(), copied, buffer);
    buffer[copied] = 0;
    return copied;
}

bool isDescendantOrSelf(const WindowManager& manager, HWND hwnd, HWND ancestor)
{
    for (Window* window = manager.find(hwnd); window; window = manager.find(window->parent)) {
        if (window->hwnd == ancestor)
            return true;
    }
    return false;
}

// A window needing paint whose ancestors are all visible; null when none of the thread's windows does.
// Also called from wait conditions, on whichever thread re-evaluates them.
HWND windowToPaint(const WindowManager& manager, const EmuThread& thread, HWND filter)
{
    for (const HWND topLevel : manager.topLevelWindows()) {
        std::vector<HWND> pending { topLevel };
        while (!pending.empty()) {
            const HWND hwnd = pending.back();
            pending.pop_back();
            const Window& window = *manager.find(hwnd);
            if (!window.isVisible())
                continue;
            if (window.needsPaint && window.thread == &thread && (!filter || isDescendantOrSelf(manager, hwnd, filter)))
                return hwnd;
            pending.insert(pending.end(), window.children.rbegin(), window.children.rend());
        }
    }
    return nullptr;
}

bool filterAccepts(UINT message, UINT filterMin, UINT filterMax)
{
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

// One look at the thread's queue in the platform's order: sent messages are handled first, then a
// posted message (due timers are queued as they fall due), the quit request, and a window to paint.
bool peekQueue(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove)
{
    EmuThread& thread = self();
    windows().handleSentMessages(thread);
    const DWORD now = static_cast<DWORD>(device().clock().now());
    thread.queue.queueDueTimers(now, now);
    if (const auto posted = thread.queue.takePosted(hwnd, filterMin, filterMax, remove)) {
        *msg = *posted;
        thread.lastMessageTime = posted->time;
        thread.lastMessagePos = posted->pt;
        return true;
    }
    if (const auto quit = thread.queue.quitRequest()) {
        *msg = MSG { nullptr, WM_QUIT, static_cast<WPARAM>(*quit), 0, now, {} };
        if (remove)
            thread.queue.clearQuit();
        return true;
    }
    if (filterAccepts(WM_PAINT, filterMin, filterMax)) {
        if (const HWND paint = windowToPaint(windows(), thread, hwnd)) {
            *msg = MSG { paint, WM_PAINT, 0, 0, now, {} };
            return true;
        }
    }
    return false;
}

void waitForMessage(HWND hwnd, UINT filterMin, UINT filterMax, const char* caller)
{
    EmuThread& thread = self();
    const WindowManager& manager = windows();
    auto hasInput = [&thread, &manager, hwnd, filterMin, filterMax]() {
        return thread.queue.hasSent() || thread.queue.hasPosted(hwnd, filterMin, filterMax) || thread.queue.quitRequest()
            || (filterAccepts(WM_PAINT, filterMin, filterMax) && windowToPaint(manager, thread, hwnd));
    };
    device().scheduler().block(WaitRequest { hasInput, thread.queue.nextTimerDue(), caller });
}

char16_t characterOfKey(WPARAM virtualKey, bool shift)
{
    if (virtualKey >= '0' && virtualKey <= '9')
        return static_cast<char16_t>(virtualKey);
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return static_cast<char16_t>(shift ? virtualKey : virtualKey + 32);
    switch (virtualKey) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return u'\r';
    case VK_BACK: return u'\b';
    case VK_TAB: return u'\t';
    case VK_ESCAPE: return 0x1B;
    case 0x6A: return u'*'; // the phone keypad's star
    case 0x77: return u'#'; // and its pound key, on F8
    default: return 0;
    }
}

}

// ---- Window data

LONG_PTR GetWindowLong(HWND hwnd, int index)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return 0;
    switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(window->procedures.back().proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->process->instance());
    case GWL_ID: return window->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(window->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(window->exStyle);
    case GWL_USERDATA: return window->userData;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return 0;
    LONG_PTR previous = GetWindowLong(hwnd, index);
    switch (index) {
    case GWL_WNDPROC: {
        // The new procedure runs as the process that installed it, whichever thread calls it. A
        // procedure put back (a subclass taken off) is the one it was before, with its own process.
        const auto proc = reinterpret_cast<WNDPROC>(value);
        auto& chain = window->procedures;
        const auto earlier = std::find_if(chain.rbegin(), chain.rend(), [&](const WindowProcedure& p) { return p.proc == proc; });
        if (earlier != chain.rend())
            chain.erase(earlier.base(), chain.end());
        else
            chain.push_back(WindowProcedure { proc, self().storageProcess });
        break;
    }
    case GWL_ID: window->id = value; break;
    case GWL_STYLE: window->style = static_cast<DWORD>(value); break;
    case GWL_EXSTYLE: window->exStyle = static_cast<DWORD>(value); break;
    case GWL_USERDATA: window->userData = value; break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return previous;
}

// ---- Classes and windows

ATOM RegisterClass(const WNDCLASS* windowClass)
{
    const ATOM atom = windows().registerClass(self().process(), *windowClass);
    if (!atom)
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return atom;
}

BOOL UnregisterClass(LPCWSTR className, HINSTANCE)
{
    if (!windows().unregisterClass(self().process(), className)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    return TRUE;
}

BOOL GetClassInfo(HINSTANCE, LPCWSTR className, WNDCLASS* windowClass)
{
    const auto found = windows().findClass(self().process(), className);
    if (!found) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *windowClass = WNDCLASS { found->style, found->proc, 0, 0, found->instance, nullptr, nullptr, found->background, nullptr,
        found->name.c_str() };
    return TRUE;
}

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width, int height,
                    HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param)
{
    const CREATESTRUCT request { param, instance, menuOrId, parent, height, width, y, x, static_cast<LONG>(style), windowName,
        className, exStyle };
    const HWND hwnd = windows().create(request, self());
    if (!hwnd)
        SetLastError(windows().findClass(self().process(), className ? className : u"") ? ERROR_INVALID_WINDOW_HANDLE
                                                                                         : ERROR_CLASS_DOES_NOT_EXIST);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    if (window->thread != &self()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return windows().destroy(hwnd) ? TRUE : FALSE;
}

BOOL IsWindow(HWND hwnd)
{
    return windows().find(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    for (Window* window = windows().find(hwnd); window; window = windows().find(window->parent)) {
        if (!window->isVisible())
            return FALSE;
    }
    return windows().find(hwnd) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    const bool wasDisabled = !window->isEnabled();
    if (enable)
        window->style &= ~WS_DISABLED;
    else
        window->style |= WS_DISABLED;
    if (wasDisabled == (enable != FALSE))
        windows().send(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    Window* window = windows().find(hwnd);
    return window && window->isEnabled() ? TRUE : FALSE;
}

HWND FindWindow(LPCWSTR className, LPCWSTR windowName)
{
    const std::u16string classText = className ? className : u"";
    const std::u16string titleText = windowName ? windowName : u"";
    return windows().findTopLevel(className ? &classText : nullptr, windowName ? &titleText : nullptr);
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param)
{
    // The list is taken first: the callback may create or destroy windows.
    const std::vector<HWND> topLevel = windows().topLevelWindows();
    for (const HWND hwnd : topLevel) {
        if (windows().find(hwnd) && !callback(hwnd, param))
            return FALSE;
    }
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return 0;
    if (processId)
        *processId = window->process->id();
    return window->thread->id();
}

int GetClassName(HWND hwnd, LPWSTR className, int maxCount)
{
    Window* window = windowOrError(hwnd);
    return window ? copyText(window->windowClass->name, className, maxCount) : 0;
}

int GetWindowText(HWND hwnd, LPWSTR text, int maxCount)
{
    Window* window = windowOrError(hwnd);
    return window ? copyText(window->title, text, maxCount) : 0;
}

int GetWindowTextLength(HWND hwnd)
{
    Window* window = windowOrError(hwnd);
    return window ? static_cast<int>(window->title.size()) : 0;
}

BOOL SetWindowText(HWND hwnd, LPCWSTR text)
{
    if (!windowOrError(hwnd))
        return FALSE;
    return static_cast<BOOL>(windows().send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

HWND GetParent(HWND hwnd)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return nullptr;
    return window->parent ? window->parent : window->owner;
}

HWND SetParent(HWND child, HWND newParent)
{
    Window* window = windowOrError(child);
    Window* parent = windows().find(newParent);
    if (!window || !parent || window->isTopLevel())
        return nullptr;
    const HWND previous = window->parent;
    std::erase(windows().find(previous)->children, child);
    parent->children.push_back(child);
    window->parent = newParent;
    return previous;
}

HWND GetDlgItem(HWND dialog, int id)
{
    Window* window = windowOrError(dialog);
    if (!window)
        return nullptr;
    for (const HWND child : window->children) {
        if (windows().find(child)->id == id)
            return child;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    Window* window = windowOrError(hwnd);
    return window ? static_cast<int>(window->id) : 0;
}

HWND GetWindow(HWND hwnd, UINT command)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return nullptr;
    if (command == GW_CHILD)
        return window->children.empty() ? nullptr : window->children.front();
    if (command == GW_OWNER)
        return window->owner;
    const std::vector<HWND>& siblings = window->parent ? windows().find(window->parent)->children : windows().topLevelWindows();
    const auto at = std::find(siblings.begin(), siblings.end(), hwnd);
    switch (command) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return std::next(at) == siblings.end() ? nullptr : *std::next(at);
    case GW_HWNDPREV: return at == siblings.begin() ? nullptr : *std::prev(at);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

BOOL GetWindowRect(HWND hwnd, RECT* rect)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    const POINT origin = windows().clientOrigin(*window);
    *rect = RECT { origin.x, origin.y, origin.x + window->width(), origin.y + window->height() };
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    *rect = RECT { 0, 0, window->width(), window->height() };
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    const POINT origin = windows().clientOrigin(*window);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    const POINT origin = windows().clientOrigin(*window);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    return windows().setPosition(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW))
        ? TRUE
        : FALSE;
}

HWND WindowFromPoint(POINT point)
{
    return windows().windowAt(point);
}

// ---- Showing, activation and z-order

BOOL ShowWindow(HWND hwnd, int command)
{
    if (!windowOrError(hwnd))
        return FALSE;
    return windows().show(hwnd, command) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    if (!windowOrError(hwnd))
        return FALSE;
    return windows().setPosition(hwnd, insertAfter, x, y, width, height, flags) ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND hwnd)
{
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL SetForegroundWindow(HWND hwnd)
{
    return windows().setForeground(hwnd) ? TRUE : FALSE;
}

HWND GetForegroundWindow()
{
    return windows().foreground();
}

HWND SetActiveWindow(HWND hwnd)
{
    const HWND previous = windows().foreground();
    return windows().setForeground(hwnd) ? previous : nullptr;
}

HWND GetActiveWindow()
{
    // The active window is the foreground window when it belongs to the calling thread.
    Window* window = windows().find(windows().foreground());
    return window && window->thread == &self() ? window->hwnd : nullptr;
}

HWND SetFocus(HWND hwnd)
{
    return windows().setFocus(hwnd);
}

HWND GetFocus()
{
    return windows().focus();
}

HWND SetCapture(HWND hwnd)
{
    return windows().setCapture(hwnd);
}

BOOL ReleaseCapture()
{
    windows().setCapture(nullptr);
    return TRUE;
}

HWND GetCapture()
{
    return windows().capture();
}

// ---- Messages and queues

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd) {
        const DWORD now = static_cast<DWORD>(device().clock().now());
        self().queue.post(MSG { nullptr, message, wParam, lParam, now, {} });
        return TRUE;
    }
    if (!windows().post(hwnd, message, wParam, lParam)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const auto& process : device().processes()) {
        for (const auto& thread : process->threads()) {
            if (thread->id() != threadId || thread->finished())
                continue;
            thread->queue.post(MSG { nullptr, message, wParam, lParam, static_cast<DWORD>(device().clock().now()), {} });
            device().scheduler().wakeWaiters();
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

void PostQuitMessage(int exitCode)
{
    self().queue.postQuit(exitCode);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!windowOrError(hwnd))
        return 0;
    return windows().send(hwnd, message, wParam, lParam);
}

BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!windows().sendNotify(hwnd, message, wParam, lParam)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    while (!peekQueue(msg, hwnd, filterMin, filterMax, true))
        waitForMessage(hwnd, filterMin, filterMax, "GetMessage");
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    return peekQueue(msg, hwnd, filterMin, filterMax, (removeMessage & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WaitMessage()
{
    MSG msg;
    if (!peekQueue(&msg, nullptr, 0, 0, false))
        waitForMessage(nullptr, 0, 0, "WaitMessage");
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg)
{
    if (msg->message != WM_KEYDOWN)
        return FALSE;
    const bool shift = device().isKeyDown(0x10);
    const char16_t character = characterOfKey(msg->wParam, shift);
    if (!character)
        return FALSE;
    self().queue.postFirst(MSG { msg->hwnd, WM_CHAR, character, msg->lParam, msg->time, msg->pt });
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (msg->message == WM_TIMER && msg->lParam) {
        // A timer with its own procedure calls it instead of the window's.
        const auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    Window* window = windows().find(msg->hwnd);
    if (!window || window->thread != &self())
        return 0;
    return windows().dispatch(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = windows().find(hwnd);
    if (!window)
        return 0;
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_ERASEBKGND: {
        const HBRUSH background = window->windowClass->background;
        if (!background)
            return 0;
        RECT client { 0, 0, window->width(), window->height() };
        FillRect(reinterpret_cast<HDC>(wParam), &client, background);
        return 1;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !isDescendantOrSelf(windows(), windows().focus(), hwnd))
            windows().setFocus(hwnd);
        return 0;
    case WM_SETTEXT:
        window->title = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
        return TRUE;
    case WM_GETTEXT:
        return copyText(window->title, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window->title.size());
    default:
        return 0;
    }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = windows().find(hwnd);
    if (!window || !proc)
        return 0;
    return windows().callProcedure(*window, proc, message, wParam, lParam);
}

UINT RegisterWindowMessage(LPCWSTR name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return windows().registerMessage(name);
}

DWORD GetMessagePos()
{
    const POINT& point = self().lastMessagePos;
    return static_cast<DWORD>(MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
}

LONG GetMessageTime()
{
    return static_cast<LONG>(self().lastMessageTime);
}

// ---- Timers

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    EmuThread& thread = self();
    if (hwnd) {
        Window* window = windowOrError(hwnd);
        if (!window || window->thread != &thread) {
            SetLastError(window ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
    } else {
        // A timer without a window gets an identifier of its own.
        id = thread.queue.newThreadTimerId();
    }
    thread.queue.setTimer(hwnd, id, elapse, proc, device().clock().now());
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    Window* window = windows().find(hwnd);
    EmuThread& thread = window ? *window->thread : self();
    return thread.queue.killTimer(hwnd, id) ? TRUE : FALSE;
}

// ---- Painting

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase)
{
    if (!windowOrError(hwnd))
        return FALSE;
    windows().invalidate(hwnd, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*)
{
    if (!windowOrError(hwnd))
        return FALSE;
    windows().validate(hwnd);
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return FALSE;
    if (window->needsPaint && IsWindowVisible(hwnd))
        windows().send(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint)
{
    Window* window = windowOrError(hwnd);
    if (!window)
        return nullptr;
    const bool erase = window->needsErase;
    windows().validate(hwnd);
    const HDC dc = device().gdi().windowContext(hwnd);
    *paint = PAINTSTRUCT {};
    paint->hdc = dc;
    paint->rcPaint = RECT { 0, 0, window->width(), window->height() };
    // fErase tells the painter that the background still needs erasing.
    const bool erased = erase && windows().send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
    paint->fErase = erase && !erased ? TRUE : FALSE;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint)
{
    device().gdi().releaseContext(paint->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd)
{
    return device().gdi().windowContext(hwnd);
}

int ReleaseDC(HWND, HDC dc)
{
    return device().gdi().releaseContext(dc) ? 1 : 0;
}

// ---- Message boxes

int MessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    struct Button {
        const char* name;
        int id;
    };
    static constexpr std::array<std::array<Button, 3>, 6> layouts { {
        { { { "OK", IDOK } } },
        { { { "OK", IDOK }, { "Cancel", IDCANCEL } } },
        { { { "Abort", IDABORT }, { "Retry", IDRETRY }, { "Ignore", IDIGNORE } } },
        { { { "Yes", IDYES }, { "No", IDNO }, { "Cancel", IDCANCEL } } },
        { { { "Yes", IDYES }, { "No", IDNO } } },
        { { { "Retry", IDRETRY }, { "Cancel", IDCANCEL } } },
    } };
    const UINT layoutIndex = std::min<UINT>(type & MB_TYPEMASK, static_cast<UINT>(layouts.size() - 1));
    const auto& layout = layouts[layoutIndex];

    std::string buttons;
    for (const Button& button : layout) {
        if (button.name)
            buttons += (buttons.empty() ? "" : ",") + std::string(button.name);
    }
    // The driver's queued answer; the first button when none was queued.
    Button chosen = layout.front();
    std::string note;
    auto& answers = device().messageBoxAnswers();
    if (!answers.empty()) {
        const std::string answer = answers.front();
        answers.pop_front();
        const auto match = std::find_if(layout.begin(), layout.end(), [&](const Button& button) {
            return button.name && equalsIgnoringCase(fromUtf8(button.name), fromUtf8(answer));
        });
        if (match != layout.end())
            chosen = *match;
        else
            note = " (the queued answer " + answer + " is not a button of this box)";
    }
    device().transcript().event("messagebox " + quotedText(caption ? caption : u"") + " " + quotedText(text ? text : u"") + " "
        + buttons + " -> " + chosen.name + note);
    return chosen.id;
}

// ---- Pop-up menus

HMENU CreatePopupMenu()
{
    return device().menus().create();
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, LPCWSTR text)
{
    auto* items = device().menus().items(menu);
    if (!items) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    items->push_back(MenuItem { flags, idOrSubMenu, text && !(flags & MF_SEPARATOR) ? text : u"" });
    return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    MenuItem* entry = device().menus().findItem(menu, item, (check & MF_BYPOSITION) != 0);
    if (!entry)
        return 0xFFFFFFFF;
    const DWORD previous = entry->flags & MF_CHECKED;
    entry->flags = (entry->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return previous;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    MenuItem* entry = device().menus().findItem(menu, item, (enable & MF_BYPOSITION) != 0);
    if (!entry)
        return -1;
    const UINT previous = entry->flags & (MF_GRAYED | MF_DISABLED);
    entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

int GetMenuItemCount(HMENU menu)
{
    const auto* items = device().menus().items(menu);
    return items ? static_cast<int>(items->size()) : -1;
}

BOOL DestroyMenu(HMENU menu)
{
    return device().menus().destroy(menu) ? TRUE : FALSE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int, int, int, HWND owner, const RECT*)
{
    MenuTable& menus = device().menus();
    if (!menus.items(menu)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (owner && !(flags & TPM_NONOTIFY))
        windows().send(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);

    // The driver's queued choice; dismissed when none was queued.
    UINT command = 0;
    std::string note;
    auto& choices = device().menuChoices();
    if (!choices.empty()) {
        const std::string choice = choices.front();
        choices.pop_front();
        if (const auto resolved = menus.resolveChoice(menu, choice))
            command = *resolved;
        else
            note = " (the queued choice " + choice + " is no item of this menu)";
    }
    device().transcript().event("menu " + menus.describe(menu) + " -> " + std::to_string(command) + note);
    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(command);
    if (command && owner)
        windows().post(owner, WM_COMMAND, command, 0);
    return command ? TRUE : FALSE;
}

// ---- System metrics

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: return device().profile().screenWidth;
    case SM_CYSCREEN: return device().profile().screenHeight;
    default: return 0;
    }
}
