#include "vyx/contacts/CategoryTables.h"

#include "platform/api/PimOutlook.h"
#include "platform/api/ProcessStorage.h"
#include "platform/api/WinBase.h"

namespace vyx {

namespace {

// The string property of a contact item whose first read sets up the category tables.
constexpr CEPROPID categoriesSetupProperty = 0x101A001F;

struct ObjectModelStart {
    bool tried { false };
};

template <class Interface>
void release(Interface*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}

void CategoryTables::Create()
{
    ObjectModelStart& start = platform::processGlobal<ObjectModelStart>();
    if (start.tried)
        return;
    start.tried = true;

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IPOutlookApp* application = nullptr;
    if (CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
            reinterpret_cast<void**>(&application)) != S_OK || !application)
        return;
    IDispatch* created = nullptr;
    IItem* item = nullptr;
    if (application->Logon(nullptr) == S_OK && application->CreateItem(olContactItem, &created) == S_OK && created
        && created->QueryInterface(IID_IItem, reinterpret_cast<void**>(&item)) == S_OK && item) {
        const HANDLE heap = HeapCreate(0, 0, 0);
        CEPROPVAL* values = nullptr;
        ULONG size = 0;
        const CEPROPID wanted = categoriesSetupProperty;
        if (heap) {
            if (item->GetProps(&wanted, 0, 1, &values, &size, heap) == S_OK && values)
                HeapFree(heap, 0, values);
            HeapDestroy(heap);
        }
    }
    release(item);
    release(created);
    release(application);
}

}
