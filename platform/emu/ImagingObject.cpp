#include "platform/emu/ImagingObject.h"

#include "platform/emu/Imaging.h"

namespace emu {

ULONG ImagingObject::releaseReference()
{
    const ULONG left = --m_references;
    if (left == 0)
        m_owner.destroy(*this);
    return left;
}

}
