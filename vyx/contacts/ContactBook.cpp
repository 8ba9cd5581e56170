#include "vyx/contacts/ContactBook.h"

#include "vyx/contacts/PimSync.h"

namespace vyx {

namespace {

constexpr std::size_t cacheBuckets = 17;

}

ContactBook::ContactBook()
    : m_cache(cacheBuckets)
{
}

ContactBook::~ContactBook()
{
    Disconnect();
}

bool ContactBook::Connect(HINSTANCE instance, PimSync* sync)
{
    Disconnect();
    m_sync = sync;
    ContactListView* listView = this;
    m_manager = std::make_unique<ContactManager>(sync, listView);
    if (!m_manager->Connect(instance)) {
        Disconnect();
        return false;
    }
    return true;
}

void ContactBook::Disconnect()
{
    m_manager.reset();
    m_cache.clear();
}

int ContactBook::FindContactsByNumber(std::u16string_view number, std::size_t minimumDigits, DWORD timeBudgetMs,
                                      std::vector<DWORD>& contacts, std::vector<std::u16string>& tails)
{
    contacts.clear();
    tails.clear();
    if (!m_manager)
        return 0;
    return m_manager->Lookup().FindContactsByNumber(number, minimumDigits, timeBudgetMs, contacts, tails);
}

bool ContactBook::LoadContact(DWORD contact, CallerInfo& record)
{
    if (!m_manager) {
        record.Clear();
        return false;
    }
    return m_manager->Lookup().LoadContact(contact, record);
}

std::vector<DWORD> ContactBook::SearchNames(std::u16string_view text)
{
    if (!m_manager || !m_manager->Index().IsOpen())
        return {};
    return m_manager->Index().SearchWords(text, 0);
}

const CallerInfo* ContactBook::CachedContact(DWORD contact)
{
    if (const auto cached = m_cache.find(contact); cached != m_cache.end())
        return &cached->second;
    CallerInfo record;
    if (!LoadContact(contact, record))
        return nullptr;
    return &m_cache.emplace(contact, std::move(record)).first->second;
}

bool ContactBook::SetLinkType(DWORD contact, LONG value)
{
    if (!m_manager)
        return false;
    if (!m_manager->IsMaster()) {
        if (m_sync)
            m_sync->ForwardLinkType(contact, value);
        return true;
    }
    if (!m_manager->WriteLinkType(contact, value))
        return false;
    if (const auto cached = m_cache.find(contact); cached != m_cache.end())
        cached->second.linkType = value;
    return true;
}

bool ContactBook::HandleSyncMessage(const PimSyncMessages& messages, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!messages.Includes(message))
        return false;
    if (message == messages.changeToMaster) {
        if (m_sync)
            m_sync->SetMaster(true);
        if (m_manager)
            m_manager->BecomeMaster();
        Reset();
    } else if (message == messages.changeToSlave) {
        if (m_manager)
            m_manager->HandOver();
        if (m_sync)
            m_sync->SetMaster(false);
    } else if (message == messages.slaveStop) {
        // A master keeps its stores: a stop or reload left over from before it took over is not for it.
        if (m_manager && !m_manager->IsMaster())
            m_manager->CloseStores();
    } else if (message == messages.slaveReload) {
        if (m_manager && !m_manager->IsMaster()) {
            m_manager->ReopenStores();
            Reset();
        }
    } else if (message == messages.updateLinkType) {
        if (m_manager && m_manager->IsMaster())
            SetLinkType(static_cast<DWORD>(wParam), static_cast<LONG>(lParam));
    }
    return true;
}

void ContactBook::UpdateBegins(bool)
{
}

void ContactBook::ContactRemoved(DWORD contact)
{
    m_cache.erase(contact);
}

void ContactBook::UpdateEnded()
{
    // Changed records are read again when next asked for.
    m_cache.clear();
}

void ContactBook::Reset()
{
    m_cache.clear();
}

}
