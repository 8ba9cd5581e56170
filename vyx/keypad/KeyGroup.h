// KeyGroup: the letters of one key of the keypad. Once normalised, every letter is lower case and
// occurs once, in its first place, and the first letter stands for the whole group.
#pragma once

#include "common/Str.h"

namespace keypad {

class KeyGroup {
public:
    KeyGroup() = default;
    explicit KeyGroup(const Str& letters);

    const Str& Letters() const { return m_letters; }
    bool IsEmpty() const { return m_letters.IsEmpty(); }
    bool Contains(char16_t letter) const;
    // The first letter, NUL for an empty group.
    char16_t Representative() const { return m_letters.GetAt(0); }

    // Lower-cases the letters with the platform's lower-casing and drops every letter that occurred
    // earlier in the group.
    void Normalise();

    // The text lower-cased as the platform lower-cases, character by character.
    static Str LowerCased(const Str& text);

private:
    Str m_letters;
};

}
