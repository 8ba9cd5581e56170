// A code page of the device's 8-bit text (1251, 1252, 65001 for UTF-8...) and the conversions between
// it and UTF-16, carried out by ICU's converter of the same number.
#pragma once

#include "platform/api/WinTypes.h"

#include <memory>
#include <string>
#include <string_view>

struct UConverter;

namespace emu {

class CodePage {
public:
    // Null when ICU knows no code page of that number.
    static std::unique_ptr<CodePage> open(UINT number);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    UINT number() const { return m_number; }

    // Bytes the code page does not define become U+FFFD, or the code page's own substitute.
    std::u16string decode(std::string_view bytes);

    struct Encoded {
        std::string bytes;
        // Whether some character was missing from the code page and became the replacement.
        bool replaced;
    };
    // Characters the code page lacks, and halves of surrogate pairs standing alone, become `replacement`.
    Encoded encode(std::u16string_view text, std::string_view replacement);

private:
    struct Closer {
        void operator()(UConverter*) const;
    };

    CodePage(UINT number, std::unique_ptr<UConverter, Closer> converter);

    UINT m_number;
    std::unique_ptr<UConverter, Closer> m_converter;
};

}
