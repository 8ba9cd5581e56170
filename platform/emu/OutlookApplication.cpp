#include "platform/emu/OutlookApplication.h"

#include "platform/emu/DbError.h"
#include "platform/emu/PocketOutlook.h"

namespace emu {

OutlookApplication::OutlookApplication(PocketOutlook& owner)
    : OutlookObject(owner)
{
}

HRESULT OutlookApplication::QueryInterface(REFIID interfaceId, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    if (interfaceId != IID_IUnknown && interfaceId != IID_IDispatch && interfaceId != IID_IPOutlookApp) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IPOutlookApp*>(this);
    AddRef();
    return S_OK;
}

HRESULT OutlookApplication::Logon(HWND)
{
    try {
        owner().createCategoryDatabases();
    } catch (const DbError&) {
        return E_FAIL;
    }
    m_loggedOn = true;
    return S_OK;
}

HRESULT OutlookApplication::Logoff()
{
    if (!m_loggedOn)
        return E_FAIL;
    m_loggedOn = false;
    return S_OK;
}

HRESULT OutlookApplication::CreateItem(int itemType, IDispatch** item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    if (!m_loggedOn)
        return E_FAIL;
    if (itemType != olContactItem)
        return E_INVALIDARG;
    *item = owner().createContactItem();
    return S_OK;
}

}
