// A damaged object store volume: a valid volume (databases with sort orders, records with values of
// every type) with the input's bytes XORed into it, at the offset the input's first four bytes give.
// The device opens it, walks every database in every order (each record at one position), reads every
// record into the platform's buffer and writes once: refused with an error, or done, never a crash.
#include "platform/emu/DbError.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/Device.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/PropertyBuffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

std::filesystem::path folderFor(const char* what)
{
    auto folder = std::filesystem::temp_directory_path() / ("volume-fuzz-" + std::to_string(getpid()) + "-" + what);
    std::filesystem::create_directories(folder);
    return folder;
}

SORTORDERSPECEX sortOrder(std::vector<CEPROPID> ids, std::vector<DWORD> flags)
{
    SORTORDERSPECEX sort {};
    sort.wVersion = SORTORDERSPECEX_VERSION;
    sort.wNumProps = static_cast<WORD>(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        sort.rgPropID[i] = ids[i];
        sort.rgdwFlags[i] = flags[i];
    }
    return sort;
}

// The bytes of a volume with a database of every kind of value and sort order.
std::string pristineVolume()
{
    const auto folder = folderFor("pristine");
    std::filesystem::remove(folder / "pim.vol");
    std::ostringstream log;
    emu::Transcript transcript(log);
    {
        emu::Device device(folder, emu::DeviceProfile {}, transcript);
        const auto volume = device.objectStore().volume(u"\\pim.vol");
        const CEOID database = volume->createDatabase(u"Fuzz", 0,
            { sortOrder({ MAKEPROPID(1, CEVT_UI4), MAKEPROPID(2, CEVT_I4) }, { 0, CEDB_SORT_DESCENDING }),
                sortOrder({ MAKEPROPID(3, CEVT_LPWSTR) }, { CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_UNKNOWNFIRST }),
                sortOrder({ MAKEPROPID(4, CEVT_FILETIME), MAKEPROPID(5, CEVT_R8), MAKEPROPID(6, CEVT_AUTO_I4) }, { 0, 0, 0 }) },
            { MAKEPROPID(1, CEVT_UI4), MAKEPROPID(3, CEVT_LPWSTR) });
        for (std::int64_t i = 0; i < 8; ++i) {
            std::vector<emu::StoredProperty> properties {
                { MAKEPROPID(1, CEVT_UI4), i % 3 },
                { MAKEPROPID(2, CEVT_I4), -i },
                { MAKEPROPID(4, CEVT_FILETIME), i * 1000 },
                { MAKEPROPID(5, CEVT_R8), 0.5 * static_cast<double>(i) },
                { MAKEPROPID(7, CEVT_BLOB), std::vector<BYTE>(static_cast<std::size_t>(i), 0xAB) },
                { MAKEPROPID(8, CEVT_I2), i },
                { MAKEPROPID(9, CEVT_BOOL), i & 1 },
                { MAKEPROPID(10, CEVT_STREAM), std::vector<BYTE> { 1, 2, 3 } },
            };
            if (i % 4)
                properties.push_back({ MAKEPROPID(3, CEVT_LPWSTR), std::u16string(static_cast<std::size_t>(i), u'Ж') });
            volume->writeRecord(database, 0, properties);
        }
    }
    std::ifstream in(folder / "pim.vol", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void exercise(emu::DbVolume& volume)
{
    for (const emu::DbVolume::Database* database : volume.databases()) {
        for (const emu::StoredRecord& record : volume.records(database->oid)) {
            // The walk's properties and the record read alone (a damaged file need not give the same).
            for (const auto& properties : { record.properties, volume.readRecord(record.oid) }) {
                std::vector<emu::PropertyBuffer::Slot> slots;
                for (const emu::StoredProperty& property : properties)
                    slots.push_back({ property.id, &property });
                slots.push_back({ MAKEPROPID(0x7777, CEVT_LPWSTR), nullptr });
                const emu::PropertyBuffer buffer(std::move(slots));
                std::vector<BYTE> block(buffer.size());
                buffer.fill(block.data());
            }
        }
        for (std::size_t sort = 0; sort <= database->sortOrders.size(); ++sort) {
            const auto order = volume.order(database->oid, sort == 0 ? std::nullopt : std::optional(sort - 1));
            for (std::size_t position = 0; position < order->size(); ++position)
                check(order->positionOf(order->at(position)) == position);
        }
        const std::vector<emu::StoredProperty> written { { MAKEPROPID(3, CEVT_LPWSTR), std::u16string(u"new") } };
        volume.writeRecord(database->oid, 0, written);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string pristine = pristineVolume();
    static const std::filesystem::path folder = folderFor("damaged");
    std::string damaged = pristine;
    if (size >= 4) {
        std::size_t at = (data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::size_t>(data[3]) << 24)) % damaged.size();
        for (std::size_t i = 4; i < size && at < damaged.size(); ++i, ++at)
            damaged[at] = static_cast<char>(damaged[at] ^ data[i]);
    }
    std::filesystem::remove(folder / "pim.vol-journal");
    {
        std::ofstream out(folder / "pim.vol", std::ios::binary | std::ios::trunc);
        out << damaged;
    }
    std::ostringstream log;
    emu::Transcript transcript(log);
    emu::Device device(folder, emu::DeviceProfile {}, transcript);
    try {
        const auto volume = device.objectStore().volume(u"\\pim.vol");
        exercise(*volume);
    } catch (const emu::DbError&) {
    }
    return 0;
}
