#include "platform/emu/WindowManager.h"

#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"

#include <algorithm>

namespace emu {

namespace {

constexpr COLORREF desktopColor = RGB(0, 0, 0);

bool contains(const RECT& rect, POINT point)
{
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

// Restores the storage process of the running thread when a procedure returns or throws.
class StorageProcessScope {
public:
    StorageProcessScope(EmuThread& thread, Process* process)
        : m_thread(thread)
        , m_saved(thread.storageProcess)
    {
        thread.storageProcess = process;
    }
    ~StorageProcessScope() { m_thread.storageProcess = m_saved; }
    StorageProcessScope(const StorageProcessScope&) = delete;
    StorageProcessScope& operator=(const StorageProcessScope&) = delete;

private:
    EmuThread& m_thread;
    Process* m_saved;
};

}

WindowManager::WindowManager(Device& device)
    : m_device(device)
{
}

WindowManager::~WindowManager() = default;

// ---- Classes

ATOM WindowManager::registerClass(Process& process, const WNDCLASS& definition)
{
    if (!definition.lpszClassName || !definition.lpfnWndProc)
        return 0;
    auto key = std::make_pair(static_cast<const Process*>(&process), foldCase(definition.lpszClassName));
    if (m_classes.contains(key))
        return 0;
    auto windowClass = std::make_shared<WindowClass>(WindowClass { definition.lpszClassName, definition.lpfnWndProc,
        definition.hbrBackground, definition.style, definition.hInstance });
    m_classes.emplace(std::move(key), std::move(windowClass));
    return m_nextAtom++;
}

bool WindowManager::unregisterClass(Process& process, const std::u16string& name)
{
    return m_classes.erase(std::make_pair(static_cast<const Process*>(&process), foldCase(name))) > 0;
}

std::shared_ptr<const WindowClass> WindowManager::findClass(const Process& process, const std::u16string& name) const
{
    const auto it = m_classes.find(std::make_pair(&process, foldCase(name)));
    return it == m_classes.end() ? nullptr : it->second;
}

// ---- Windows

Window* WindowManager::find(HWND hwnd) const
{
    const auto it = m_windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == m_windows.end() ? nullptr : it->second.get();
}

std::vector<HWND>& WindowManager::siblingsOf(const Window& window)
{
    return window.parent ? find(window.parent)->children : m_zOrder;
}

HWND WindowManager::create(const CREATESTRUCT& request, EmuThread& thread)
{
    auto windowClass = findClass(thread.process(), request.lpszClass ? request.lpszClass : u"");
    if (!windowClass)
        return nullptr;
    const bool isChild = (request.style & WS_CHILD) != 0;
    if (isChild && !find(request.hwndParent))
        return nullptr;

    auto window = std::make_unique<Window>();
    const HWND hwnd = reinterpret_cast<HWND>(m_nextHandle++);
    window->hwnd = hwnd;
    window->windowClass = windowClass;
    window->title = request.lpszName ? request.lpszName : u"";
    // Shown below through show(), so that showing follows one path.
    window->style = static_cast<DWORD>(request.style) & ~WS_VISIBLE;
    window->exStyle = request.dwExStyle;
    window->parent = isChild ? request.hwndParent : nullptr;
    window->owner = isChild ? nullptr : request.hwndParent;
    window->id = isChild ? static_cast<LONG_PTR>(reinterpret_cast<std::uintptr_t>(request.hMenu)) : 0;
    const bool useDefault = request.x == CW_USEDEFAULT || request.cx == CW_USEDEFAULT;
    const int width = useDefault ? m_device.profile().screenWidth : request.cx;
    const int height = useDefault ? m_device.profile().screenHeight : request.cy;
    const int x = useDefault ? 0 : request.x;
    const int y = useDefault ? 0 : request.y;
    window->rect = RECT { x, y, x + width, y + height };
    window->procedures.push_back(WindowProcedure { windowClass->proc, &thread.process() });
    window->thread = &thread;
    window->process = &thread.process();
    if (!isChild)
        window->surface = std::make_unique<Bitmap>(width, height);

    Window& created = *window;
    m_windows.emplace(reinterpret_cast<std::uintptr_t>(hwnd), std::move(window));
    if (isChild) {
        // Children join at the bottom, so that the first created is the first child.
        find(created.parent)->children.push_back(hwnd);
    } else {
        m_zOrder.insert(m_zOrder.begin(), hwnd);
        raise(created, HWND_TOP);
    }

    CREATESTRUCT createStruct = request;
    createStruct.x = x;
    createStruct.y = y;
    createStruct.cx = width;
    createStruct.cy = height;
    if (send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&createStruct)) == -1) {
        destroy(hwnd);
        return nullptr;
    }
    if (find(hwnd) && (request.style & WS_VISIBLE))
        show(hwnd, (request.dwExStyle & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    return find(hwnd) ? hwnd : nullptr;
}

bool WindowManager::destroy(HWND hwnd)
{
    Window* window = find(hwnd);
    if (!window || window->destroying)
        return false;
    // Owned windows go first, then the window, its children after it.
    std::vector<HWND> owned;
    for (const auto& [value, other] : m_windows) {
        if (other->owner == hwnd)
            owned.push_back(other->hwnd);
    }
    for (const HWND ownedWindow : owned)
        destroy(ownedWindow);
    window = find(hwnd);
    if (!window)
        return true;
    if (window->isVisible())
        show(hwnd, SW_HIDE);
    destroyTree(hwnd);
    forget(hwnd);
    return true;
}

void WindowManager::destroyTree(HWND hwnd)
{
    Window* window = find(hwnd);
    if (!window)
        return;
    window->destroying = true;
    send(hwnd, WM_DESTROY, 0, 0);
    window = find(hwnd);
    if (!window)
        return;
    const std::vector<HWND> children = window->children;
    for (const HWND child : children)
        destroyTree(child);
}

void WindowManager::forget(HWND hwnd)
{
    Window* window = find(hwnd);
    if (!window)
        return;
    const std::vector<HWND> children = window->children;
    for (const HWND child : children)
        forget(child);
    std::erase(siblingsOf(*window), hwnd);
    window->thread->queue.removeWindow(hwnd);
    if (m_focus == hwnd)
        m_focus = nullptr;
    if (m_capture == hwnd)
        m_capture = nullptr;
    const bool wasForeground = m_foreground == hwnd;
    m_windows.erase(reinterpret_cast<std::uintptr_t>(hwnd));
    if (wasForeground) {
        m_foreground = nullptr;
        const auto next = std::find_if(m_zOrder.begin(), m_zOrder.end(), [&](HWND other) { return find(other)->isVisible(); });
        if (next != m_zOrder.end())
            activate(*next);
    }
}

void WindowManager::destroyWindowsOfThread(EmuThread& thread)
{
    // A thread that ends takes its windows with it, without messages: nobody is left to handle them.
    // When one of them is in the foreground, the next window is activated once they are all gone, so
    // that none of them is activated on the way.
    std::vector<HWND> owned;
    for (const auto& [value, window] : m_windows) {
        if (window->thread == &thread && (window->isTopLevel() || find(window->parent)->thread != &thread))
            owned.push_back(window->hwnd);
    }
    const Window* active = find(m_foreground);
    const bool losesForeground = active && active->thread == &thread;
    if (losesForeground)
        m_foreground = nullptr;
    for (const HWND hwnd : owned)
        forget(hwnd);
    if (losesForeground) {
        const auto next = std::find_if(m_zOrder.begin(), m_zOrder.end(), [&](HWND other) { return find(other)->isVisible(); });
        if (next != m_zOrder.end())
            activate(*next);
    }
}

HWND WindowManager::findTopLevel(const std::u16string* className, const std::u16string* title) const
{
    for (const HWND hwnd : m_zOrder) {
        const Window& window = *find(hwnd);
        if (className && !equalsIgnoringCase(window.windowClass->name, *className))
            continue;
        if (title && window.title != *title)
            continue;
        return hwnd;
    }
    return nullptr;
}

POINT WindowManager::clientOrigin(const Window& window) const
{
    POINT origin { window.rect.left, window.rect.top };
    for (const Window* parent = find(window.parent); parent; parent = find(parent->parent)) {
        origin.x += parent->rect.left;
        origin.y += parent->rect.top;
    }
    return origin;
}

HWND WindowManager::windowAt(POINT point) const
{
    for (const HWND hwnd : m_zOrder) {
        const Window* window = find(hwnd);
        if (!window->isVisible() || !contains(window->rect, point))
            continue;
        // Descend into the topmost visible child under the point, as far as children go.
        POINT local { point.x - window->rect.left, point.y - window->rect.top };
        for (bool descended = true; descended;) {
            descended = false;
            for (const HWND child : window->children) {
                const Window* candidate = find(child);
                if (candidate->isVisible() && contains(candidate->rect, local)) {
                    local = POINT { local.x - candidate->rect.left, local.y - candidate->rect.top };
                    window = candidate;
                    descended = true;
                    break;
                }
            }
        }
        return window->hwnd;
    }
    return nullptr;
}

// ---- Showing, z-order and activation

void WindowManager::raise(Window& window, HWND insertAfter)
{
    std::vector<HWND>& siblings = siblingsOf(window);
    std::erase(siblings, window.hwnd);
    if (window.isTopLevel()) {
        if (insertAfter == HWND_TOPMOST)
            window.exStyle |= WS_EX_TOPMOST;
        else if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM)
            window.exStyle &= ~WS_EX_TOPMOST;
    }
    auto position = siblings.begin();
    if (insertAfter == HWND_BOTTOM) {
        position = siblings.end();
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        // The top of the window's band: topmost windows stay above all others.
        if (window.isTopLevel() && !window.isTopmost())
            position = std::find_if(siblings.begin(), siblings.end(), [&](HWND other) { return !find(other)->isTopmost(); });
    } else {
        const auto after = std::find(siblings.begin(), siblings.end(), insertAfter);
        position = after == siblings.end() ? siblings.begin() : std::next(after);
    }
    siblings.insert(position, window.hwnd);
    if (window.isTopLevel())
        std::stable_partition(siblings.begin(), siblings.end(), [&](HWND other) { return find(other)->isTopmost(); });
}

void WindowManager::notifyWindow(Window& window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A window of the calling thread hears at once; another thread's window finds the notice in its
    // queue. Waiting for that thread could hang both: it may be waiting for the caller (for its end,
    // say), and the caller may be a thread that is ending.
    sendNotify(window.hwnd, message, wParam, lParam);
}

void WindowManager::activate(HWND hwnd, WPARAM how)
{
    const HWND previous = m_foreground;
    if (previous == hwnd)
        return;
    m_foreground = hwnd;
    if (Window* old = find(previous)) {
        notifyWindow(*old, WM_NCACTIVATE, FALSE, 0);
        if ((old = find(previous)))
            notifyWindow(*old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    if (Window* window = find(hwnd)) {
        notifyWindow(*window, WM_NCACTIVATE, TRUE, 0);
        if ((window = find(hwnd)))
            notifyWindow(*window, WM_ACTIVATE, how, reinterpret_cast<LPARAM>(previous));
    }
}

bool WindowManager::setForeground(HWND hwnd)
{
    Window* window = find(hwnd);
    while (window && !window->isTopLevel())
        window = find(window->parent);
    if (!window)
        return false;
    raise(*window, HWND_TOP);
    activate(window->hwnd);
    return true;
}

bool WindowManager::show(HWND hwnd, int command)
{
    Window* window = find(hwnd);
    if (!window)
        return false;
    const bool wasVisible = window->isVisible();
    const bool makeVisible = command != SW_HIDE && command != SW_MINIMIZE;
    if (makeVisible != wasVisible) {
        if (makeVisible)
            window->style |= WS_VISIBLE;
        else
            window->style &= ~WS_VISIBLE;
        send(hwnd, WM_SHOWWINDOW, makeVisible ? TRUE : FALSE, 0);
        if (!(window = find(hwnd)))
            return wasVisible;
        WINDOWPOS position { hwnd, nullptr, window->rect.left, window->rect.top, window->width(), window->height(),
            SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (makeVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) };
        send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
        if (!(window = find(hwnd)))
            return wasVisible;
        if (makeVisible)
            invalidate(hwnd, true);
    }
    if (window->isTopLevel()) {
        const bool activates = command == SW_SHOW || command == SW_SHOWNORMAL;
        if (makeVisible && activates)
            setForeground(hwnd);
        if (!makeVisible && m_foreground == hwnd) {
            m_foreground = nullptr;
            const auto next = std::find_if(m_zOrder.begin(), m_zOrder.end(), [&](HWND other) { return find(other)->isVisible(); });
            notifyWindow(*window, WM_NCACTIVATE, FALSE, 0);
            if ((window = find(hwnd)))
                notifyWindow(*window, WM_ACTIVATE, WA_INACTIVE, next != m_zOrder.end() ? reinterpret_cast<LPARAM>(*next) : 0);
            if (next != m_zOrder.end() && find(*next))
                activate(*next);
        }
    }
    return wasVisible;
}

bool WindowManager::setPosition(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    Window* window = find(hwnd);
    if (!window)
        return false;
    const RECT old = window->rect;
    if (!(flags & SWP_NOMOVE)) {
        window->rect.right = x + (old.right - old.left);
        window->rect.bottom = y + (old.bottom - old.top);
        window->rect.left = x;
        window->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        window->rect.right = window->rect.left + std::max(width, 0);
        window->rect.bottom = window->rect.top + std::max(height, 0);
        if (window->surface && (window->width() != old.right - old.left || window->height() != old.bottom - old.top))
            window->surface = std::make_unique<Bitmap>(window->width(), window->height());
    }
    if (!(flags & SWP_NOZORDER))
        raise(*window, insertAfter);
    if (flags & SWP_SHOWWINDOW)
        window->style |= WS_VISIBLE;
    if (flags & SWP_HIDEWINDOW)
        window->style &= ~WS_VISIBLE;

    WINDOWPOS position { hwnd, insertAfter, window->rect.left, window->rect.top, window->width(), window->height(), flags };
    send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
    if (!(window = find(hwnd)))
        return true;
    if (window->isVisible() && !(flags & SWP_NOREDRAW))
        invalidate(hwnd, true);
    if (window->isTopLevel() && window->isVisible() && !(flags & SWP_NOACTIVATE))
        activate(hwnd);
    return true;
}

HWND WindowManager::setFocus(HWND hwnd)
{
    const HWND previous = m_focus;
    if (hwnd && !find(hwnd))
        return nullptr;
    if (previous == hwnd)
        return previous;
    m_focus = hwnd;
    if (Window* old = find(previous))
        notifyWindow(*old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (Window* window = find(hwnd))
        notifyWindow(*window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND WindowManager::setCapture(HWND hwnd)
{
    const HWND previous = m_capture;
    m_capture = find(hwnd) ? hwnd : nullptr;
    if (previous && previous != m_capture) {
        if (Window* old = find(previous))
            notifyWindow(*old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(m_capture));
    }
    return previous;
}

// ---- Messages

LRESULT WindowManager::callProcedure(Window& window, WNDPROC proc, UINT message, WPARAM wParam, LPARAM lParam)
{
    EmuThread& thread = *currentThread();
    // The procedure sees the storage of the process that installed it, even on another process's thread.
    Process* owner = thread.storageProcess;
    for (auto it = window.procedures.rbegin(); it != window.procedures.rend(); ++it) {
        if (it->proc == proc) {
            owner = it->owner;
            break;
        }
    }
    const StorageProcessScope scope(thread, owner);
    return proc(window.hwnd, message, wParam, lParam);
}

LRESULT WindowManager::dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = find(hwnd);
    if (!window)
        return 0;
    spy(*window, message, wParam, lParam);
    return callProcedure(*window, window->procedures.back().proc, message, wParam, lParam);
}

LRESULT WindowManager::send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = find(hwnd);
    if (!window)
        return 0;
    EmuThread& sender = *currentThread();
    if (window->thread == &sender)
        return dispatch(hwnd, message, wParam, lParam);
    EmuThread& receiver = *window->thread;
    if (receiver.finished())
        return 0;
    auto sent = std::make_shared<SentMessage>(SentMessage { hwnd, message, wParam, lParam });
    receiver.queue.pushSent(sent);
    m_device.scheduler().wakeWaiters();
    const std::string what = "SendMessage(" + std::to_string(message) + ") to window " + hexText(reinterpret_cast<std::uintptr_t>(hwnd))
        + " of " + receiver.describe();
    while (!sent->done) {
        m_device.scheduler().block(WaitRequest { [&] { return sent->done || sender.queue.hasSent(); }, std::nullopt, what });
        handleSentMessages(sender);
    }
    return sent->result;
}

bool WindowManager::sendNotify(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = find(hwnd);
    if (!window)
        return false;
    if (currentThread() == window->thread) {
        dispatch(hwnd, message, wParam, lParam);
        return true;
    }
    window->thread->queue.pushSent(std::make_shared<SentMessage>(SentMessage { hwnd, message, wParam, lParam }));
    m_device.scheduler().wakeWaiters();
    return true;
}

bool WindowManager::handleSentMessages(EmuThread& thread)
{
    bool handled = false;
    while (auto sent = thread.queue.popSent()) {
        sent->result = dispatch(sent->hwnd, sent->message, sent->wParam, sent->lParam);
        sent->done = true;
        handled = true;
        m_device.scheduler().wakeWaiters();
    }
    return handled;
}

bool WindowManager::post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = find(hwnd);
    if (!window || window->thread->finished())
        return false;
    window->thread->queue.post(MSG { hwnd, message, wParam, lParam, static_cast<DWORD>(m_device.clock().now()), {} });
    m_device.scheduler().wakeWaiters();
    return true;
}

UINT WindowManager::registerMessage(const std::u16string& name)
{
    const auto [it, inserted] = m_registeredMessages.emplace(foldCase(name), 0);
    if (inserted)
        it->second = 0xC000 + static_cast<UINT>(m_registeredMessages.size()) - 1;
    return it->second;
}

void WindowManager::spy(const Window& window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!m_spyClass || !equalsIgnoringCase(window.windowClass->name, *m_spyClass))
        return;
    m_device.transcript().event("spy " + hexText(reinterpret_cast<std::uintptr_t>(window.hwnd)) + " "
        + toUtf8(window.windowClass->name) + " " + std::to_string(message) + " " + hexText(static_cast<std::uint32_t>(wParam)) + " "
        + hexText(static_cast<std::uint32_t>(lParam)));
}

// ---- Driving

bool WindowManager::postFromDriver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return post(hwnd, message, wParam, lParam);
}

std::optional<LRESULT> WindowManager::sendFromDriver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = find(hwnd);
    if (!window || window->thread->finished())
        return std::nullopt;
    auto sent = std::make_shared<SentMessage>(SentMessage { hwnd, message, wParam, lParam });
    window->thread->queue.pushSent(sent);
    m_device.scheduler().wakeWaiters();
    const RunOutcome outcome = m_device.runUntil([&] { return sent->done; }, std::nullopt);
    if (outcome != RunOutcome::Done)
        return std::nullopt;
    return sent->result;
}

void WindowManager::pen(PenAction action, POINT point)
{
    m_device.setKeyDown(VK_LBUTTON, action != PenAction::Up);
    const HWND target = m_capture ? m_capture : windowAt(point);
    Window* window = find(target);
    if (!window)
        return;
    if (action == PenAction::Down) {
        Window* topLevel = window;
        while (!topLevel->isTopLevel())
            topLevel = find(topLevel->parent);
        if (m_foreground != topLevel->hwnd && !(topLevel->exStyle & WS_EX_NOACTIVATE)) {
            raise(*topLevel, HWND_TOP);
            activate(topLevel->hwnd, WA_CLICKACTIVE);
        }
        if (!(window = find(target)))
            return;
    }
    const POINT origin = clientOrigin(*window);
    const LPARAM position = MAKELPARAM(static_cast<WORD>(point.x - origin.x), static_cast<WORD>(point.y - origin.y));
    const UINT message = action == PenAction::Down ? WM_LBUTTONDOWN : action == PenAction::Move ? WM_MOUSEMOVE : WM_LBUTTONUP;
    const WPARAM buttons = action == PenAction::Up ? 0 : MK_LBUTTON;
    window->thread->queue.post(MSG { target, message, buttons, position, static_cast<DWORD>(m_device.clock().now()), point });
    m_device.scheduler().wakeWaiters();
}

void WindowManager::key(bool down, int virtualKey)
{
    m_device.setKeyDown(virtualKey, down);
    const HWND target = m_focus ? m_focus : m_foreground;
    Window* window = find(target);
    if (!window)
        return;
    const LPARAM keyData = down ? 1 : static_cast<LPARAM>(0xC0000001u);
    window->thread->queue.post(MSG { target, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(virtualKey), keyData,
        static_cast<DWORD>(m_device.clock().now()), {} });
    m_device.scheduler().wakeWaiters();
}

// ---- Painting

void WindowManager::invalidate(HWND hwnd, bool erase)
{
    Window* window = find(hwnd);
    if (!window)
        return;
    window->needsPaint = true;
    window->needsErase = window->needsErase || erase;
    for (const HWND child : window->children)
        invalidate(child, erase);
    m_device.scheduler().wakeWaiters();
}

void WindowManager::validate(HWND hwnd)
{
    if (Window* window = find(hwnd)) {
        window->needsPaint = false;
        window->needsErase = false;
    }
}

Window* WindowManager::surfaceOwner(const Window& window, POINT& offset) const
{
    offset = POINT { 0, 0 };
    const Window* current = &window;
    while (!current->isTopLevel()) {
        offset.x += current->rect.left;
        offset.y += current->rect.top;
        current = find(current->parent);
    }
    return const_cast<Window*>(current);
}

Bitmap WindowManager::composeScreen() const
{
    Bitmap screen(m_device.profile().screenWidth, m_device.profile().screenHeight, desktopColor);
    for (auto it = m_zOrder.rbegin(); it != m_zOrder.rend(); ++it) {
        const Window& window = *find(*it);
        if (window.isVisible())
            screen.draw(*window.surface, window.rect.left, window.rect.top);
    }
    return screen;
}

}
