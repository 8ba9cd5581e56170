// Writes arbitrary bytes as a device's "\\pim_index1.dat" and opens it as the contact index: rejected,
// or searched, changed and searched again, never a crash or an access outside the store's region.
// Each input is tried three ways: as it is; with a correct size mark appended, so that it reaches past
// the file check; and as patches (offset, value) over a sound index of a few contacts, so that damage
// meets the header, the heap, the trees and the lists where they really lie.
#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"
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

// A device serves many inputs, since one per input would cost more than the input; it is renewed now
// and then, because it keeps every ended program until it goes.
class FuzzDevice {
public:
    static constexpr int inputsPerDevice = 8;

    emu::Device& next()
    {
        if (!m_device || ++m_inputs == inputsPerDevice) {
            m_device.reset();
            m_device = std::make_unique<emu::Device>(m_folder.path(), emu::DeviceProfile {}, m_transcript);
            m_inputs = 0;
        }
        return *m_device;
    }

    std::filesystem::path indexFile() const { return m_folder.path() / "pim_index1.dat"; }

    // Runs `body` as a program on the current device until it ends.
    void run(const std::function<void()>& body)
    {
        m_device->installProgram(u"\\Windows\\fuzz.exe", [&body](HINSTANCE, const std::u16string&) {
            body();
            return 0;
        });
        const auto process = m_device->startProgram(u"fuzz", u"");
        if (m_device->runUntil([&] { return process->finished(); }, std::nullopt) != emu::RunOutcome::Done)
            __builtin_trap();
    }

private:
    testing_support::TempFolder m_folder;
    std::ostream m_discarded { nullptr };
    emu::Transcript m_transcript { m_discarded };
    std::unique_ptr<emu::Device> m_device;
    int m_inputs { 0 };
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
    return readFile(fuzz.indexFile());
}

void openAsIndex(FuzzDevice& fuzz, const std::string& bytes)
{
    std::ofstream(fuzz.indexFile(), std::ios::binary | std::ios::trunc) << bytes;
    fuzz.run(exerciseIndex);
}

std::uint32_t littleEndian(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 | static_cast<std::uint32_t>(at[2]) << 16
        | static_cast<std::uint32_t>(at[3]) << 24;
}

}

// The device outlives inputs, so what one input allocates is freed inputs later: leak checks after
// inputs would only find the device. The sanitizer test run checks the store for leaks.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

// The device folder goes to memory where the host has it: a damaged index makes the store note in the
// device's settings that it cannot be trusted, and every such write syncs the registry file.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 0);
    return 0;
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
