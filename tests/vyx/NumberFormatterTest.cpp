// The number formatter: which numbers it leaves alone, how a template's parts and the number's own
// text, opening and closing make up the result, the order of the two passes, the working buffers, and
// the templates read from the device's settings.
#include "common/SettingsStore.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/NumberFormatter.h"
#include "vyx/contacts/NumberParts.h"
#include "vyx/contacts/TemplateCore.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using vyx::NumberFormatter;
using vyx::NumberParts;

std::string narrow(std::u16string_view text)
{
    std::string bytes;
    for (const char16_t unit : text)
        bytes += unit < 0x80 ? static_cast<char>(unit) : '?';
    return bytes;
}

// The number as `templates` format it; nullopt when the formatter leaves it unchanged.
std::optional<std::u16string> formatted(const std::vector<std::u16string>& templates, std::u16string number)
{
    NumberFormatter formatter;
    formatter.UseTemplates(templates);
    const std::u16string original = number;
    if (!formatter.FormatNumber(number)) {
        EXPECT_EQ(number, original) << "a number no template took was changed";
        return std::nullopt;
    }
    return number;
}

struct FormatCase {
    const char* what;
    std::vector<std::u16string> templates;
    std::u16string number;
    std::optional<std::u16string> result;
};

void check(const std::vector<FormatCase>& cases)
{
    for (const FormatCase& c : cases) {
        const auto result = formatted(c.templates, c.number);
        EXPECT_EQ(result, c.result) << c.what << ": " << narrow(c.number) << " gave " << (result ? narrow(*result) : "(unchanged)");
    }
}

const std::u16string russianMobile = u"+7 (###) ###-##-##";

TEST(NumberFormatterTest, TemplatesTakeNumbersOfTheirSlotCount)
{
    check({
        { "international form", { russianMobile }, u"+79161234567", u"+7 (916) 123-45-67" },
        { "dashes and blanks of the core are dropped", { russianMobile }, u"+7 916 123-45-67", u"+7 (916) 123-45-67" },
        { "blanks around dashes", { u"###-##-##" }, u"123 - 45 - 67", u"123-45-67" },
        { "a literal digit must meet the same digit", { russianMobile }, u"+19161234567", std::nullopt },
        { "the national form has 8 where the template has 7", { russianMobile }, u"89161234567", std::nullopt },
        { "one digit short", { russianMobile }, u"+7916123456", std::nullopt },
        { "one digit over", { russianMobile }, u"+791612345678", std::nullopt },
        { "a template without literal digits fills its '#'", { u"#-###-###-##-##" }, u"89161234567", u"8-916-123-45-67" },
        { "the first template of the count wins", { u"###-##-##", u"### ## ##" }, u"1234567", u"123-45-67" },
        { "a template that does not take it passes to the next", { u"###.##.##", u"### ## ##" }, u"1234567", u"123 45 67" },
    });
}

TEST(NumberFormatterTest, DialStringsAndBracketedCoresAreLeftAlone)
{
    // Each of these would take the template but for the character that marks it as a dial string.
    check({
        { "service code in front", { russianMobile }, u"*+79161234567", std::nullopt },
        { "hash behind", { russianMobile }, u"+79161234567#", std::nullopt },
        { "pause", { russianMobile }, u"+79161234567,", std::nullopt },
        { "wait", { russianMobile }, u"+79161234567w", std::nullopt },
        { "wait in capitals", { russianMobile }, u"+79161234567W", std::nullopt },
        { "brackets in the core", { russianMobile }, u"+7 (916) 1234567", std::nullopt },
        { "brackets in the core of a national number", { u"8 (###) ###-##-##" }, u"8(916)123-45-67", std::nullopt },
        { "square brackets in the core", { u"### ####" }, u"123[4567", std::nullopt },
        { "an underscore in the core", { u"###_####" }, u"123_4567", std::nullopt },
        { "no digits", { u"###-##-##" }, u"+() ", std::nullopt },
        { "empty", { u"###-##-##" }, u"", std::nullopt },
    });
}

TEST(NumberFormatterTest, LiteralDigitTemplatesAreTriedFirst)
{
    const std::u16string plain = u"#-###-###-##-##";
    const std::u16string national = u"8 (###) ###-##-##";
    check({
        { "later in the list but with a literal digit", { plain, national }, u"89161234567", u"8 (916) 123-45-67" },
        { "in list order within the first pass", { u"8 ### ###-##-##", national }, u"89161234567", u"8 916 123-45-67" },
        { "the literal digit does not fit: the second pass", { national, plain }, u"79161234567", u"7-916-123-45-67" },
        { "a literal digit in the opening's place", { u"+7 (###) ###-##-##", u"+# ### ###-##-##" }, u"+19161234567", u"+1 916 123-45-67" },
    });
}

TEST(NumberFormatterTest, CoreDecorationMustAgreeIgnoringCase)
{
    check({
        { "dots of the template met by dots", { u"###.##.##" }, u"123.45.67", u"123.45.67" },
        { "dots of the template missing from the number", { u"###.##.##" }, u"1234567", std::nullopt },
        { "one dot short", { u"###.##.##" }, u"123.4567", std::nullopt },
        { "a letter in the other case", { u"###x####" }, u"123X4567", u"123x4567" },
        { "a Cyrillic letter in the other case", { u"###\u0434####" }, u"123\u04144567", u"123\u04344567" },
        { "separators of the template need nothing in the number", { u"(###) ###-##-##" }, u"4951234567", u"(495) 123-45-67" },
    });
}

TEST(NumberFormatterTest, TextOpeningClosingAndTrailingText)
{
    check({
        { "the template's opening when the number has none", { u"(###-##-##)" }, u"1234567", u"(123-45-67)" },
        { "the number's opening found in the template's", { u"(###-##-##)" }, u"(1234567)", u"(123-45-67)" },
        { "the number's opening kept over the template's", { u"+(###-##-##)" }, u"(1234567)", u"(123-45-67)" },
        { "an opening the template lacks", { u"###-##-##" }, u"(1234567)", std::nullopt },
        { "another kind of opening", { u"[###-##-##]" }, u"(1234567)", std::nullopt },
        { "a closing the template lacks", { u"(###-##-##" }, u"(1234567)", std::nullopt },
        { "an opening with a run of the same character", { u"--###-##-##" }, u"--1234567", u"--123-45-67" },
        { "the number's text stays in front", { u"###-##-##" }, u"Home 1234567", u"Home 123-45-67" },
        { "the template's text and a blank go first", { u"Tel:###-##-##" }, u"1234567", u"Tel: 123-45-67" },
        { "the template's text is not repeated", { u"Tel:###-##-##" }, u"TEL:1234567", u"TEL:123-45-67" },
        { "nor in Cyrillic", { u"\u0442\u0435\u043b:###-##-##" }, u"\u0422\u0415\u041b:1234567", u"\u0422\u0415\u041b:123-45-67" },
        { "the template's own blank stays and one more is added", { u"Tel ###-##-##" }, u"1234567", u"Tel  123-45-67" },
        { "the template's trailing text after a blank", { u"###-##-##!" }, u"1234567", u"123-45-67 !" },
        { "the number's trailing text before it", { u"###-##-## (home)" }, u"1234567 office", u"123-45-67 office  (home)" },
        { "the same trailing text is not repeated", { u"###-##-## (home)" }, u"1234567 (HOME)", u"123-45-67 (HOME)" },
    });
}

TEST(NumberFormatterTest, WhatDoesNotFitTheWorkingBuffersDoesNotMatch)
{
    // "###-####" and a trailing text of a blank and `count` letters: the result is 10 + count long.
    const auto withTrailing = [](std::size_t count) { return u"###-#### " + std::u16string(count, u'a'); };
    check({
        { "a result of 259 characters", { withTrailing(249) }, u"1234567", u"123-4567  " + std::u16string(249, u'a') },
        { "a result of 260 characters", { withTrailing(250) }, u"1234567", std::nullopt },
        { "the next template then applies", { withTrailing(250), u"###-##-##" }, u"1234567", u"123-45-67" },
        { "a template whose text does not fit", { std::u16string(260, u'T') + u"###-####" }, u"1234567", std::nullopt },
        { "a number whose text does not fit", { u"###-##-##" }, std::u16string(260, u'a') + u"1234567", std::nullopt },
        { "a number whose text just fits", { u"###-##-##" }, std::u16string(250, u'a') + u"1234567", std::u16string(250, u'a') + u"123-45-67" },
    });
}

TEST(NumberFormatterTest, UnusableTemplatesArePassedOver)
{
    NumberFormatter formatter;
    EXPECT_FALSE(formatter.IsEnabled());
    formatter.UseTemplates({ u"", u"[###]", u"###{", u"<##>", u"+7 (###) ###-##-##", u"#-##", u"text" });
    EXPECT_TRUE(formatter.IsEnabled());
    ASSERT_EQ(formatter.Templates().size(), 3u);
    EXPECT_EQ(formatter.Templates()[0].Text(), u"+7 (###) ###-##-##");
    EXPECT_EQ(formatter.Templates()[0].SlotCount(), 11u);
    EXPECT_TRUE(formatter.Templates()[0].HasLiteralDigit());
    EXPECT_EQ(formatter.Templates()[1].SlotCount(), 3u);
    EXPECT_FALSE(formatter.Templates()[1].HasLiteralDigit());
    EXPECT_EQ(formatter.Templates()[2].SlotCount(), 0u);

    formatter.UseTemplates({});
    EXPECT_TRUE(formatter.IsEnabled());
    std::u16string number = u"1234567";
    EXPECT_FALSE(formatter.FormatNumber(number));
}

TEST(NumberFormatterTest, ADisabledFormatterChangesNothing)
{
    const NumberFormatter formatter;
    std::u16string number = u"1234567";
    EXPECT_FALSE(formatter.FormatNumber(number));
    EXPECT_EQ(number, u"1234567");
}

TEST(NumberPartsTest, SplitsIntoTextOpeningCoreClosingAndTrailingText)
{
    const struct {
        std::u16string text;
        std::u16string_view coreSet;
        std::vector<std::u16string> parts;
    } cases[] = {
        { u"tel. +(495) 123-45-67 home", NumberParts::numberCoreSet, { u"tel. ", u"+(", u"495) 123-45-67", u"", u" home" } },
        { u"+7 (###) ###-##-##", NumberParts::templateCoreSet, { u"", u"+", u"7 (###) ###-##-##", u"", u"" } },
        { u"x+([{-123)]} y", NumberParts::numberCoreSet, { u"x", u"+([{-", u"123", u")]}", u" y" } },
        { u"a=+=1", NumberParts::numberCoreSet, { u"a", u"=+=", u"1", u"", u"" } },
        { u"a(b+1", NumberParts::numberCoreSet, { u"a(b", u"+", u"1", u"", u"" } },
        { u"a.1", NumberParts::numberCoreSet, { u"a.", u"", u"1", u"", u"" } },
        { u"1 )x", NumberParts::numberCoreSet, { u"", u"", u"1", u"", u" )x" } },
        { u"1x)", NumberParts::numberCoreSet, { u"", u"", u"1", u"", u"x)" } },
        { u"no digits", NumberParts::numberCoreSet, { u"", u"", u"no digits", u"", u"" } },
    };
    for (const auto& c : cases) {
        const NumberParts parts = NumberParts::Split(c.text, c.coreSet);
        EXPECT_TRUE(parts.Fits());
        const std::vector<std::u16string> got { std::u16string(parts.text.Text()), std::u16string(parts.opening.Text()),
                                                std::u16string(parts.core.Text()), std::u16string(parts.closing.Text()),
                                                std::u16string(parts.trailing.Text()) };
        EXPECT_EQ(got, c.parts) << narrow(c.text);
    }
}

TEST(TemplateCoreTest, FillsHashesOrAllSlots)
{
    const struct {
        std::u16string core;
        std::u16string digits;
        std::optional<std::u16string> filled;
    } cases[] = {
        { u"###-##-##", u"1234567", u"123-45-67" },
        { u"7 (###) ###-##-##", u"79161234567", u"7 (916) 123-45-67" },
        // As many '#' as digits: literal digits stay as they are.
        { u"1##", u"23", u"123" },
        { u"##-##", u"123", std::nullopt },
    };
    for (const auto& c : cases) {
        const auto filled = vyx::FillTemplateCore(c.core, c.digits);
        EXPECT_EQ(filled ? std::optional(std::u16string(filled->Text())) : std::nullopt, c.filled) << narrow(c.core);
    }
}

class NumberTemplatesSettingsTest : public testing_support::DeviceFixture {
};

TEST_F(NumberTemplatesSettingsTest, LoadsTheCountedTemplatesInOrder)
{
    std::vector<std::u16string> loaded;
    std::u16string number = u"89161234567";
    bool applied = false;
    runProgram([&] {
        SettingsStore::SetDword(u"Templates", u"Count", 5, true);
        SettingsStore::SetString(u"Templates", u"0", u"#-###-###-##-##", false);
        SettingsStore::SetString(u"Templates", u"1", u"", false);
        SettingsStore::SetString(u"Templates", u"2", u"[###]", false);
        // "3" is missing and reads as empty.
        SettingsStore::SetString(u"Templates", u"4", u"8 (###) ###-##-##", false);
        SettingsStore::SetString(u"Templates", u"5", u"beyond the count", true);
        NumberFormatter formatter;
        formatter.LoadTemplates();
        for (const auto& numberTemplate : formatter.Templates())
            loaded.emplace_back(numberTemplate.Text());
        applied = formatter.FormatNumber(number);
        return 0;
    });
    EXPECT_EQ(loaded, (std::vector<std::u16string> { u"#-###-###-##-##", u"8 (###) ###-##-##" }));
    EXPECT_TRUE(applied);
    EXPECT_EQ(number, u"8 (916) 123-45-67");
}

TEST_F(NumberTemplatesSettingsTest, NoTemplatesKeyLeavesNumbersAsTheyAre)
{
    bool enabled = false;
    std::size_t count = 1;
    std::u16string number = u"1234567";
    bool applied = true;
    runProgram([&] {
        NumberFormatter formatter;
        formatter.LoadTemplates();
        enabled = formatter.IsEnabled();
        count = formatter.Templates().size();
        applied = formatter.FormatNumber(number);
        return 0;
    });
    EXPECT_TRUE(enabled);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(applied);
    EXPECT_EQ(number, u"1234567");
}

}
