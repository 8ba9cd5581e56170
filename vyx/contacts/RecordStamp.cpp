#include "vyx/contacts/RecordStamp.h"

namespace vyx {

DWORD RecordStamp::OfText(std::u16string_view text)
{
    DWORD sum = 0;
    std::size_t i = 0;
    for (; i + 1 < text.size(); i += 2)
        sum += static_cast<DWORD>(text[i]) + static_cast<DWORD>(text[i + 1]) * 65536u;
    if (i < text.size())
        sum += text[i];
    return sum;
}

DWORD RecordStamp::OfNotes(std::span<const BYTE> notes)
{
    DWORD sum = static_cast<DWORD>(notes.size());
    std::size_t i = 0;
    for (; i + 1 < notes.size(); i += 2)
        sum += static_cast<DWORD>(notes[i]) | (static_cast<DWORD>(notes[i + 1]) << 8);
    if (i < notes.size())
        sum += notes[i];
    return sum;
}

DWORD RecordStamp::OfRecord(CEOID record, std::span<const PropertyValue> properties)
{
    DWORD sum = record;
    for (const PropertyValue& property : properties) {
        if (property.IsAbsent())
            continue;
        const WORD number = property.Number();
        switch (property.Type()) {
        case CEVT_I4:
        case CEVT_UI4:
            if (number == linkTypeProperty)
                sum += property.AsDword();
            break;
        case CEVT_LPWSTR:
            sum += OfText(property.AsText());
            break;
        case CEVT_FILETIME:
            if (number == dateAProperty || number == dateBProperty)
                sum += OfFileTime(property.AsFileTime());
            break;
        case CEVT_STREAM:
            if (number == notesProperty)
                sum += OfNotes(property.AsBytes());
            break;
        default:
            break;
        }
    }
    return sum;
}

}
