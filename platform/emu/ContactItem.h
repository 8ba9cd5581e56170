// A contact item of the contacts object model, new and not saved: it has no properties yet, so every
// property read comes back flagged as missing.
#pragma once

#include "platform/api/PimOutlook.h"
#include "platform/emu/OutlookObject.h"

namespace emu {

class ContactItem final : public IItem, public OutlookObject {
public:
    explicit ContactItem(PocketOutlook&);

    HRESULT QueryInterface(REFIID, LPVOID*) override;
    ULONG AddRef() override { return addReference(); }
    ULONG Release() override { return releaseReference(); }

    HRESULT GetProps(const CEPROPID* ids, ULONG flags, WORD count, CEPROPVAL** values, ULONG* bufferSize, HANDLE heap) override;
};

}
