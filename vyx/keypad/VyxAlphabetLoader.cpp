#include "vyx/keypad/VyxAlphabetLoader.h"

#include "common/ProgramModule.h"
#include "platform/api/WinResources.h"
#include "vyx/keypad/AlphabetChoice.h"
#include "vyx/keypad/AlphabetResources.h"
#include "vyx/keypad/WordSplitter.h"

#include <cstddef>
#include <string>

namespace keypad {

namespace {

constexpr char16_t byteOrderMark = 0xFEFF;

UINT resourceOf(AlphabetType type)
{
    switch (type) {
    case AlphabetType::Cyrillic:
        return IDR_ABC_CYRILLIC;
    case AlphabetType::CyrillicAndLatin:
        return IDR_ABC_CYRILLIC_AND_LATIN;
    case AlphabetType::German:
        return IDR_ABC_GERMAN;
    default:
        return IDR_ABC_LATIN;
    }
}

bool isLettersMark(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// Adds the entry when it has a caption and letters; the caption splits at its first "^".
void addEntry(KeypadAlphabet& alphabet, const Str& caption, const Str& letters)
{
    if (caption.IsEmpty() || letters.IsEmpty())
        return;
    const int split = caption.Find(u'^');
    if (split < 0)
        alphabet.AddKey(KeyGroup(letters), caption);
    else
        alphabet.AddKey(KeyGroup(letters), caption.Left(split), caption.Mid(split + 1));
}

}

KeypadAlphabet VyxAlphabetLoader::Load()
{
    std::optional<KeypadAlphabet> alphabet;
    const AlphabetType type = AlphabetChoice::Chosen();
    if (type == AlphabetType::Custom) {
        const std::u16string custom = AlphabetChoice::CustomText();
        if (!custom.empty())
            alphabet = Parse(custom);
    } else if (const auto text = ResourceText(resourceOf(type))) {
        alphabet = Parse(*text);
    }
    if (!alphabet) {
        if (const auto latin = ResourceText(IDR_ABC_LATIN))
            alphabet = Parse(*latin);
    }
    KeypadAlphabet loaded = alphabet ? std::move(*alphabet) : KeypadAlphabet();
    loaded.Normalise();
    return loaded;
}

std::optional<KeypadAlphabet> VyxAlphabetLoader::Parse(std::u16string_view text)
{
    KeypadAlphabet alphabet;
    Str caption;
    Str letters;
    bool inLetters = false;
    for (const char16_t c : text) {
        if (c == 0)
            break;
        if (!inLetters) {
            if (isLettersMark(c))
                inLetters = true;
            else if (c != u' ')
                caption += c;
        } else if (c == u' ') {
            addEntry(alphabet, caption, letters);
            caption.Empty();
            letters.Empty();
            inLetters = false;
        } else if (!WordSplitter::IsSeparator(c)) {
            letters += c;
        }
    }
    addEntry(alphabet, caption, letters);
    if (alphabet.IsEmpty())
        return std::nullopt;
    return alphabet;
}

std::optional<std::u16string> VyxAlphabetLoader::ResourceText(UINT id)
{
    const HMODULE module = ProgramModule();
    const HRSRC resource = FindResource(module, MAKEINTRESOURCE(static_cast<WORD>(id)), alphabetResourceType);
    if (!resource)
        return std::nullopt;
    const DWORD size = SizeofResource(module, resource);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    if (!bytes || size <= 3)
        return std::nullopt;
    const auto unitAt = [bytes](DWORD index) { return static_cast<char16_t>(bytes[index * 2] | (bytes[index * 2 + 1] << 8)); };
    if (unitAt(0) != byteOrderMark)
        return std::nullopt;
    std::u16string text;
    for (DWORD i = 1; i < size / 2; ++i)
        text += unitAt(i);
    return text;
}

}
