// The caller record: properties kept in their slots, the phone list, the record stamp (equal whether
// taken from the database's properties or from the record), and the label of a matched number.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/CallerInfo.h"
#include "vyx/contacts/NumberTypeLabel.h"
#include "vyx/contacts/RecordStamp.h"
#include "vyx/resources/VyxStrings.h"

#include <gtest/gtest.h>

namespace {

using vyx::CallerInfo;
using vyx::NumberTypeLabel;
using vyx::PropertyValue;
using vyx::RecordStamp;

constexpr CEPROPID text(WORD number)
{
    return MAKEPROPID(number, CEVT_LPWSTR);
}

std::vector<PropertyValue> sampleProperties()
{
    return {
        PropertyValue::Text(text(0x82), u"Иван"),
        PropertyValue::Text(text(0x84), u"Петров"),
        PropertyValue::Text(text(0x96), u"+7 916 123-45-67"),
        PropertyValue::Text(text(0xE5), u"Россия"),
        PropertyValue::Text(text(0x10A3), u"8 916 765-43-21"),
        PropertyValue::FileTime(MAKEPROPID(0xF0, CEVT_FILETIME), FILETIME { 0x12345678, 0x01D00000 }),
        PropertyValue::Long(MAKEPROPID(0xF8, CEVT_I4), 3),
        PropertyValue::Dword(MAKEPROPID(0x0102, CEVT_UI4), 1),
        PropertyValue::Dword(MAKEPROPID(0x1000, CEVT_UI4), 42),
        PropertyValue::Bytes(MAKEPROPID(0x1E, CEVT_STREAM), { 'a', 'b', 'c' }),
        PropertyValue::Absent(text(0x86)),
    };
}

TEST(CallerInfoTest, PropertiesLandInTheirSlotsAndFields)
{
    CallerInfo record;
    record.identifier = 0x10005;
    for (const PropertyValue& value : sampleProperties())
        record.Store(value);
    EXPECT_EQ(record.texts[CallerInfo::FirstName], u"Иван");
    EXPECT_EQ(record.texts[CallerInfo::LastName], u"Петров");
    EXPECT_EQ(record.texts[3], u"Россия");
    EXPECT_EQ(record.texts[CallerInfo::MmsPhone], u"8 916 765-43-21");
    EXPECT_EQ(record.dateA.dwLowDateTime, 0x12345678u);
    EXPECT_EQ(record.linkType, 3);
    EXPECT_TRUE(record.demoted);
    EXPECT_EQ(record.categoryKey, 42u);
    EXPECT_EQ(record.notes, (std::vector<BYTE> { 'a', 'b', 'c' }));
    EXPECT_TRUE(record.texts[CallerInfo::Nickname].empty());

    record.extras.phones.push_back({ u"Dacha", u"+7 495 111-22-33" });
    EXPECT_EQ(record.PhoneNumbers(), (std::vector<std::u16string> { u"+7 916 123-45-67", u"8 916 765-43-21", u"+7 495 111-22-33" }));

    record.Clear();
    EXPECT_EQ(record.identifier, 0u);
    EXPECT_TRUE(record.texts[CallerInfo::FirstName].empty());
    EXPECT_FALSE(record.demoted);
    EXPECT_TRUE(record.extras.phones.empty());
}

TEST(CallerInfoTest, TheStampIsTheSameFromTheDatabaseAndFromTheRecord)
{
    const auto properties = sampleProperties();
    CallerInfo record;
    record.identifier = 0x10005;
    for (const PropertyValue& value : properties)
        record.Store(value);
    EXPECT_EQ(record.Stamp(), RecordStamp::OfRecord(0x10005, properties));

    // Odd lengths count their last character or byte alone; sums wrap.
    EXPECT_EQ(RecordStamp::OfText(u"abc"), u'a' + u'b' * 65536u + u'c');
    const std::vector<BYTE> notes { 0x01, 0x02, 0x03 };
    EXPECT_EQ(RecordStamp::OfNotes(notes), 3u + 0x0201u + 0x03u);
    EXPECT_EQ(RecordStamp::OfText(u"\xFFFF\xFFFF\xFFFF\xFFFF"), 0xFFFFFFFFu * 2);

    // A change only inside the notes changes the stamp.
    auto changed = properties;
    changed[9] = PropertyValue::Bytes(MAKEPROPID(0x1E, CEVT_STREAM), { 'a', 'b', 'd' });
    EXPECT_NE(RecordStamp::OfRecord(0x10005, changed), RecordStamp::OfRecord(0x10005, properties));
}

struct LabelCase {
    const char* name;
    std::vector<std::pair<std::size_t, std::u16string>> texts;
    std::vector<vyx::ContactExtras::Pair> extraPhones;
    std::u16string tail;
    std::optional<std::u16string> label;
    friend void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.name; }
};

class NumberTypeLabelTest : public testing_support::DeviceFixture, public ::testing::WithParamInterface<LabelCase> {
};

TEST_P(NumberTypeLabelTest, TheFirstNumberHoldingTheTailGivesItsLabel)
{
    std::optional<std::u16string> label;
    runProgram([&] {
        CallerInfo record;
        for (const auto& [slot, value] : GetParam().texts)
            record.texts[slot] = value;
        record.extras.phones = GetParam().extraPhones;
        label = NumberTypeLabel::Of(record, GetParam().tail);
        return 0;
    }, u"labels", &vyx::vyxResources());
    EXPECT_EQ(label, GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Labels, NumberTypeLabelTest,
    ::testing::Values(
        LabelCase { "WorkBeforeMobile", { { CallerInfo::MobilePhone, u"+7 916 123-45-67" }, { CallerInfo::WorkPhone, u"8 916 123 45 67" } },
            {}, u"1234567", u"Рабочий" },
        LabelCase { "SecondWork", { { CallerInfo::WorkPhone2, u"495 123-45-67" } }, {}, u"1234567", u"Рабочий" },
        LabelCase { "Mobile", { { CallerInfo::MobilePhone, u"+7 916 123-45-67" } }, {}, u"1234567", u"Мобильный" },
        LabelCase { "SecondHomeHasNoLabel", { { CallerInfo::HomePhone2, u"495 123-45-67" } }, {}, u"1234567", std::nullopt },
        LabelCase { "ExtraPhoneOwnLabel", { { CallerInfo::MobilePhone, u"+7 916 000-00-00" } }, { { u"Dacha", u"+7 495 111-22-33" } },
            u"1112233", u"Dacha" },
        LabelCase { "TailInsideAnEmail", { { CallerInfo::Email1, u"ivan1234567@mail.ru" }, { CallerInfo::CompanyPhone, u"+7 916 123-45-67" } },
            {}, u"1234567", u"E-mail" },
        LabelCase { "EmptyTail", { { CallerInfo::MobilePhone, u"+7 916 123-45-67" } }, {}, u"", std::nullopt }),
    testing_support::caseName<LabelCase>);

}
