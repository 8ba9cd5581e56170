// Feeds arbitrary text to the number formatter and to the phone-field rules. The input is UTF-16 code
// units: every line but the last is one more template after a fixed set, the last line is the number.
#include "vyx/contacts/NumberFormatter.h"
#include "vyx/contacts/NumberMatch.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/PhoneFields.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::u16string> lines(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == u'\n')
            lines.emplace_back();
        else
            lines.back() += unit;
    }
    std::u16string number = lines.back();
    lines.pop_back();
    std::vector<std::u16string> templates { u"+7 (###) ###-##-##", u"8 (###) ###-##-##", u"#-###-###-##-##", u"(###) ###-##-##",
                                            u"###-##-##", u"Tel:###.##.## (home)", u"+(##) ##-##-##)", u"--# ##x##" };
    templates.insert(templates.end(), lines.begin(), lines.end());

    vyx::NumberFormatter formatter;
    formatter.UseTemplates(templates);
    const std::u16string original = number;
    if (formatter.FormatNumber(number)) {
        // A formatted number keeps its digits.
        if (vyx::PhoneDigits::DigitsOnly(number).Text() != vyx::PhoneDigits::DigitsOnly(original).Text())
            __builtin_trap();
    }
    vyx::NumberKeysOfField(original);
    vyx::NumbersMatch(vyx::PhoneDigits::DigitsOnly(number), original);
    return 0;
}
