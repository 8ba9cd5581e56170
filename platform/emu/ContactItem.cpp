#include "platform/emu/ContactItem.h"

#include "platform/emu/HeapTable.h"
#include "platform/emu/PocketOutlook.h"
#include "platform/emu/PropertyBuffer.h"

namespace emu {

ContactItem::ContactItem(PocketOutlook& owner)
    : OutlookObject(owner)
{
}

HRESULT ContactItem::QueryInterface(REFIID interfaceId, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    if (interfaceId != IID_IUnknown && interfaceId != IID_IDispatch && interfaceId != IID_IItem) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IItem*>(this);
    AddRef();
    return S_OK;
}

HRESULT ContactItem::GetProps(const CEPROPID* ids, ULONG flags, WORD count, CEPROPVAL** values, ULONG* bufferSize, HANDLE heap)
{
    if (!values || !bufferSize)
        return E_POINTER;
    if (count > 0 && !ids)
        return E_INVALIDARG;
    HeapTable& heaps = owner().heaps();
    MemoryHeap* from = heap ? heaps.find(heap) : &heaps.localHeap();
    if (!from)
        return E_INVALIDARG;
    std::vector<PropertyBuffer::Slot> slots;
    for (WORD i = 0; i < count; ++i)
        slots.push_back(PropertyBuffer::Slot { ids[i], nullptr });
    const PropertyBuffer buffer(std::move(slots));
    auto* block = reinterpret_cast<BYTE*>(*values);
    const bool placed = buffer.placeIn(block, *bufferSize, (flags & CEDB_ALLOWREALLOC) ? from : nullptr);
    *values = reinterpret_cast<CEPROPVAL*>(block);
    return placed ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

}
