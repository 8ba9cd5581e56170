// The names a contact is shown and announced by, from the fields it has.
#include "vyx/contacts/ContactName.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using vyx::CallerInfo;

struct NameCase {
    const char* name;
    std::map<std::size_t, std::u16string> texts;
    DWORD sortType;
    std::u16string callerScreen;
    std::u16string nameLookup;
    friend void PrintTo(const NameCase& tested, std::ostream* out) { *out << tested.name; }
};

class ContactNameTest : public ::testing::TestWithParam<NameCase> {
};

TEST_P(ContactNameTest, FollowsTheFieldsAndTheSortType)
{
    CallerInfo record;
    for (const auto& [slot, text] : GetParam().texts)
        record.texts[slot] = text;
    EXPECT_EQ(vyx::ContactName::ForCallerScreen(record, GetParam().sortType), GetParam().callerScreen);
    EXPECT_EQ(vyx::ContactName::ForNameLookup(record, GetParam().sortType), GetParam().nameLookup);
}

constexpr std::size_t lastName = CallerInfo::LastName;
constexpr std::size_t firstName = CallerInfo::FirstName;
constexpr std::size_t middleName = CallerInfo::MiddleName;
constexpr std::size_t fileAs = CallerInfo::FileAs;
constexpr std::size_t company = CallerInfo::Company;
constexpr std::size_t firstFallback = CallerInfo::Title;
constexpr std::size_t secondFallback = CallerInfo::Suffix;

INSTANTIATE_TEST_SUITE_P(
    Names, ContactNameTest,
    ::testing::Values(
        NameCase { "LastAndFirst", { { lastName, u"Petrov" }, { firstName, u"Ivan" } }, 0, u"Petrov, Ivan", u"Petrov, Ivan" },
        NameCase { "AllThree", { { lastName, u"Petrov" }, { firstName, u"Ivan" }, { middleName, u"Ilyich" } }, 0,
                   u"Petrov, Ivan Ilyich", u"Petrov, Ivan Ilyich" },
        NameCase { "LastAndMiddle", { { lastName, u"Petrov" }, { middleName, u"Ilyich" } }, 0, u"Petrov Ilyich", u"Petrov Ilyich" },
        NameCase { "MiddleOnly", { { middleName, u"Ivanovich" } }, 0, u"Ivanovich", u"Ivanovich" },
        NameCase { "FirstFallback", { { firstFallback, u"Dr. Who" }, { secondFallback, u"Jr." } }, 0, u"Dr. Who", u"Dr. Who" },
        NameCase { "SecondFallback", { { secondFallback, u"Jr." }, { company, u"Acme" } }, 0, u"Jr.", u"Jr." },
        NameCase { "CompanyOnlyIsNoComposedName", { { company, u"Acme" } }, 0, u"", u"" },
        NameCase { "SortTypeOneStoredName", { { fileAs, u"Boss" }, { lastName, u"Petrov" } }, 1, u"Boss", u"Boss" },
        NameCase { "SortTypeOneWithoutStoredName", { { lastName, u"Petrov" }, { company, u"Acme" } }, 1, u"Petrov", u"Acme" },
        NameCase { "SortTypeZeroIgnoresStoredName", { { fileAs, u"Boss" }, { lastName, u"Petrov" } }, 0, u"Petrov", u"Petrov" }),
    [](const ::testing::TestParamInfo<NameCase>& tested) { return std::string(tested.param.name); });

}
