// NumberFormatter: rewrites numbers for display by the user's number templates, kept in the settings
// under "Templates" ("Count", then the templates as the string values "0", "1", ...). Templates with a
// literal digit are tried first, then all of them, each in the stored order; the first that takes the
// number gives its form.
#pragma once

#include "vyx/contacts/FormatBuffer.h"
#include "vyx/contacts/NumberParts.h"
#include "vyx/contacts/NumberTemplate.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class NumberFormatter {
public:
    // Reads the templates from the settings; a missing key or a "Count" of 0 leaves none.
    void LoadTemplates();
    // Takes the templates as the settings hold them, in order: empty ones and ones holding any of
    // "[]{}<>" are passed over. The formatter is enabled from then on.
    void UseTemplates(const std::vector<std::u16string>& stored);

    bool IsEnabled() const { return m_enabled; }
    const std::vector<NumberTemplate>& Templates() const { return m_templates; }

    // Rewrites `number` by the first template that takes it and says whether one did. Dial strings with
    // service codes, pauses or waits ("*#,wW") are left as they are.
    bool FormatNumber(std::u16string& number) const;

private:
    // The number in the form of `numberTemplate`, or nothing when the template does not take it or
    // the result does not fit a working buffer.
    static std::optional<FormatBuffer> applyTemplate(const NumberTemplate& numberTemplate, const NumberParts& number,
                                                     std::u16string_view numberCore, std::u16string_view digits);

    std::vector<NumberTemplate> m_templates;
    bool m_enabled { false };
};

}
