// Feeds arbitrary bytes to the shortcut file reader: a shortcut is parsed and split, or refused.
#include "platform/emu/CodePage.h"
#include "platform/emu/ShortcutFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto codePage = emu::CodePage::open(1251);
    const emu::ShortcutFormat format(*codePage);
    std::string error;
    if (const auto target = format.parse(std::string_view(reinterpret_cast<const char*>(data), size), error))
        emu::ShortcutFormat::split(*target, error);
    return 0;
}
