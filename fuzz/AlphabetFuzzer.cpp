// Arbitrary UTF-16 text as a user-defined keypad alphabet, read both as Vyx reads it and as the
// service does; the groups are normalised and the text's own words turned into keys with them.
#include "vyx/keypad/ServiceAlphabetLoader.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/keypad/WordSplitter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

// Every group is non-empty and, once normalised, holds each letter once; every word's key is no
// longer than the word.
void exercise(keypad::KeypadAlphabet alphabet, const std::u16string& text)
{
    check(!alphabet.IsEmpty());
    alphabet.Normalise();
    for (int i = 0; i < alphabet.GetCount(); ++i) {
        const Str& letters = alphabet.KeyAt(i).group.Letters();
        check(!letters.IsEmpty());
        for (int at = 0; at < letters.GetLength(); ++at)
            check(letters.Find(letters.GetAt(at)) == at);
    }
    for (const Str& word : keypad::WordSplitter::Words(text))
        check(alphabet.GroupKey(word).GetLength() <= word.GetLength());
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));

    if (const auto vyxAlphabet = keypad::VyxAlphabetLoader::Parse(text)) {
        for (int i = 0; i < vyxAlphabet->GetCount(); ++i) {
            const keypad::KeypadAlphabet::Key& key = vyxAlphabet->KeyAt(i);
            // A caption beginning with "^" leaves the caption itself empty.
            check(key.caption.Find(u'^') < 0);
        }
        exercise(*vyxAlphabet, text);
    }
    if (const auto serviceAlphabet = keypad::ServiceAlphabetLoader::Parse(text))
        exercise(*serviceAlphabet, text);
    return 0;
}
