#include "vyx/keypad/KeypadAlphabet.h"

namespace keypad {

void KeypadAlphabet::AddKey(const KeyGroup& group, const Str& caption, const Str& secondCaption)
{
    m_keys.push_back(Key { group, caption, secondCaption });
}

const KeyGroup* KeypadAlphabet::GroupOfKey(char16_t digit) const
{
    if (digit < u'2' || digit > u'9')
        return nullptr;
    const auto index = static_cast<std::size_t>(digit - u'2');
    return index < m_keys.size() ? &m_keys[index].group : nullptr;
}

void KeypadAlphabet::Normalise()
{
    for (Key& key : m_keys)
        key.group.Normalise();
}

Str KeypadAlphabet::GroupKey(const Str& word) const
{
    const Str lowered = KeyGroup::LowerCased(word);
    Str key;
    for (int i = 0; i < lowered.GetLength(); ++i) {
        const char16_t letter = lowered.GetAt(i);
        const Key* holder = nullptr;
        for (const Key& candidate : m_keys) {
            if (candidate.group.Contains(letter)) {
                holder = &candidate;
                break;
            }
        }
        if (!holder)
            break;
        key += holder->group.Representative();
    }
    return key;
}

}
