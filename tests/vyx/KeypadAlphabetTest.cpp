// Keypad alphabets without a device: normalised groups, the keypad form of words over the service's
// built-in alphabets, the keys' groups, the word separators, and the two readings of a user-defined
// alphabet text.
#include "vyx/keypad/KeyGroup.h"
#include "vyx/keypad/KeypadAlphabet.h"
#include "vyx/keypad/ServiceAlphabetLoader.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/keypad/WordSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using keypad::AlphabetType;
using keypad::KeyGroup;
using keypad::KeypadAlphabet;

std::u16string textOf(const Str& text)
{
    return std::u16string(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

std::vector<std::u16string> groupsOf(const KeypadAlphabet& alphabet)
{
    std::vector<std::u16string> groups;
    for (int i = 0; i < alphabet.GetCount(); ++i)
        groups.push_back(textOf(alphabet.KeyAt(i).group.Letters()));
    return groups;
}

KeypadAlphabet normalisedBuiltIn(AlphabetType type)
{
    KeypadAlphabet alphabet = keypad::ServiceAlphabetLoader::BuiltIn(type);
    alphabet.Normalise();
    return alphabet;
}

TEST(KeyGroupTest, NormalisingLowerCasesAndKeepsEachLetterOnceInItsFirstPlace)
{
    struct Case {
        std::u16string letters;
        std::u16string normalised;
    };
    const Case cases[] = {
        { u"ABCabc", u"abc" },
        { u"aAbBaA", u"ab" },
        { u"ДЕЁЖЗдеёжз", u"деёжз" },
        { u"ЁёЕе", u"ёе" },
        { u"PQRSß", u"pqrsß" },
        { u"ÄäAa", u"äa" },
        { u"cba", u"cba" },
        { u"", u"" },
    };
    for (const Case& c : cases) {
        KeyGroup group { Str(c.letters.c_str()) };
        group.Normalise();
        EXPECT_EQ(textOf(group.Letters()), c.normalised);
        EXPECT_EQ(group.Representative(), c.normalised.empty() ? u'\0' : c.normalised.front());
        for (const char16_t letter : c.normalised)
            EXPECT_TRUE(group.Contains(letter));
    }
}

TEST(KeypadAlphabetTest, BuiltInGroupsAfterNormalising)
{
    EXPECT_EQ(groupsOf(normalisedBuiltIn(AlphabetType::Latin)),
              (std::vector<std::u16string> { u"abc", u"def", u"ghi", u"jkl", u"mno", u"pqrs", u"tuv", u"wxyz" }));
    EXPECT_EQ(groupsOf(normalisedBuiltIn(AlphabetType::Cyrillic)),
              (std::vector<std::u16string> { u"абвг", u"деёжз", u"ийкл", u"мноп", u"рсту", u"фхцч", u"шщъы", u"ьэюя" }));
    EXPECT_EQ(groupsOf(normalisedBuiltIn(AlphabetType::CyrillicAndLatin)),
              (std::vector<std::u16string> { u"abcабвг", u"defдеёжз", u"ghiийкл", u"jklмноп", u"mnoрсту", u"pqrsфхцч",
                                             u"tuvшщъы", u"wxyzьэюя" }));
    EXPECT_EQ(groupsOf(normalisedBuiltIn(AlphabetType::German)),
              (std::vector<std::u16string> { u"abcä", u"def", u"ghi", u"jkl", u"mnoö", u"pqrsß", u"tuvü", u"wxyz" }));
    // A user-defined alphabet has no built-in groups of its own.
    EXPECT_EQ(groupsOf(normalisedBuiltIn(AlphabetType::Custom)), groupsOf(normalisedBuiltIn(AlphabetType::Latin)));
}

TEST(KeypadAlphabetTest, GroupKeyOfWords)
{
    struct Case {
        const char* name;
        AlphabetType alphabet;
        std::u16string word;
        std::u16string key;
    };
    const Case cases[] = {
        { "upper and lower case alike", AlphabetType::Latin, u"Smith", u"pmgtg" },
        { "apostrophe ends the key", AlphabetType::Latin, u"o'neil", u"m" },
        { "leading digit gives no key", AlphabetType::Latin, u"1abc", u"" },
        { "empty word", AlphabetType::Latin, u"", u"" },
        { "letter outside the alphabet ends the key", AlphabetType::Latin, u"abcЖ", u"aaa" },
        { "umlaut in the German alphabet", AlphabetType::German, u"Müller", u"mtjjdp" },
        { "sharp s in the German alphabet", AlphabetType::German, u"Straße", u"ptpapd" },
        { "umlaut outside the Latin alphabet", AlphabetType::Latin, u"Müller", u"m" },
        { "Cyrillic capital Io", AlphabetType::Cyrillic, u"Ёжик", u"ддии" },
        { "Latin outside the Cyrillic alphabet", AlphabetType::Cyrillic, u"Иван Smith", u"иаам" },
        { "Cyrillic Be in the mixed alphabet", AlphabetType::CyrillicAndLatin, u"Б", u"a" },
        { "Latin B in the mixed alphabet", AlphabetType::CyrillicAndLatin, u"B", u"a" },
        { "Cyrillic word in the mixed alphabet", AlphabetType::CyrillicAndLatin, u"Борис", u"ajmgm" },
        { "Latin word in the mixed alphabet", AlphabetType::CyrillicAndLatin, u"Smith", u"pmgtg" },
    };
    for (const Case& c : cases) {
        const KeypadAlphabet alphabet = normalisedBuiltIn(c.alphabet);
        EXPECT_EQ(textOf(alphabet.GroupKey(Str(c.word.c_str()))), c.key) << c.name;
    }
}

TEST(KeypadAlphabetTest, GroupKeyUsesTheFirstGroupHoldingALetter)
{
    KeypadAlphabet alphabet;
    alphabet.AddKey(KeyGroup(Str(u"xa")));
    alphabet.AddKey(KeyGroup(Str(u"ab")));
    alphabet.Normalise();
    EXPECT_EQ(textOf(alphabet.GroupKey(Str(u"AB"))), u"xa");
}

TEST(KeypadAlphabetTest, GroupOfAKey)
{
    const KeypadAlphabet latin = normalisedBuiltIn(AlphabetType::Latin);
    ASSERT_NE(latin.GroupOfKey(u'2'), nullptr);
    EXPECT_EQ(textOf(latin.GroupOfKey(u'2')->Letters()), u"abc");
    ASSERT_NE(latin.GroupOfKey(u'9'), nullptr);
    EXPECT_EQ(textOf(latin.GroupOfKey(u'9')->Letters()), u"wxyz");
    for (const char16_t other : std::u16string(u"01*#:a"))
        EXPECT_EQ(latin.GroupOfKey(other), nullptr) << static_cast<int>(other);

    KeypadAlphabet two;
    two.AddKey(KeyGroup(Str(u"ab")));
    two.AddKey(KeyGroup(Str(u"cd")));
    EXPECT_NE(two.GroupOfKey(u'3'), nullptr);
    EXPECT_EQ(two.GroupOfKey(u'4'), nullptr);
}

TEST(WordSplitterTest, WordsOfTexts)
{
    struct Case {
        std::u16string text;
        std::vector<std::u16string> words;
    };
    const Case cases[] = {
        { u"Иван Петров", { u"Иван", u"Петров" } },
        { u"a№b\\c/d", { u"a", u"b", u"c", u"d" } },
        { u"  ,,a..b  ", { u"a", u"b" } },
        { u"O'Neil-Smith", { u"O", u"Neil", u"Smith" } },
        { u"tel:+7 (916) 123", { u"tel", u"+7", u"916", u"123" } },
        { u"a~b+c", { u"a~b+c" } },
        { u"\r\n\t ", {} },
        { u"", {} },
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> words;
        for (const Str& word : keypad::WordSplitter::Words(c.text))
            words.push_back(textOf(word));
        EXPECT_EQ(words, c.words);
    }
}

TEST(WordSplitterTest, SeparatorSetIsExactlyTheListedCharacters)
{
    const std::u16string separators = u"\r\n\t `!@#$%^&*()_|{}:\"/<>?[];',.№-=\\";
    for (const char16_t c : separators) {
        EXPECT_TRUE(keypad::WordSplitter::IsSeparator(c)) << static_cast<int>(c);
        const std::u16string text = std::u16string(u"x") + c + u"y";
        EXPECT_EQ(keypad::WordSplitter::Words(text).size(), 2u) << static_cast<int>(c);
    }
    for (const char16_t c : std::u16string(u"~+aZ0яЁ\u00A0\u2116x"))
        EXPECT_EQ(keypad::WordSplitter::IsSeparator(c), c == u'№') << static_cast<int>(c);
}

struct ParsedKey {
    std::u16string caption;
    std::u16string secondCaption;
    std::u16string letters;
    bool operator==(const ParsedKey&) const = default;
};

std::vector<ParsedKey> keysOf(const KeypadAlphabet& alphabet)
{
    std::vector<ParsedKey> keys;
    for (int i = 0; i < alphabet.GetCount(); ++i) {
        const KeypadAlphabet::Key& key = alphabet.KeyAt(i);
        keys.push_back({ textOf(key.caption), textOf(key.secondCaption), textOf(key.group.Letters()) });
    }
    return keys;
}

void PrintTo(const ParsedKey& key, std::ostream* out)
{
    *out << key.caption.size() << "/" << key.secondCaption.size() << "/" << key.letters.size();
}

TEST(VyxAlphabetParseTest, EntriesWithCaptions)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<ParsedKey> keys; // empty: the parse finds nothing
    };
    const Case cases[] = {
        { "two spaces between entries", u"ABC/abc  DEF/def", { { u"ABC", u"", u"abc" }, { u"DEF", u"", u"def" } } },
        { "entry without caption is ignored", u"/xyz ABC/abc", { { u"ABC", u"", u"abc" } } },
        { "only an entry without caption", u"/xyz", {} },
        { "second caption", u"АБВГ^ABC/абвгabc", { { u"АБВГ", u"ABC", u"абвгabc" } } },
        { "caption splits at its first caret", u"A^B^C/x", { { u"A", u"B^C", u"x" } } },
        { "caption of a second caption only", u"^ABC/x", { { u"", u"ABC", u"x" } } },
        { "backslash starts the letters", u"ABC\\abc", { { u"ABC", u"", u"abc" } } },
        { "separators among the letters are left out", u"ABC/a,b.c/d\\e", { { u"ABC", u"", u"abcde" } } },
        { "letters as written, not normalised", u"ABC/ABCabc", { { u"ABC", u"", u"ABCabc" } } },
        { "spaces before a caption are skipped", u"   ABC/abc", { { u"ABC", u"", u"abc" } } },
        { "a space inside a caption is skipped", u"AB CD/x", { { u"ABCD", u"", u"x" } } },
        { "a tab stays in the caption", u"A\tB/x", { { u"A\tB", u"", u"x" } } },
        { "caption without letters", u"ABC/ DEF/def", { { u"DEF", u"", u"def" } } },
        { "letters of separators only", u"ABC/.,; DEF/def", { { u"DEF", u"", u"def" } } },
        { "the text ends at a NUL", std::u16string(u"ABC/abc\0DEF/def", 15), { { u"ABC", u"", u"abc" } } },
        { "no letters part", u"ABC", {} },
        { "letters part left empty", u"ABC/", {} },
        { "empty text", u"", {} },
    };
    for (const Case& c : cases) {
        const auto alphabet = keypad::VyxAlphabetLoader::Parse(c.text);
        if (c.keys.empty()) {
            EXPECT_FALSE(alphabet) << c.name;
            continue;
        }
        ASSERT_TRUE(alphabet) << c.name;
        EXPECT_EQ(keysOf(*alphabet), c.keys) << c.name;
    }
}

TEST(ServiceAlphabetParseTest, GroupsAfterEveryMark)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::u16string> groups; // empty: the parse finds nothing
    };
    const Case cases[] = {
        { "two spaces between entries", u"ABC/abc  DEF/def", { u"abc", u"def" } },
        { "entry without caption is taken", u"/xyz ABC/abc", { u"xyz", u"abc" } },
        { "backslash starts a group", u"\\xy", { u"xy" } },
        { "separators stay, and each mark starts a group", u"ABC/a,b/c", { u"a,b/c", u"c" } },
        { "second captions are not looked at", u"АБВГ^ABC/абвгabc", { u"абвгabc" } },
        { "empty groups are dropped", u"A/ B/", {} },
        { "no marks", u"hello world", {} },
        { "the text ends at a NUL", std::u16string(u"A/x\0B/y", 7), { u"x" } },
        { "empty text", u"", {} },
    };
    for (const Case& c : cases) {
        const auto alphabet = keypad::ServiceAlphabetLoader::Parse(c.text);
        if (c.groups.empty()) {
            EXPECT_FALSE(alphabet) << c.name;
            continue;
        }
        ASSERT_TRUE(alphabet) << c.name;
        EXPECT_EQ(groupsOf(*alphabet), c.groups) << c.name;
    }
}

}
