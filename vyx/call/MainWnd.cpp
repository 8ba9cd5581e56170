#include "vyx/call/MainWnd.h"

#include "common/ResourceText.h"
#include "common/SettingsStore.h"
#include "common/WindowTimer.h"
#include "platform/api/FileApi.h"
#include "platform/api/ShellApi.h"
#include "platform/api/WinBase.h"
#include "vyx/call/LineMonitor.h"
#include "vyx/call/MainWndMessages.h"
#include "vyx/call/NameLookupMapping.h"
#include "vyx/call/VyxProcess.h"
#include "vyx/contacts/CategoryDatabases.h"
#include "vyx/resources/VyxStrings.h"

#include <string>

namespace vyx {

namespace {

// Names this unit in the reports of resource loads that fail.
constexpr LPCWSTR sourceFile = u"MainWnd.cpp";

constexpr UINT dialogSearchPeriod = 5000;
constexpr UINT replacerRetryPeriod = 10000;
// Timer 3 gives up once it has ticked more often than this.
constexpr int replacerRetryLimit = 18;

// Main-menu commands.
constexpr UINT commandRingtones = 1;
constexpr UINT commandOptions = 2;
constexpr UINT commandAddressBook = 3;
constexpr UINT commandExit = 4;

// The talk, end and volume keys of the phone.
constexpr WPARAM talkKey = VK_F3;
constexpr WPARAM endKey = VK_F4;
constexpr WPARAM volumeUpKey = 0x75;
constexpr WPARAM volumeDownKey = 0x76;
constexpr LPARAM volumeKeyCommandParam = 65537;

constexpr int menuBarHeightAt96Dpi = 26;

std::u16string startupShortcutPath()
{
    WCHAR folder[MAX_PATH] {};
    if (!SHGetSpecialFolderPath(nullptr, folder, CSIDL_STARTUP, FALSE))
        return {};
    return std::u16string(folder) + u"\\Korvane Vyx.lnk";
}

}

MainWnd::MainWnd() = default;

MainWnd::~MainWnd()
{
    // The phone's own ring settings are restored here once calls can change them.
    if (m_boldFont)
        DeleteObject(m_boldFont);
    if (m_normalFont)
        DeleteObject(m_normalFont);
}

bool MainWnd::Create(HINSTANCE instance)
{
    // Shared fonts derived from the system font, in normal and bold weight.
    LOGFONT systemFont {};
    GetObject(GetStockObject(SYSTEM_FONT), sizeof systemFont, &systemFont);
    systemFont.lfWeight = FW_NORMAL;
    m_normalFont = CreateFontIndirect(&systemFont);
    systemFont.lfWeight = FW_BOLD;
    m_boldFont = CreateFontIndirect(&systemFont);

    m_title = LoadResourceText(IDS_APP_TITLE, sourceFile, __LINE__);

    WNDCLASS windowClass {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = StaticWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClass(&windowClass);
    m_window = CreateWindowEx(WS_EX_ABOVESTARTUP | WS_EX_TOPMOST, className, m_title, WS_POPUP, 0, 0, 0, 0, nullptr,
        nullptr, instance, nullptr);
    if (!m_window)
        return false;

    m_pimSync = std::make_unique<PimSync>(vyxProcess().pimSync);
    if (!m_pimSync->Open())
        return false;
    m_pimSync->Register(m_window);
    if (!m_contactBook.Connect(instance, m_pimSync.get())) {
        Str caption;
        caption.Format(u"%s : %i", sourceFile, __LINE__);
        MessageBox(nullptr, u"Unable connect to server", caption, MB_OK);
        return false;
    }

    if (!CategoryDatabases::Instance()) {
        MessageBox(nullptr, u"Error while connect to database", u"", MB_OK);
        return false;
    }

    // Without the voice line there are no calls to watch: start-up ends silently.
    LineMonitor& lineMonitor = LineMonitor::Instance();
    lineMonitor.SetListener(this);
    if (!lineMonitor.Initialize(instance, m_window))
        return false;

    m_notificationIcon = NotificationIcon { m_window, nullptr, messages::mainMenuIconId };

    // The phone application runs without its window when nobody started it yet.
    if (!FindWindow(u"MSCprog", nullptr)) {
        PROCESS_INFORMATION started {};
        if (CreateProcess(u"cprog.exe", u"-n", nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started)) {
            CloseHandle(started.hThread);
            CloseHandle(started.hProcess);
        }
    }

    if (!InstallPhoneAppHooks()) {
        m_replacerRetries = 0;
        StartTimer(replacerRetryTimer, replacerRetryPeriod);
    }
    if (!FindIncomingCallDialog())
        StartTimer(dialogSearchTimer, dialogSearchPeriod);

    RegistryNotifyWindow(HKEY_CURRENT_USER, u"System\\State\\Phone", u"Missed Call Count", m_window,
        messages::missedCallCountChanged, 1, nullptr, &m_missedCallNotification);
    return true;
}

void MainWnd::Teardown()
{
    if (m_window) {
        m_contactBook.Disconnect();
        if (LineMonitor* lineMonitor = LineMonitor::Existing())
            lineMonitor->Shutdown();
        if (m_pimSync) {
            m_pimSync->Unregister(m_window);
            m_pimSync.reset();
        }
        DestroyWindow(m_window);
        m_window = nullptr;
    }
    if (m_missedCallNotification) {
        RegistryCloseNotification(m_missedCallNotification);
        m_missedCallNotification = nullptr;
    }
}

void MainWnd::OnOffering(HCALL call)
{
    SendMessage(m_window, messages::incomingCall, reinterpret_cast<WPARAM>(call), 0);
}

void MainWnd::OnOutgoingBusy()
{
}

void MainWnd::OnOutgoingConnected()
{
}

void MainWnd::OnOfferEnded()
{
}

void MainWnd::OnCallEnded(HCALL)
{
}

void MainWnd::OnMissedGone()
{
}

void MainWnd::OnIncomingAnswered()
{
}

LRESULT MainWnd::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MainWnd* mainWnd = vyxProcess().mainWnd;
    if (!mainWnd)
        return DefWindowProc(hwnd, message, wParam, lParam);
    return mainWnd->WindowProc(hwnd, message, wParam, lParam);
}

LRESULT MainWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The family's registered messages come first: their numbers are only known at run time.
    if (HandleRegisteredMessage(message, wParam, lParam))
        return 0;
    if (HandlePrivateMessage(message, wParam, lParam))
        return 0;

    switch (message) {
    case messages::notificationIcon:
        if (wParam == messages::mainMenuIconId && static_cast<UINT>(lParam) == WM_LBUTTONDOWN)
            ShowMainMenu();
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 1;
    }
    case WM_SETTINGCHANGE:
        return 1;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 1;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

bool MainWnd::HandleRegisteredMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The shared contact index's master/slave hand-overs go to the contact book.
    return m_contactBook.HandleSyncMessage(vyxProcess().pimSync, message, wParam, lParam);
}

bool MainWnd::HandlePrivateMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case messages::outgoingBusy:
        OnOutgoingBusy();
        return true;
    case messages::outgoingConnected:
        OnOutgoingConnected();
        return true;
    case messages::offerEnded:
        OnOfferEnded();
        return true;
    case messages::callEnded:
        OnCallEnded(reinterpret_cast<HCALL>(wParam));
        return true;
    case messages::missedGone:
        OnMissedGone();
        return true;
    case messages::reopenLine:
        LineMonitor::Instance().Reopen();
        return true;
    case messages::incomingAnswered:
        OnIncomingAnswered();
        return true;
    case messages::nameLookup:
        NameLookupMapping::Answer(m_contactBook);
        return true;
    case messages::recallLastCaller:
    case messages::showCallerScreen:
    case messages::missedCallCountChanged:
    case messages::incomingCall:
    case messages::familyNotice:
    case messages::reloadAlphabet:
    case messages::reloadSkin:
    case messages::reloadRingScript:
    case messages::reloadCallFilter:
    case messages::reloadRingtones:
    case messages::familyReserved:
    case messages::reinstallPhoneHooks:
        return true;
    case messages::shutdown:
        OnShutdownRequest();
        return true;
    default:
        return false;
    }
}

void MainWnd::OnShutdownRequest()
{
    // The call display is cleared first; WM_DESTROY then ends the message loop.
    SendMessage(m_window, WM_DESTROY, 0, 0);
}

void MainWnd::OnKeyDown(WPARAM key)
{
    if (key == talkKey)
        SendMessage(m_window, WM_COMMAND, 1, 0);
    else if (key == endKey)
        SendMessage(m_window, WM_COMMAND, 2, 0);
    else if (key == volumeUpKey || key == volumeDownKey)
        SendMessage(m_window, WM_COMMAND, 3, volumeKeyCommandParam);
}

void MainWnd::StartTimer(UINT_PTR id, UINT period)
{
    SetTimer(m_window, id, period, nullptr);
}

void MainWnd::StopTimer(UINT_PTR id)
{
    StopWindowTimer(m_window, id);
}

void MainWnd::OnTimer(UINT_PTR id)
{
    switch (id) {
    case dialogSearchTimer:
        if (FindIncomingCallDialog())
            StopTimer(dialogSearchTimer);
        break;
    case replacerRetryTimer:
        ++m_replacerRetries;
        if (InstallPhoneAppHooks() || m_replacerRetries > replacerRetryLimit)
            StopTimer(replacerRetryTimer);
        break;
    case photoRetryTimer:
        // Without a current contact there is no photo left to wait for.
        KillTimer(m_window, photoRetryTimer);
        m_photoRetries = 0;
        break;
    case keepOnTopTimer:
    default:
        break;
    }
}

bool MainWnd::InstallPhoneAppHooks()
{
    // The phone application's call-log and speed-dial windows are hooked with the phone integration.
    return false;
}

bool MainWnd::FindIncomingCallDialog()
{
    return false;
}

void MainWnd::ShowMainMenu()
{
    const HMENU menu = CreatePopupMenu();
    const HMENU filterMenu = CreatePopupMenu();
    const HMENU ringTypeMenu = CreatePopupMenu();
    const HMENU volumeMenu = CreatePopupMenu();
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(filterMenu), LoadResourceText(IDS_MENU_CALL_FILTER, sourceFile, __LINE__));
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(ringTypeMenu), LoadResourceText(IDS_MENU_RING_TYPE, sourceFile, __LINE__));
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(volumeMenu), LoadResourceText(IDS_MENU_RING_VOLUME, sourceFile, __LINE__));
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, commandRingtones, LoadResourceText(IDS_MENU_RINGTONES, sourceFile, __LINE__));
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, commandOptions, LoadResourceText(IDS_MENU_OPTIONS, sourceFile, __LINE__));
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, commandAddressBook, LoadResourceText(IDS_MENU_START_KAB, sourceFile, __LINE__));
    AppendMenu(menu, MF_STRING, commandExit, LoadResourceText(IDS_MENU_EXIT, sourceFile, __LINE__));

    const int dpi = GetDeviceCaps(nullptr, LOGPIXELSY);
    const int menuBarHeight = (menuBarHeightAt96Dpi * dpi + 48) / 96;
    const UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN,
        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - menuBarHeight, 0, m_window, nullptr));
    DestroyMenu(menu);
    RunMenuCommand(command);
}

void MainWnd::RunMenuCommand(UINT command)
{
    // Ringtones, options, ring types, volumes and the filter join with their parts.
    if (command == commandAddressBook)
        StartAddressBook();
    else if (command == commandExit)
        ExitFromMenu();
}

void MainWnd::StartAddressBook()
{
    const Str program = SettingsStore::GetString(u"Settings", u"ProgramPath", u"");
    if (program.GetLength() == 0)
        return;
    PROCESS_INFORMATION started {};
    if (CreateProcess(program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

void MainWnd::ExitFromMenu()
{
    MessageBox(m_window, LoadResourceText(IDS_EXIT_NOTICE, sourceFile, __LINE__), u"Korvane Vyx", MB_ICONINFORMATION | MB_OK);
    // Without its shortcut the program does not start again at the next boot.
    const std::u16string shortcut = startupShortcutPath();
    if (!shortcut.empty())
        DeleteFile(shortcut.c_str());
    PostMessage(m_window, messages::shutdown, 0, 0);
}

}
