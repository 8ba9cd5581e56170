// NumberTypeLabel: the label of the number type under which a contact stores the number a caller
// matched ("Мобильный", "Рабочий"...), found by the matched tail among the record's numbers.
#pragma once

#include "vyx/contacts/CallerInfo.h"

#include <optional>
#include <string>
#include <string_view>

namespace vyx {

class NumberTypeLabel {
public:
    // The label, or nothing when the tail is empty or no number of the record holds it.
    static std::optional<std::u16string> Of(const CallerInfo& record, std::u16string_view tail);
};

}
