// What every object of the contacts object model has: its reference count, and the model that owns it
// and destroys it once the last reference is released.
#pragma once

#include "platform/api/WinTypes.h"

namespace emu {

class PocketOutlook;

class OutlookObject {
public:
    explicit OutlookObject(PocketOutlook& owner)
        : m_owner(owner)
    {
    }
    virtual ~OutlookObject() = default;
    OutlookObject(const OutlookObject&) = delete;
    OutlookObject& operator=(const OutlookObject&) = delete;

protected:
    PocketOutlook& owner() const { return m_owner; }
    ULONG addReference() { return ++m_references; }
    // Destroys the object when this was its last reference; the count left is returned.
    ULONG releaseReference();

private:
    PocketOutlook& m_owner;
    ULONG m_references { 1 };
};

}
