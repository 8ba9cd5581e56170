// Arbitrary bytes read as a contact's serialized extras: a record is read or refused, never read
// outside its bytes; one that reads is written again and reads back equal. The bytes are tried as they
// are, and with their first word set to their length, so that the sections and entries get read.
#include "vyx/contacts/ExtrasSerializer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void readAndWriteAgain(std::span<const BYTE> data)
{
    const auto extras = vyx::ExtrasSerializer::Read(data);
    if (!extras)
        return;
    const auto again = vyx::ExtrasSerializer::Read(vyx::ExtrasSerializer::Serialize(*extras));
    if (!again || !(*again == *extras))
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readAndWriteAgain(std::span<const BYTE>(data, size));
    if (size >= 4) {
        std::vector<BYTE> sized(data, data + size);
        for (std::size_t i = 0; i < 4; ++i)
            sized[i] = static_cast<BYTE>(size >> (8 * i));
        readAndWriteAgain(sized);
    }
    return 0;
}
