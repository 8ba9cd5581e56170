#include "vyx/keypad/KeyGroup.h"

#include "platform/api/WinNls.h"

namespace keypad {

KeyGroup::KeyGroup(const Str& letters)
    : m_letters(letters)
{
}

bool KeyGroup::Contains(char16_t letter) const
{
    return m_letters.Find(letter) >= 0;
}

Str KeyGroup::LowerCased(const Str& text)
{
    Str lowered = text;
    const int length = lowered.GetLength();
    LPWSTR buffer = lowered.GetBuffer(length);
    if (!buffer)
        return text;
    CharLowerBuff(buffer, static_cast<DWORD>(length));
    lowered.ReleaseBuffer(length);
    return lowered;
}

void KeyGroup::Normalise()
{
    const Str lowered = LowerCased(m_letters);
    Str unique;
    for (int i = 0; i < lowered.GetLength(); ++i) {
        const char16_t letter = lowered.GetAt(i);
        if (unique.Find(letter) < 0)
            unique += letter;
    }
    m_letters = unique;
}

}
