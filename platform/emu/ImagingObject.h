// What every object of the imaging component has: its reference count, and the component that owns it
// and destroys it once the last reference is released.
#pragma once

#include "platform/api/WinTypes.h"

namespace emu {

class Imaging;

class ImagingObject {
public:
    explicit ImagingObject(Imaging& owner)
        : m_owner(owner)
    {
    }
    virtual ~ImagingObject() = default;
    ImagingObject(const ImagingObject&) = delete;
    ImagingObject& operator=(const ImagingObject&) = delete;

protected:
    Imaging& owner() const { return m_owner; }
    ULONG addReference() { return ++m_references; }
    // Destroys the object when this was its last reference; the count left is returned.
    ULONG releaseReference();

private:
    Imaging& m_owner;
    ULONG m_references { 1 };
};

}
