// The PIM information block's grammar: sections and their entries, backslashes, white space, dates,
// the fixed numbers of addresses named Home, Business and Other, and the rules that skip a broken
// entry or unknown section, or fail the whole block.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/vyx/ExtrasDescription.h"
#include "vyx/contacts/PimInfoBlock.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using testing_support::caseName;
using testing_support::describe;
using Lines = std::vector<std::string>;

struct BlockCase {
    const char* name;
    std::u16string block;
    // The extras as ExtrasDescription lines; nullopt when the whole block fails.
    std::optional<Lines> extras;
    friend void PrintTo(const BlockCase& tested, std::ostream* out) { *out << tested.name; }
};

// The block is read on a device, whose time functions turn dates into file times.
class PimInfoBlockTest : public testing_support::DeviceFixture, public ::testing::WithParamInterface<BlockCase> { };

TEST_P(PimInfoBlockTest, Parses)
{
    const BlockCase& tested = GetParam();
    std::optional<vyx::ContactExtras> extras;
    runProgram([&] {
        extras = vyx::PimInfoBlock::Parse(tested.block);
        return 0;
    });
    ASSERT_EQ(extras.has_value(), tested.extras.has_value());
    if (extras) {
        EXPECT_EQ(describe(*extras), *tested.extras);
    }
}

INSTANTIATE_TEST_SUITE_P(Grammar, PimInfoBlockTest,
    ::testing::Values(
        BlockCase { "Empty", u"", Lines {} },
        BlockCase { "OnlyWhiteSpace", u"\r\n \t\r\n", Lines {} },
        BlockCase { "DachaPhone", u"\r\nPhone:\r\n[Dacha: +7 (495) 123-45-67]\r\n", Lines { "phone Dacha: +7 (495) 123-45-67" } },
        BlockCase { "EveryPairKind",
            u"Phone: [Mobile 2: 8 916 000-00-00] Email: [Home: me@example.org] WebPage: [Blog: example.org/me]\r\n"
            u"People: [Wife: Anna] Link: [Map: geo\\:55,37] OtherProp: [Blood: A+]",
            Lines { "phone Mobile 2: 8 916 000-00-00", "email Home: me@example.org", "webpage Blog: example.org/me",
                "people Wife: Anna", "link Map: geo:55,37", "otherprop Blood: A+" } },
        BlockCase { "SectionNamesIgnoreCase", u"PHONE: [a: 1] eMail: [b: c@d] otherPROP: [e: f]",
            Lines { "phone a: 1", "email b: c@d", "otherprop e: f" } },
        BlockCase { "SectionWithManyEntriesAndNone", u"Phone: Email: [a: b] [c: d] Phone:[e:1][f:2]",
            Lines { "phone e: 1", "phone f: 2", "email a: b", "email c: d" } },
        BlockCase { "BackslashBeforeColonInLabel", u"Phone: [Office\\: main: 123]", Lines { "phone Office: main: 123" } },
        BlockCase { "BackslashesBeforeEverySpecial", u"Link: [S\\;i\\[t\\]e: a\\[1\\]\\;b\\:c]", Lines { "link S;i[t]e: a[1];b:c" } },
        BlockCase { "BackslashBeforeOtherCharactersStays", u"OtherProp: [Path: C\\Temp\\ x]", Lines { "otherprop Path: C\\Temp\\ x" } },
        BlockCase { "WhiteSpaceAroundTrimmedInsideKept", u"Phone: [ \t Home  phone \t:   12  34 \r\n ]", Lines { "phone Home  phone: 12  34" } },
        BlockCase { "CyrillicLabel", u"Phone: [Дача: 8 495 1234567] Телефон: [x: 1]", Lines { "phone Дача: 8 495 1234567" } },
        BlockCase { "LabelBeginningWithDigit", u"Phone: [2nd: 5]", Lines { "phone 2nd: 5" } },
        BlockCase { "EmptyValueNotStored", u"Phone: [a: ] [b:\t] [c: 3]", Lines { "phone c: 3" } },
        BlockCase { "DatesOfTenCharacters",
            u"Date: [Birthday: 1975.04.12] [Wedding: 2001-06-30] [Dropped: 12.04.1975] [Short: 1975.4.12] [Long: 1975.04.120]"
            u" [Letters: 19x5.04.12] [BadMonth: 1975.13.01] [BadDay: 1975.04.00]",
            Lines { "date Birthday: 1975-04-12 00:00", "date Wedding: 2001-06-30 00:00" } },
        BlockCase { "HomeWithSingleNumberSetsTheNumber", u"Address: [Home: 2] [Business: 40] [Other: 4294967295]",
            Lines { "home 2", "business 40", "other 4294967295" } },
        BlockCase { "LowerCaseHomeIsAnAddress", u"Address: [home: 2]", Lines { "address home: 2;;;; #0" } },
        BlockCase { "HomeWithMoreThanDigitsIsAnAddress", u"Address: [Home: 2a] [Home: 4294967296] [Home: 2;]",
            Lines { "address Home: 2a;;;; #0", "address Home: 4294967296;;;; #0", "address Home: 2;;;; #0" } },
        BlockCase { "AddressWithSixParts", u"Address: [Dacha: Lenina 1; Moscow;; 123456; Russia; 7] [Flat: a;;;;;]",
            Lines { "address Dacha: Lenina 1;Moscow;;123456;Russia #7", "address Flat: a;;;; #0" } },
        BlockCase { "AddressWithAllPartsEmptyNotStored", u"Address: [Empty: ;;;;] [Blank: ] [Numbered: ;;;;;5] [Kept: ;;;;e]",
            Lines { "address Kept: ;;;;e #0" } },
        BlockCase { "SixthPartNotDigitsTakesTheNextEntry", u"Address: [A: a;b;c;d;e;x1] [B: b] [C: c]", Lines { "address C: c;;;; #0" } },
        BlockCase { "SeventhPartSkipsToItsOwnBracket", u"Address: [A: 1;2;3;4;5;6;7] [B: b]", Lines { "address B: b;;;; #0" } },
        BlockCase { "MessengerKeepsSecondThenFirst", u"Messenger: [ICQ: 12345; online] [Jabber: ; me@jabber.org] [Skype: name;]",
            Lines { "messenger ICQ: second online, first 12345", "messenger Jabber: second me@jabber.org, first " } },
        BlockCase { "EntryFailingAfterItsBracketTakesTheNextEntry", u"Messenger: [ICQ: 12345] [Skype: a; b] [Jabber: c; d]",
            Lines { "messenger Jabber: second d, first c" } },
        BlockCase { "LabelWithoutColonTakesTheNextEntry", u"Phone: [Dacha] [Lost: 1] [Kept: 2]", Lines { "phone Kept: 2" } },
        BlockCase { "EntryFailingInsideSkipsToItsOwnBracket", u"Phone: [a: 1; 2] [b: 3] [c: 4 [d: 5] [e: 6]",
            Lines { "phone b: 3", "phone e: 6" } },
        BlockCase { "LabelNotBeginningWithLetterOrDigit", u"Phone: [-x: 1] [\\:y: 2] [z: 3]", Lines { "phone z: 3" } },
        BlockCase { "FailureAtTheLastEntryKeepsTheRest", u"Phone: [a: 1] Messenger: [ICQ: 1]", Lines { "phone a: 1" } },
        BlockCase { "UnknownSectionSkipped", u"Fax: [Work: 1] Phone: [a: 2]", Lines { "phone a: 2" } },
        BlockCase { "UnknownSectionSkippedWithAllItsEntries", u"Fax: [Work: 1] [Home: 2; 3] Phone: [a: 2]", Lines { "phone a: 2" } },
        BlockCase { "UnknownSectionWithoutEntriesTakesTheNextEntry", u"Fax: Phone: [a: 1] [b: 2] Email: [c: d]",
            Lines { "email c: d" } },
        BlockCase { "UnknownSectionAtTheEnd", u"Phone: [a: 1] Fax:", Lines { "phone a: 1" } },
        BlockCase { "BlockEndingInsideAnEntryFails", u"Phone: [a: 1] [b: 2", std::nullopt },
        BlockCase { "BlockEndingInsideALabelFails", u"Phone: [a: 1] [b", std::nullopt },
        BlockCase { "BlockEndingWhileSkippingAnEntryFails", u"Phone: [a: 1] [b; c: 2", std::nullopt },
        BlockCase { "BlockEndingInsideAnUnknownSectionsEntryFails", u"Phone: [a: 1] Fax: [x: 1] [y: 2", std::nullopt },
        BlockCase { "SectionNameNotBeginningWithLetterFails", u"Phone: [a: 1] 2nd: [b: 2]", std::nullopt },
        BlockCase { "SectionNameWithoutColonFails", u"Phone [a: 1]", std::nullopt },
        BlockCase { "SectionNameAtTheEndFails", u"Phone: [a: 1] Email", std::nullopt },
        BlockCase { "StrayBracketBetweenSectionsFails", u"Phone: [a: 1] ] Email: [b: c]", std::nullopt }),
    caseName<BlockCase>);

}
