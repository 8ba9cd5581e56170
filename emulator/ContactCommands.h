// ContactCommands: devemu's `contacts` and `categories` commands over the device's address book.
#pragma once

#include "emulator/AddressBook.h"

#include <string>
#include <vector>

namespace emu {
class Device;
class Transcript;
}

namespace devemu {

class ContactCommands {
public:
    ContactCommands(emu::Device&, emu::Transcript&);

    // Each throws AddressBookError with what to tell the person when the command cannot be carried out.
    void contacts(const std::vector<std::string>& arguments);
    void categories(const std::vector<std::string>& arguments);

private:
    void import(const std::string& file);
    void list();
    void show(CEOID);
    ContactChanges changesOf(const std::vector<std::string>& arguments, std::size_t from, bool editing) const;

    emu::Device& m_device;
    emu::Transcript& m_transcript;
};

}
