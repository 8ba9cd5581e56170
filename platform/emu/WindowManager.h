// The device's windows: classes per process, the window tree, z-order and activation, message
// delivery between threads and processes, timers, input, painting and the composed screen.
#pragma once

#include "platform/api/WinUser.h"
#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace emu {

class Device;
class EmuThread;
class Process;

struct WindowClass {
    std::u16string name;
    WNDPROC proc;
    HBRUSH background;
    UINT style;
    HINSTANCE instance;
};

// A window procedure and the process whose storage it sees when it runs.
struct WindowProcedure {
    WNDPROC proc;
    Process* owner;
};

struct Window {
    HWND hwnd;
    std::shared_ptr<const WindowClass> windowClass;
    std::u16string title;
    DWORD style;
    DWORD exStyle;
    HWND parent;
    HWND owner;
    std::vector<HWND> children; // in z-order, top first
    RECT rect;                  // screen coordinates for top-level windows, parent's client area for children
    LONG_PTR userData { 0 };
    LONG_PTR id { 0 };
    std::vector<WindowProcedure> procedures; // the last one is called first
    EmuThread* thread;
    Process* process;
    bool needsPaint { false };
    bool needsErase { false };
    std::unique_ptr<Bitmap> surface; // top-level windows draw here
    bool destroying { false };

    bool isTopLevel() const { return parent == nullptr; }
    bool isVisible() const { return (style & WS_VISIBLE) != 0; }
    bool isEnabled() const { return (style & WS_DISABLED) == 0; }
    bool isTopmost() const { return (exStyle & WS_EX_TOPMOST) != 0; }
    int width() const { return rect.right - rect.left; }
    int height() const { return rect.bottom - rect.top; }
};

enum class PenAction { Down, Move, Up };

class WindowManager {
public:
    explicit WindowManager(Device&);
    ~WindowManager();

    // ---- Classes, per process; names compare without regard to case
    ATOM registerClass(Process&, const WNDCLASS&);
    bool unregisterClass(Process&, const std::u16string& name);
    std::shared_ptr<const WindowClass> findClass(const Process&, const std::u16string& name) const;

    // ---- Windows
    HWND create(const CREATESTRUCT&, EmuThread&);
    bool destroy(HWND);
    void destroyWindowsOfThread(EmuThread&);
    Window* find(HWND) const;
    // Visible and hidden top-level windows in z-order, top first.
    const std::vector<HWND>& topLevelWindows() const { return m_zOrder; }
    // The first top-level window (in z-order) of that class and, when given, that title.
    HWND findTopLevel(const std::u16string* className, const std::u16string* title) const;
    // The window a screen point falls on: the deepest visible child of the top visible window there.
    HWND windowAt(POINT) const;
    POINT clientOrigin(const Window&) const;

    // ---- Showing, z-order and activation
    bool show(HWND, int command);
    bool setPosition(HWND, HWND insertAfter, int x, int y, int width, int height, UINT flags);
    bool setForeground(HWND);
    HWND foreground() const { return m_foreground; }
    HWND setFocus(HWND);
    HWND focus() const { return m_focus; }
    HWND setCapture(HWND);
    HWND capture() const { return m_capture; }

    // ---- Messages
    // Calls the window's current procedure on the calling thread, as the process that installed it.
    LRESULT callProcedure(Window&, WNDPROC, UINT, WPARAM, LPARAM);
    LRESULT dispatch(HWND, UINT, WPARAM, LPARAM);
    // Sends from the calling emulated thread: directly on the window's own thread, otherwise through
    // the receiver's queue, handling messages sent to the caller while it waits.
    LRESULT send(HWND, UINT, WPARAM, LPARAM);
    // Queues a send for another thread without waiting for it.
    bool sendNotify(HWND, UINT, WPARAM, LPARAM);
    bool post(HWND, UINT, WPARAM, LPARAM);
    // Handles the messages other threads sent to `thread`; true when there was one.
    bool handleSentMessages(EmuThread&);
    UINT registerMessage(const std::u16string& name);

    // ---- Driving, from outside the device's threads
    bool postFromDriver(HWND, UINT, WPARAM, LPARAM);
    // Nullopt when the window's thread could not handle the message (ended, or blocked for good).
    std::optional<LRESULT> sendFromDriver(HWND, UINT, WPARAM, LPARAM);
    void pen(PenAction, POINT);
    void key(bool down, int virtualKey);
    // Prints every message delivered to windows of this class; nullopt stops it.
    void spyOn(std::optional<std::u16string> className) { m_spyClass = std::move(className); }

    // ---- Painting
    void invalidate(HWND, bool erase);
    void validate(HWND);
    // The window whose surface a window draws on, and the offset of its client area there.
    Window* surfaceOwner(const Window&, POINT& offset) const;
    // Composes the visible top-level windows, bottom to top.
    Bitmap composeScreen() const;

private:
    void raise(Window&, HWND insertAfter);
    // Makes `hwnd` the foreground window; `how` is WA_ACTIVE or WA_CLICKACTIVE.
    void activate(HWND, WPARAM how = WA_ACTIVE);
    void notifyWindow(Window&, UINT, WPARAM, LPARAM);
    void destroyTree(HWND);
    void forget(HWND);
    std::vector<HWND>& siblingsOf(const Window&);
    void spy(const Window&, UINT, WPARAM, LPARAM) const;

    Device& m_device;
    std::map<std::uintptr_t, std::unique_ptr<Window>> m_windows;
    std::vector<HWND> m_zOrder;
    std::map<std::pair<const Process*, std::u16string>, std::shared_ptr<WindowClass>> m_classes;
    std::map<std::u16string, UINT> m_registeredMessages;
    std::uintptr_t m_nextHandle { 0x10000 };
    ATOM m_nextAtom { 0xC000 };
    HWND m_foreground { nullptr };
    HWND m_focus { nullptr };
    HWND m_capture { nullptr };
    std::optional<std::u16string> m_spyClass;
};

}
