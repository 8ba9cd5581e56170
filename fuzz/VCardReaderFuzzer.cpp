// Feeds arbitrary text to the address book reader and maps every card it accepts: each must be read
// or refused with a line and a reason, never crash. Photos are looked for in a folder that does not
// exist, so that no file of the machine is read.
#include "emulator/addressbook/ContactMapping.h"
#include "emulator/addressbook/VCardReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    devemu::VCardError error;
    const auto cards = devemu::VCardReader::read(text, devemu::ContactMapping::propertyNames(), error);
    if (!cards)
        return 0;
    for (const devemu::VCard& card : *cards) {
        devemu::ContactMapping::map(card, "/nonexistent/korvane-fuzz", error);
        for (const devemu::VCardProperty& property : card.properties) {
            property.components();
            property.listValues();
        }
    }
    return 0;
}
