// Writes arbitrary bytes as a device's "\\pim_index2.dat" and opens it as the property store: refused,
// or every record on its list read, stamped, rewritten and freed, never a crash or an access outside
// the store's region. Each input is also tried with a correct size mark appended, so that it reaches
// past the file check.
#include "fuzz/FuzzDevice.h"
#include "vyx/contacts/PropsLayout.h"
#include "vyx/contacts/PropsStore.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

void exerciseStore()
{
    vyx::PropsStore store;
    if (!store.Open())
        return;
    // The record list, walked no further than the store could hold records.
    const DWORD limit = store.Store().Length() / vyx::PropsLayout::blockSize + 1;
    DWORD record = store.Store().Read32(vyx::PropsLayout::firstRecord);
    for (DWORD seen = 0; record != 0 && seen < limit; ++seen) {
        const DWORD next = store.Store().Read32(record + vyx::PropsLayout::recordNext);
        if (const auto extras = store.ReadRecord(record)) {
            store.StampOf(record);
            store.RewriteRecord(record, *extras);
        }
        record = next == store.Store().Read32(vyx::PropsLayout::firstRecord) ? 0 : next;
    }
    vyx::ContactExtras added;
    added.phones.push_back({ u"Dacha", u"+7 495 111-22-33" });
    if (const auto written = store.WriteRecord(added)) {
        store.ReadRecord(*written);
        store.FreeRecord(*written);
    }
    store.Close();
}

void openAsStore(FuzzDevice& fuzz, const std::string& bytes)
{
    std::ofstream(fuzz.file("pim_index2.dat"), std::ios::binary | std::ios::trunc) << bytes;
    fuzz.run(exerciseStore);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzDevice fuzz;
    fuzz.next();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    openAsStore(fuzz, bytes);

    // The data, its last four bytes the file's size, and the four bytes every file carries after it.
    const auto fileSize = static_cast<std::uint32_t>(bytes.size() + 8);
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(fileSize >> (8 * i));
    bytes.append(4, '\0');
    openAsStore(fuzz, bytes);
    return 0;
}
