// KeypadAlphabet: which letters belong to which key. Group i belongs to key '2' + i; in Vyx each key
// also carries the caption shown on it and an optional second caption. Words become their keypad form,
// the GroupKey, through the groups alone.
#pragma once

#include "common/Str.h"
#include "vyx/keypad/KeyGroup.h"

#include <vector>

namespace keypad {

class KeypadAlphabet {
public:
    struct Key {
        KeyGroup group;
        Str caption;
        Str secondCaption;
    };

    void AddKey(const KeyGroup& group, const Str& caption = Str(), const Str& secondCaption = Str());
    int GetCount() const { return static_cast<int>(m_keys.size()); }
    bool IsEmpty() const { return m_keys.empty(); }
    const Key& KeyAt(int index) const { return m_keys[static_cast<std::size_t>(index)]; }

    // The group of key '2' to '9'; null for any other key and for keys beyond the last group.
    const KeyGroup* GroupOfKey(char16_t digit) const;

    // Normalises every group.
    void Normalise();

    // The keypad form of a word: for each of its lower-cased characters, the representative of the
    // first group holding it, up to the first character no group holds. May be empty.
    Str GroupKey(const Str& word) const;

private:
    std::vector<Key> m_keys;
};

}
