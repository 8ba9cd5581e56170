#include "platform/emu/OutlookObject.h"

#include "platform/emu/PocketOutlook.h"

namespace emu {

ULONG OutlookObject::releaseReference()
{
    const ULONG left = --m_references;
    if (left == 0)
        m_owner.destroy(*this);
    return left;
}

}
