// The component library functions of the device interface: starting the library on a thread, and
// creating the objects of the classes the device offers (the contacts object model's application object
// and the imaging factory).
#include "platform/api/Imaging.h"
#include "platform/api/PimOutlook.h"

#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Imaging.h"
#include "platform/emu/PocketOutlook.h"

using namespace emu;

HRESULT CoInitializeEx(LPVOID, DWORD)
{
    return currentThread()->comStarts++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    EmuThread& thread = *currentThread();
    if (thread.comStarts > 0)
        --thread.comStarts;
}

HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (currentThread()->comStarts == 0)
        return CO_E_NOTINITIALIZED;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!(context & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    // Every interface of an object starts at the same address.
    if (classId == CLSID_Application) {
        if (interfaceId != IID_IUnknown && interfaceId != IID_IDispatch && interfaceId != IID_IPOutlookApp)
            return E_NOINTERFACE;
        *object = currentDevice().pocketOutlook().createApplication();
        return S_OK;
    }
    if (classId == CLSID_ImagingFactory) {
        if (interfaceId != IID_IUnknown && interfaceId != IID_IImagingFactory)
            return E_NOINTERFACE;
        *object = currentDevice().imaging().createFactory();
        return S_OK;
    }
    return REGDB_E_CLASSNOTREG;
}
