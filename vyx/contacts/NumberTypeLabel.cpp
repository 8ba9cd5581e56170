#include "vyx/contacts/NumberTypeLabel.h"

#include "common/ResourceText.h"
#include "vyx/resources/VyxStrings.h"

#include <utility>

namespace vyx {

namespace {

constexpr LPCWSTR sourceFile = u"NumberTypeLabel.cpp";

// The slots tried, in order, with the string of their label. Work is tried before mobile, so a number
// stored as both is labelled as work.
constexpr std::pair<std::size_t, UINT> labelOrder[] {
    { CallerInfo::WorkPhone, IDS_LABEL_WORK },
    { CallerInfo::WorkPhone2, IDS_LABEL_WORK },
    { CallerInfo::HomePhone, IDS_LABEL_HOME },
    { CallerInfo::MobilePhone, IDS_LABEL_MOBILE },
    { CallerInfo::HomeFax, IDS_LABEL_HOME_FAX },
    { CallerInfo::WorkFax, IDS_LABEL_WORK_FAX },
    { CallerInfo::Pager, IDS_LABEL_PAGER },
    { CallerInfo::CarPhone, IDS_LABEL_CAR },
    { CallerInfo::RadioPhone, IDS_LABEL_RADIO },
    { CallerInfo::AssistantPhone, IDS_LABEL_ASSISTANT },
    { CallerInfo::Email1, IDS_LABEL_EMAIL },
    { CallerInfo::Email2, IDS_LABEL_EMAIL2 },
    { CallerInfo::Email3, IDS_LABEL_EMAIL3 },
    { CallerInfo::CompanyPhone, IDS_LABEL_COMPANY },
    { CallerInfo::MmsPhone, IDS_LABEL_MMS },
};

std::u16string digitsOf(std::u16string_view text)
{
    std::u16string digits;
    for (const char16_t character : text) {
        if (character >= u'0' && character <= u'9')
            digits += character;
    }
    return digits;
}

bool holds(std::u16string_view text, std::u16string_view tail)
{
    return digitsOf(text).find(tail) != std::u16string::npos;
}

}

std::optional<std::u16string> NumberTypeLabel::Of(const CallerInfo& record, std::u16string_view tail)
{
    if (tail.empty())
        return std::nullopt;
    for (const auto& [slot, label] : labelOrder) {
        if (holds(record.texts[slot], tail))
            return std::u16string(static_cast<LPCWSTR>(LoadResourceText(label, sourceFile, __LINE__)));
    }
    for (const ContactExtras::Pair& phone : record.extras.phones) {
        if (holds(phone.value, tail))
            return phone.label;
    }
    return std::nullopt;
}

}
