// Writes arbitrary bytes as a device's "\\pim_index1.dat" and opens it as the contact index: rejected,
// or searched, changed and searched again, never a crash or an access outside the store's region.
// Each input is tried three ways: as it is; with a correct size mark appended, so that it reaches past
// the file check; and as patches (offset, value) over a sound index of a few contacts, so that damage
// meets the header, the heap, the trees and the lists where they really lie.
#include "fuzz/FuzzDevice.h"
#include "vyx/contacts/IndexStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>

namespace {

class AnyName final : public vyx::SortTextReader {
public:
    std::optional<std::u16string> SortText(DWORD contact, int) override { return std::u16string(1, static_cast<char16_t>(u'a' + contact % 3)); }
};

void exerciseIndex()
{
    vyx::IndexStore store;
    if (!store.Open())
        return;
    store.SearchWords(u"a", 0);
    store.SearchWords(u"ann smith", 1);
    store.SearchWordsRaw(u"~765");
    store.SearchKeys(u"a", 0);
    store.SearchKeysWithin(u"ad", { 1, 2, 3 }, 1);
    store.AllInOrder(0);
    store.AllInOrder(1);
    store.InOrder({ 1, 2, 3 }, 0);
    store.PropsOffsetOf(1);
    store.Stats();
    AnyName names;
    store.AddContact(vyx::IndexedContact { 7, { u"anna", u"ann", u"~7654321" }, { u"amma" }, 0 }, names);
    store.SearchWords(u"ann", 0);
    store.RemoveContact(7);
    store.RemoveContact(2);
    store.SearchWords(u"a", 0);
    store.Close();
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file of a sound index whose words share prefixes and tails, made once.
std::string soundIndex(FuzzDevice& fuzz)
{
    fuzz.run([] {
        AnyName names;
        vyx::IndexStore store;
        store.Create();
        const char16_t* words[] = { u"ann", u"anna", u"anton", u"smith", u"smirnov", u"~7654321", u"~76543", u"петров" };
        for (DWORD id = 1; id <= 8; ++id)
            store.AddContact(vyx::IndexedContact { id, { words[id - 1], words[id % 8] }, { u"adgj", u"ad" }, id * 128 }, names);
        store.RemoveContact(5);
        store.StartSave();
        store.Close();
    });
    return readFile(fuzz.file("pim_index1.dat"));
}

void openAsIndex(FuzzDevice& fuzz, const std::string& bytes)
{
    std::ofstream(fuzz.file("pim_index1.dat"), std::ios::binary | std::ios::trunc) << bytes;
    fuzz.run(exerciseIndex);
}

std::uint32_t littleEndian(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 | static_cast<std::uint32_t>(at[2]) << 16
        | static_cast<std::uint32_t>(at[3]) << 24;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzDevice fuzz;
    fuzz.next();
    static const std::string sound = soundIndex(fuzz);

    std::string bytes(reinterpret_cast<const char*>(data), size);
    openAsIndex(fuzz, bytes);

    // The data, its last four bytes the file's size, and the four bytes every file carries after it.
    const auto fileSize = static_cast<std::uint32_t>(bytes.size() + 8);
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(fileSize >> (8 * i));
    bytes.append(4, '\0');
    openAsIndex(fuzz, bytes);

    // Eight bytes a patch: where in the data (the size mark left whole) and the value put there.
    std::string patched = sound;
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        const std::size_t offset = littleEndian(data + at) % (patched.size() - 11);
        for (std::size_t i = 0; i < 4; ++i)
            patched[offset + i] = static_cast<char>(data[at + 4 + i]);
    }
    openAsIndex(fuzz, patched);
    return 0;
}
