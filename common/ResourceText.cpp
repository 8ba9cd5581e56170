// Resource text: loading string resources of any length, and the SafeLoadStr report.
#include "common/ResourceText.h"

#include "common/ErrorLog.h"
#include "common/ProgramModule.h"
#include "platform/api/WinResources.h"
#include "platform/api/WinUser.h"

#include <cstdint>

namespace {

// The first load takes this many characters; each retry this many more.
constexpr int loadStep = 256;

void reportLoadFailure(UINT id, HINSTANCE instance, LPCWSTR sourceFile, int line)
{
    Str message;
    message.Format(u"Resource loading fail (id: %d hInst: %x)", id,
                   static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(instance)));
    ErrorLog::Write(message, sourceFile, line);
    message.Format(u"SafeLoadStr failed, resid: %d", id);
    MessageBox(nullptr, message, u"Kab Tracer", MB_OK);
}

}

bool LoadResourceString(Str& target, UINT id, HINSTANCE instance, LPCWSTR sourceFile, int line)
{
    const HINSTANCE module = instance ? instance : ProgramModule();
    for (int bufferSize = loadStep;; bufferSize += loadStep) {
        const LPWSTR buffer = target.GetBuffer(bufferSize);
        const int loaded = buffer ? ::LoadString(module, id, buffer, bufferSize) : 0;
        if (loaded == 0) {
            target.ReleaseBuffer(0);
            target.Empty();
            reportLoadFailure(id, module, sourceFile, line);
            return false;
        }
        // A load that fills the buffer (up to its last character or two) may have been cut short.
        if (loaded < bufferSize - 1) {
            target.ReleaseBuffer(loaded);
            return true;
        }
    }
}

Str LoadResourceText(UINT id, LPCWSTR sourceFile, int line)
{
    Str text;
    LoadResourceString(text, id, nullptr, sourceFile, line);
    return text;
}

int ResourceMessageBox(HWND owner, UINT textId, UINT flags)
{
    Str text;
    text.LoadString(textId);
    return MessageBox(owner, text, u"Kab", flags);
}
