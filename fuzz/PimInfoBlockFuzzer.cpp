// Arbitrary bytes as a contact's notes: text in the device's code page, UTF-16 or a Pocket Word
// document. ParseNotes and VisibleNotes run on a device; whatever the block held, its extras survive
// the property store's byte form, and the visible notes do not grow beyond a record's padding.
#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/ExtrasSerializer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

// The extras as the store keeps them: every string up to its first zero character.
vyx::ContactExtras storedForm(vyx::ContactExtras extras)
{
    const auto cut = [](std::u16string& text) { text.resize(std::min(text.size(), text.find(u'\0'))); };
    for (auto* list : { &extras.phones, &extras.emails, &extras.webPages, &extras.people, &extras.links, &extras.otherProperties }) {
        for (auto& pair : *list) {
            cut(pair.label);
            cut(pair.value);
        }
    }
    for (auto& messenger : extras.messengers) {
        cut(messenger.label);
        cut(messenger.secondText);
        cut(messenger.firstText);
    }
    for (auto& address : extras.addresses) {
        cut(address.name);
        for (auto& part : address.parts)
            cut(part);
    }
    for (auto& dated : extras.datedEntries)
        cut(dated.label);
    return extras;
}

// Each input is read by a program of a fresh device, so that the threads of one input are gone before
// the next; the devices share one folder.
class NotesDevice {
public:
    void run(const std::function<void()>& body)
    {
        std::ostream log(nullptr);
        emu::Transcript transcript(log);
        emu::Device device(m_folder.path(), emu::DeviceProfile {}, transcript);
        device.installProgram(u"\\Windows\\notes.exe", [&](HINSTANCE, const std::u16string&) {
            body();
            return 0;
        });
        const auto process = device.startProgram(u"notes", u"");
        device.runUntil([&] { return process->finished(); }, std::nullopt);
    }

private:
    testing_support::TempFolder m_folder;
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NotesDevice device;
    const std::span<const BYTE> notes(data, size);
    device.run([&] {
        const vyx::ContactNotes::Parsed parsed = vyx::ContactNotes::ParseNotes(notes);
        const auto read = vyx::ExtrasSerializer::Read(vyx::ExtrasSerializer::Serialize(parsed.extras));
        check(read && *read == storedForm(parsed.extras));
        // A Pocket Word record cut off by the end of the notes is padded to whole words when rebuilt.
        check(vyx::ContactNotes::VisibleNotes(notes).size() <= size + 3);
    });
    return 0;
}
