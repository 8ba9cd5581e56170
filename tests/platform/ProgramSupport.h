// What the test programs of the device layer share: threads whose body is a lambda, a message loop,
// and a window class whose procedure hands each message to a handler given at creation.
// Everything here is called from inside emulated threads.
#pragma once

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace testing_support {

// Starts a thread of the calling process that runs `body`; the thread owns its copy of the body.
inline HANDLE startThread(std::function<DWORD()> body, DWORD* threadId = nullptr)
{
    auto owned = std::make_unique<std::function<DWORD()>>(std::move(body));
    const HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            const std::unique_ptr<std::function<DWORD()>> routine(static_cast<std::function<DWORD()>*>(parameter));
            return (*routine)();
        },
        owned.get(), 0, threadId);
    if (thread)
        owned.release();
    return thread;
}

// The usual loop of a program's thread; returns the quit code.
inline int runMessageLoop()
{
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// Returns the message's result, or nullopt to leave the message to DefWindowProc.
using MessageHandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline constexpr const char16_t* scriptedClassName = u"Scripted";

// The handler travels in CREATESTRUCT::lpCreateParams and is kept in GWL_USERDATA.
inline LRESULT scriptedWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
        SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (auto* handler = reinterpret_cast<MessageHandler*>(GetWindowLong(hwnd, GWL_USERDATA)); handler && *handler) {
        if (const auto result = (*handler)(hwnd, message, wParam, lParam))
            return *result;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// Registers the scripted class (or another of that procedure) in the calling process.
inline ATOM registerScriptedClass(const char16_t* className = scriptedClassName, HBRUSH background = nullptr)
{
    WNDCLASS windowClass {};
    windowClass.lpfnWndProc = scriptedWindowProcedure;
    windowClass.hInstance = GetModuleHandle(nullptr);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    return RegisterClass(&windowClass);
}

struct WindowRequest {
    const char16_t* className = scriptedClassName;
    const char16_t* title = u"";
    DWORD style = WS_POPUP;
    DWORD exStyle = 0;
    RECT rect { 0, 0, 100, 100 };
    HWND parent = nullptr;
    int id = 0;
};

// Creates a window whose messages go to `handler`; the handler must outlive the window.
inline HWND createScriptedWindow(MessageHandler& handler, const WindowRequest& request)
{
    return CreateWindowEx(request.exStyle, request.className, request.title, request.style, request.rect.left, request.rect.top,
                          request.rect.right - request.rect.left, request.rect.bottom - request.rect.top, request.parent,
                          reinterpret_cast<HMENU>(static_cast<std::intptr_t>(request.id)), GetModuleHandle(nullptr), &handler);
}

// The test name of a case of a parameterised test: the case's `name`.
template <class Case>
std::string caseName(const ::testing::TestParamInfo<Case>& tested)
{
    return tested.param.name;
}

// "258@5000": a wait's result and the virtual tick it came back at.
inline std::string resultAt(DWORD result, DWORD tick)
{
    return std::to_string(result) + "@" + std::to_string(tick);
}

// Waits for the object and says how and when the wait ended, as resultAt does.
inline std::string waitOutcome(HANDLE object, DWORD milliseconds)
{
    const DWORD result = WaitForSingleObject(object, milliseconds);
    return resultAt(result, GetTickCount());
}

}
