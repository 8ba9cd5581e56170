#include "vyx/keypad/ServiceAlphabetLoader.h"

#include <algorithm>
#include <array>
#include <string>

namespace keypad {

namespace {

using BuiltInGroups = std::array<const char16_t*, 8>;

constexpr BuiltInGroups latinGroups { u"abc", u"def", u"ghi", u"jkl", u"mno", u"pqrs", u"tuv", u"wxyz" };
constexpr BuiltInGroups cyrillicGroups { u"АБВГ", u"ДЕЁЖЗ", u"ИЙКЛ", u"МНОП", u"РСТУ", u"ФХЦЧ", u"ШЩЪЫ", u"ЬЭЮЯ" };
constexpr BuiltInGroups cyrillicAndLatinGroups { u"abcАБВГ", u"defДЕЁЖЗ", u"ghiИЙКЛ", u"jklМНОП",
                                                 u"mnoРСТУ", u"pqrsФХЦЧ", u"tuvШЩЪЫ", u"wxyzЬЭЮЯ" };
constexpr BuiltInGroups germanGroups { u"ABCÄ", u"DEF", u"GHI", u"JKL", u"MNOÖ", u"PQRSß", u"TUVÜ", u"WXYZ" };

const BuiltInGroups& groupsOf(AlphabetType type)
{
    switch (type) {
    case AlphabetType::Cyrillic:
        return cyrillicGroups;
    case AlphabetType::CyrillicAndLatin:
        return cyrillicAndLatinGroups;
    case AlphabetType::German:
        return germanGroups;
    default:
        return latinGroups;
    }
}

bool isGroupMark(char16_t c)
{
    return c == u'/' || c == u'\\';
}

}

KeypadAlphabet ServiceAlphabetLoader::Load()
{
    const AlphabetType type = AlphabetChoice::Chosen();
    std::optional<KeypadAlphabet> custom;
    if (type == AlphabetType::Custom)
        custom = Parse(AlphabetChoice::CustomText());
    KeypadAlphabet loaded = custom ? std::move(*custom) : BuiltIn(type);
    loaded.Normalise();
    return loaded;
}

KeypadAlphabet ServiceAlphabetLoader::BuiltIn(AlphabetType type)
{
    KeypadAlphabet alphabet;
    for (const char16_t* letters : groupsOf(type))
        alphabet.AddKey(KeyGroup(Str(letters)));
    return alphabet;
}

std::optional<KeypadAlphabet> ServiceAlphabetLoader::Parse(std::u16string_view text)
{
    const std::u16string_view whole = text.substr(0, text.find(u'\0'));
    KeypadAlphabet alphabet;
    for (std::size_t mark = 0; mark < whole.size(); ++mark) {
        if (!isGroupMark(whole[mark]))
            continue;
        const std::size_t end = std::min(whole.find(u' ', mark + 1), whole.size());
        Str letters;
        for (std::size_t i = mark + 1; i < end; ++i)
            letters += whole[i];
        if (!letters.IsEmpty())
            alphabet.AddKey(KeyGroup(letters));
    }
    if (alphabet.IsEmpty())
        return std::nullopt;
    return alphabet;
}

}
