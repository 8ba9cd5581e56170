// The contacts object model's application object: log-on (which creates the category databases
// when the volume lacks them), log-off, and new contact items.
#pragma once

#include "platform/api/PimOutlook.h"
#include "platform/emu/OutlookObject.h"

namespace emu {

class OutlookApplication final : public IPOutlookApp, public OutlookObject {
public:
    explicit OutlookApplication(PocketOutlook&);

    HRESULT QueryInterface(REFIID, LPVOID*) override;
    ULONG AddRef() override { return addReference(); }
    ULONG Release() override { return releaseReference(); }

    HRESULT Logon(HWND) override;
    HRESULT Logoff() override;
    HRESULT CreateItem(int itemType, IDispatch** item) override;

private:
    bool m_loggedOn { false };
};

}
