#include "emulator/FamilyMember.h"

#include "platform/api/WinBase.h"
#include "vyx/call/MainWndMessages.h"
#include "vyx/call/NameLookupMapping.h"

namespace devemu {

FamilyMember::FamilyMember()
    : m_messages(vyx::PimSyncMessages::Register())
    , m_sync(m_messages)
{
}

FamilyMember::~FamilyMember()
{
    Leave();
}

std::string FamilyMember::Join(HINSTANCE instance, LPCWSTR className)
{
    if (!Create(instance, className))
        return "cannot create the main window";
    if (!m_sync.Open())
        return "cannot open the roster of the family's programs";
    if (!m_sync.Register(Window()))
        return "the roster of the family's programs is full";
    return {};
}

bool FamilyMember::ConnectBook(HINSTANCE instance)
{
    return m_book.Connect(instance, &m_sync);
}

void FamilyMember::TakeMastership()
{
    m_sync.MakeMaster(Window());
    // The old master and the slaves handle the hand-over's reload before the stores change again:
    // a reload still queued would otherwise overtake the next stop.
    Sleep(0);
}

void FamilyMember::Leave()
{
    m_book.Disconnect();
    if (Window() && m_sync.IsOpen())
        m_sync.Unregister(Window());
    m_sync.Close();
    Destroy();
}

bool FamilyMember::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_book.HandleSyncMessage(m_messages, message, wParam, lParam))
        return true;
    switch (message) {
    case vyx::messages::nameLookup:
        vyx::NameLookupMapping::Answer(m_book);
        return true;
    case WM_CLOSE:
    case WM_DESTROY:
        PostQuitMessage(0);
        return true;
    default:
        return false;
    }
}

}
