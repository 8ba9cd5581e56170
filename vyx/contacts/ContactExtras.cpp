// ContactExtras: comparing dated entries, whose file time has no comparison of its own.
#include "vyx/contacts/ContactExtras.h"

namespace vyx {

bool ContactExtras::Dated::operator==(const Dated& other) const
{
    return label == other.label && time.dwLowDateTime == other.time.dwLowDateTime
        && time.dwHighDateTime == other.time.dwHighDateTime;
}

}
