// FamilyMember: what makes a program a member of the family that shares the contact index: a hidden
// main window in the family's roster, and a contact book connected with the same code as Vyx's. The
// window hands the roster's messages to the contact book and answers name look-ups by number, as
// Vyx's main window does; WM_CLOSE and WM_DESTROY end the program's message loop.
#pragma once

#include "vyx/contacts/ContactBook.h"
#include "vyx/contacts/HiddenWindow.h"
#include "vyx/contacts/PimSync.h"
#include "vyx/contacts/PimSyncMessages.h"

#include <string>

namespace devemu {

class FamilyMember final : private vyx::HiddenWindow {
public:
    FamilyMember();
    ~FamilyMember() override;

    // Creates the hidden main window of that class, opens the roster and registers the window in it.
    // Returns what went wrong, or an empty text.
    std::string Join(HINSTANCE, LPCWSTR className);
    // Connects the contact book: a master brings the stores up to date, a slave needs them present.
    bool ConnectBook(HINSTANCE);
    // Takes the master's place in the roster from whoever holds it.
    void TakeMastership();
    // Disconnects the contact book (its pending saves are written), leaves the roster, which passes
    // mastership on when this program held it, and destroys the window.
    void Leave();

    HWND MainWindow() const { return Window(); }
    bool IsMaster() const { return m_sync.IsMaster(); }
    vyx::ContactBook& Book() { return m_book; }

private:
    bool Handle(UINT message, WPARAM, LPARAM) override;

    const vyx::PimSyncMessages m_messages;
    vyx::PimSync m_sync;
    vyx::ContactBook m_book;
};

}
