// Vyx's application object and its hidden main window, the program's hub: the line monitor's
// events, the family's private messages, the phone integration's timers and the main menu all
// arrive here.
#pragma once

#include "common/Str.h"
#include "platform/api/RegExt.h"
#include "vyx/call/CallEventSink.h"
#include "vyx/contacts/ContactBook.h"
#include "vyx/contacts/PimSync.h"
#include "platform/api/WinGdi.h"
#include "platform/api/WinUser.h"

#include <memory>

namespace vyx {

class MainWnd final : public CallEventSink {
public:
    static constexpr const char16_t* className = u"VYX_MAINCLASS";

    // Timers of the main window.
    static constexpr UINT_PTR dialogSearchTimer = 2;
    static constexpr UINT_PTR replacerRetryTimer = 3;
    static constexpr UINT_PTR photoRetryTimer = 50;
    static constexpr UINT_PTR keepOnTopTimer = 51;

    MainWnd();
    ~MainWnd() override;
    MainWnd(const MainWnd&) = delete;
    MainWnd& operator=(const MainWnd&) = delete;

    // Creates the window and brings up the program's parts in order; false when start-up ends early.
    bool Create(HINSTANCE);
    // Releases what start-up created, whichever step it reached.
    void Teardown();

    HWND window() const { return m_window; }
    ContactBook& contactBook() { return m_contactBook; }

    // Call events of the line monitor; the call handling takes them over.
    void OnOffering(HCALL call) override;
    void OnOutgoingBusy() override;
    void OnOutgoingConnected() override;
    void OnOfferEnded() override;
    void OnCallEnded(HCALL call) override;
    void OnMissedGone() override;
    void OnIncomingAnswered() override;

private:
    static LRESULT StaticWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT WindowProc(HWND, UINT, WPARAM, LPARAM);
    bool HandlePrivateMessage(UINT, WPARAM, LPARAM);
    bool HandleRegisteredMessage(UINT, WPARAM, LPARAM);
    void OnTimer(UINT_PTR id);
    void OnKeyDown(WPARAM key);
    void ShowMainMenu();
    void RunMenuCommand(UINT command);
    void StartAddressBook();
    void ExitFromMenu();
    void OnShutdownRequest();
    // Kills a timer and drains every WM_TIMER already queued for the window.
    void StopTimer(UINT_PTR id);
    void StartTimer(UINT_PTR id, UINT period);
    bool InstallPhoneAppHooks();
    bool FindIncomingCallDialog();

    HWND m_window { nullptr };
    // The program's place in the family's roster, and its way to the contacts.
    std::unique_ptr<PimSync> m_pimSync;
    ContactBook m_contactBook;
    HFONT m_normalFont { nullptr };
    HFONT m_boldFont { nullptr };
    Str m_title;
    int m_replacerRetries { 0 };
    int m_photoRetries { 0 };
    HREGNOTIFY m_missedCallNotification { nullptr };
    // The notification-icon record: only ever removed, since the program adds no icon of its own.
    struct NotificationIcon {
        HWND window { nullptr };
        HICON icon { nullptr };
        UINT id { 0 };
    } m_notificationIcon;
};

}
