// Watches the device's voice line with monitor privilege only and turns its call states into the
// call events of the main window. One object per process, made on first use.
#pragma once

#include "platform/api/Tapi.h"
#include "platform/api/WinTypes.h"

#include <string>

namespace vyx {

class CallEventSink;

class LineMonitor {
public:
    static LineMonitor& Instance();
    // The object when it exists, without making one.
    static LineMonitor* Existing();

    void SetListener(CallEventSink* listener) { m_listener = listener; }
    bool Initialize(HINSTANCE instance, HWND window);
    bool Reopen();
    // The caller's number of a call, or `blocked` for a withheld one; false while the network has not
    // told who calls.
    bool GetCallerNumber(HCALL call, std::u16string& number, bool& blocked) const;
    // Closes the line, shuts the line application down and deletes the object.
    void Shutdown();

private:
    static void LineCallback(DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2,
                             DWORD_PTR param3);
    void OnCallInfo(DWORD_PTR infoState);
    void OnCallState(HCALL call, DWORD_PTR state, DWORD_PTR mode);
    bool InitializeLineApp(DWORD& deviceCount);
    bool ChooseVoiceDevice(DWORD deviceCount);
    void ShutdownLineApp();
    void Post(UINT message, WPARAM wParam = 0) const;

    HWND m_window { nullptr };
    HINSTANCE m_instance { nullptr };
    bool m_outgoing { false };
    bool m_calledPartyKnown { false };
    bool m_incoming { false };
    HLINEAPP m_lineApp {};
    HLINE m_line {};
    DWORD m_device { 0 };
    DWORD m_apiVersion { 0 };
    DWORD m_mediaModes { 0 };
    CallEventSink* m_listener { nullptr };
};

}
