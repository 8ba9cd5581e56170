#include "vyx/contacts/ContactManager.h"

#include "common/ErrorLog.h"
#include "vyx/contacts/ContactListView.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/ContactSortText.h"
#include "vyx/contacts/ContactWords.h"
#include "vyx/contacts/ExtrasSerializer.h"
#include "vyx/contacts/PimSync.h"
#include "vyx/contacts/PropsLayout.h"
#include "vyx/contacts/RecordStamp.h"
#include "vyx/keypad/VyxAlphabetLoader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>

namespace vyx {

namespace {

constexpr CEPROPID linkTypeProperty = MAKEPROPID(RecordStamp::linkTypeProperty, CEVT_I4);

// One contact of a rebuild, kept in memory until both stores are written.
struct RebuiltContact {
    ContactExtras extras;
    IndexedContact entry;
    std::array<std::u16string, IndexStore::orderCount> sortTexts;
};

// The sort texts of a rebuild come from the records read, not from the database again.
class RebuildSortTexts final : public SortTextReader {
public:
    explicit RebuildSortTexts(const std::map<DWORD, RebuiltContact>& contacts)
        : m_contacts(contacts)
    {
    }

    std::optional<std::u16string> SortText(DWORD contact, int order) override
    {
        const auto found = m_contacts.find(contact);
        if (found == m_contacts.end() || order < 0 || order >= IndexStore::orderCount)
            return std::nullopt;
        return found->second.sortTexts[static_cast<std::size_t>(order)];
    }

private:
    const std::map<DWORD, RebuiltContact>& m_contacts;
};

}

struct ContactManager::ReadRecord {
    CallerInfo record;
    std::u16string visibleText;
};

ContactManager::ContactManager(PimSync* sync, ContactListView* listView)
    : m_sync(sync)
    , m_listView(listView)
    , m_listener(*this)
    , m_queue(*this)
{
}

ContactManager::~ContactManager()
{
    Disconnect();
}

bool ContactManager::IsMaster() const
{
    return !m_sync || m_sync->IsMaster();
}

bool ContactManager::Connect(HINSTANCE instance)
{
    Disconnect();
    m_alphabet = keypad::VyxAlphabetLoader::Load();
    if (!m_listener.Create(instance, DbEventsListener::className)
        || !m_contacts.Open(contactsDatabase, {}, 0, m_listener.Window())) {
        Disconnect();
        return false;
    }
    m_lookup = std::make_unique<CallerLookup>(m_contacts, m_index, m_props);
    if (!m_queue.Create(instance, ChangeQueue::className)) {
        Disconnect();
        return false;
    }
    m_connected = true;

    const StoreCheck::Verdict verdict = StoreCheck::OpenAndCheck(m_index, m_props, m_contacts, StoreCheck::Compare::VolumeTimeAndCount);
    bool connected = true;
    if (verdict.state == StoreCheck::State::Missing || (IsMaster() && StoreCheck::UntrustedBySettings()))
        connected = IsMaster() && Rebuild();
    else if (verdict.state == StoreCheck::State::Stale && IsMaster())
        connected = Reconcile();
    if (!connected)
        Disconnect();
    return connected;
}

void ContactManager::Disconnect()
{
    // The save tells the next master and the next start that the stores are current: what this
    // master heard goes into them first.
    HandOver();
    if (m_listener.TakePendingSave()) {
        m_index.StartSave();
        m_props.StartSave();
    }
    m_contacts.Close();
    // Closing lets a running save finish first.
    m_index.Close();
    m_props.Close();
    m_lookup.reset();
    m_queue.Take();
    m_listener.Destroy();
    m_queue.Destroy();
    m_rebuildWanted = false;
    m_connected = false;
}

void ContactManager::BecomeMaster()
{
    if (!m_connected)
        return;
    CancelSaves();
    m_index.Close();
    m_props.Close();
    switch (StoreCheck::OpenAndCheck(m_index, m_props, m_contacts, StoreCheck::Compare::CountOnly).state) {
    case StoreCheck::State::Missing:
        Rebuild();
        break;
    case StoreCheck::State::Stale:
        Reconcile();
        break;
    case StoreCheck::State::Current:
        // Files a failed save left untrusted are written again, which clears their settings values.
        if (StoreCheck::UntrustedBySettings())
            StartSaveTimer();
        break;
    }
}

void ContactManager::HandOver()
{
    if (!m_connected || !IsMaster())
        return;
    if (!m_queue.IsEmpty() || m_rebuildWanted)
        ProcessQueue();
    if (m_listener.TakePendingSave())
        SaveNow();
}

void ContactManager::CloseStores()
{
    m_index.Close();
    m_props.Close();
}

bool ContactManager::ReopenStores()
{
    CloseStores();
    if (!m_props.Open())
        return false;
    if (!m_index.Open() || m_props.IsBusy()) {
        CloseStores();
        return false;
    }
    return true;
}

std::optional<ContactManager::ReadRecord> ContactManager::ReadForIndex(DWORD contact)
{
    ReadRecord read;
    if (!m_lookup->ReadContact(contact, read.record, CallerLookup::Picture::Skip))
        return std::nullopt;
    ContactNotes::Parsed parsed = ContactNotes::ParseNotes(read.record.notes);
    read.record.extras = std::move(parsed.extras);
    read.record.extras.stamp = read.record.Stamp();
    read.record.notes.clear();
    read.visibleText = std::move(parsed.visibleText);
    return read;
}

IndexedContact ContactManager::WordsOf(const ReadRecord& read) const
{
    return ContactWords::Of(read.record, read.visibleText, m_alphabet);
}

void ContactManager::ReportIndexFailure(DWORD)
{
    // The contact stays out of the index until a rebuild, which the queue runs next.
    ErrorLog::Write(u"Unable perform db operation!!!", u"ContactManager", __LINE__);
    m_rebuildWanted = true;
    m_queue.Wake();
}

bool ContactManager::EnterRecord(ReadRecord& read, std::optional<DWORD> existingProps)
{
    const DWORD contact = read.record.identifier;
    std::optional<DWORD> props = existingProps;
    if (props) {
        if (!m_props.RewriteRecord(*props, read.record.extras)) {
            m_props.FreeRecord(*props);
            props.reset();
        }
    } else {
        props = m_props.WriteRecord(read.record.extras);
    }
    if (!props) {
        ReportIndexFailure(contact);
        return false;
    }
    IndexedContact entry = WordsOf(read);
    entry.propsOffset = *props;
    DatabaseSortTexts sortTexts(m_contacts);
    if (!m_index.AddContact(entry, sortTexts)) {
        m_props.FreeRecord(*props);
        ReportIndexFailure(contact);
        return false;
    }
    return true;
}

void ContactManager::ApplyAdd(DWORD contact)
{
    if (m_index.PropsOffsetOf(contact)) {
        ApplyUpdate(contact);
        return;
    }
    if (auto read = ReadForIndex(contact))
        EnterRecord(*read, std::nullopt);
}

void ContactManager::ApplyUpdate(DWORD contact)
{
    const auto props = m_index.PropsOffsetOf(contact);
    if (!props) {
        ApplyAdd(contact);
        return;
    }
    // A record that can no longer be read is left as it is: its deletion is on its way.
    if (auto read = ReadForIndex(contact)) {
        m_index.RemoveContact(contact);
        EnterRecord(*read, props);
    }
}

void ContactManager::ApplyRemove(DWORD contact)
{
    const auto props = m_index.PropsOffsetOf(contact);
    m_index.RemoveContact(contact);
    if (props)
        m_props.FreeRecord(*props);
}

template<typename Change>
void ContactManager::Busy(Change change)
{
    m_props.SetBusy(true);
    change();
    StoreVolumeTime();
    m_props.SetBusy(false);
}

void ContactManager::AddContact(DWORD contact)
{
    Busy([&] { ApplyAdd(contact); });
}

void ContactManager::UpdateContact(DWORD contact)
{
    Busy([&] { ApplyUpdate(contact); });
}

void ContactManager::RemoveContact(DWORD contact)
{
    Busy([&] { ApplyRemove(contact); });
}

void ContactManager::StoreVolumeTime()
{
    m_props.SetVolumeTime(PropsStore::CurrentVolumeTime());
}

void ContactManager::CancelSaves()
{
    m_index.CancelSave();
    m_props.CancelSave();
}

void ContactManager::StopSlaves()
{
    if (m_sync)
        m_sync->StopSlaves();
}

void ContactManager::ReloadSlaves()
{
    if (m_sync)
        m_sync->ReloadSlaves();
}

bool ContactManager::Rebuild()
{
    StopSlaves();
    const bool built = RebuildFramed();
    if (m_listView)
        m_listView->Reset();
    ReloadSlaves();
    return built;
}

bool ContactManager::RebuildFramed()
{
    // Every record is read first; the stores are replaced only once the database was read whole.
    std::map<DWORD, RebuiltContact> contacts;
    std::uint64_t totalSize = 0;
    m_contacts.SetAutoAdvance(true);
    if (m_contacts.SeekFirst()) {
        CEOID record = 0;
        std::vector<PropertyValue> values;
        while (m_contacts.ReadProps(nullptr, record, values)) {
            ReadRecord read;
            m_lookup->Fill(record, values, read.record, CallerLookup::Picture::Skip);
            ContactNotes::Parsed parsed = ContactNotes::ParseNotes(read.record.notes);
            read.record.extras = std::move(parsed.extras);
            read.record.extras.stamp = read.record.Stamp();
            read.visibleText = std::move(parsed.visibleText);
            RebuiltContact& rebuilt = contacts[record];
            rebuilt.entry = WordsOf(read);
            for (int order = 0; order < IndexStore::orderCount; ++order)
                rebuilt.sortTexts[static_cast<std::size_t>(order)] = ContactSortText::Of(read.record, order);
            const auto length = static_cast<DWORD>(ExtrasSerializer::Serialize(read.record.extras).size());
            totalSize += PropsStore::BlocksFor(length) * PropsLayout::blockSize;
            rebuilt.extras = std::move(read.record.extras);
        }
    }
    m_contacts.SetAutoAdvance(false);

    CancelSaves();
    m_index.Close();
    m_props.Close();
    const auto propsSize = static_cast<DWORD>(std::min<std::uint64_t>(totalSize, MappedStore::maxDataLength));
    if (!m_props.Create(propsSize) || !m_index.Create(IndexLayout::indexCreateSize)) {
        CloseStores();
        return false;
    }
    std::vector<IndexedContact> entries;
    entries.reserve(contacts.size());
    for (auto& [identifier, rebuilt] : contacts) {
        const auto props = m_props.WriteRecord(rebuilt.extras);
        if (!props)
            continue;
        rebuilt.entry.propsOffset = *props;
        entries.push_back(std::move(rebuilt.entry));
    }
    RebuildSortTexts sortTexts(contacts);
    m_index.Fill(entries, sortTexts);
    StoreVolumeTime();
    StartSaveTimer();
    return true;
}

bool ContactManager::Reconcile()
{
    CancelSaves();
    std::vector<DWORD> indexed = m_index.AllInOrder(0);
    std::sort(indexed.begin(), indexed.end());
    if (std::adjacent_find(indexed.begin(), indexed.end()) != indexed.end())
        return Rebuild();

    std::vector<DWORD> present;
    std::vector<DWORD> changed;
    std::vector<DWORD> added;
    m_contacts.SetAutoAdvance(true);
    if (m_contacts.SeekFirst()) {
        CEOID record = 0;
        std::vector<PropertyValue> values;
        while (m_contacts.ReadProps(nullptr, record, values)) {
            present.push_back(record);
            const auto props = m_index.PropsOffsetOf(record);
            if (!props)
                added.push_back(record);
            else if (m_props.StampOf(*props) != RecordStamp::OfRecord(record, values))
                changed.push_back(record);
        }
    }
    m_contacts.SetAutoAdvance(false);
    std::sort(present.begin(), present.end());
    std::vector<DWORD> deleted;
    std::set_difference(indexed.begin(), indexed.end(), present.begin(), present.end(), std::back_inserter(deleted));
    if (deleted.size() > reconcileDeletedLimit || deleted.size() + changed.size() + added.size() > reconcileChangeLimit)
        return Rebuild();

    Busy([&] {
        for (const DWORD contact : deleted)
            ApplyRemove(contact);
        for (const DWORD contact : changed)
            ApplyUpdate(contact);
        for (const DWORD contact : added)
            ApplyAdd(contact);
    });
    StartSaveTimer();
    ReloadSlaves();
    return true;
}

void ContactManager::OnDatabaseNotification(CENOTIFICATION* notification)
{
    if (!notification)
        return;
    if (IsMaster() && m_connected) {
        switch (notification->uType) {
        case DB_CEOID_CREATED:
            QueueChange(ChangeQueue::Kind::Created, notification->oidParent, notification->oid);
            break;
        case DB_CEOID_RECORD_DELETED:
            QueueChange(ChangeQueue::Kind::Deleted, notification->oidParent, notification->oid);
            break;
        case DB_CEOID_CHANGED:
            QueueChange(ChangeQueue::Kind::Changed, notification->oidParent, notification->oid);
            break;
        case DB_CEOID_VOLUME_REPLACED:
            if (notification->guid == m_contacts.Volume()) {
                CancelSaves();
                Rebuild();
            }
            break;
        default:
            break;
        }
    }
    m_contacts.FreeNotification(notification);
}

void ContactManager::QueueChange(ChangeQueue::Kind kind, CEOID database, CEOID record)
{
    if (m_queue.IsEmpty() && m_listView)
        m_listView->UpdateBegins(false);
    m_queue.Push({ kind, database, record });
    if (m_queue.Size() == reconcileChangeLimit && m_listView)
        m_listView->UpdateBegins(true);
}

void ContactManager::ProcessQueue()
{
    const std::vector<ChangeQueue::Change> changes = m_queue.Take();
    if (!IsMaster() || !m_connected)
        return;
    const bool rebuild = std::exchange(m_rebuildWanted, false);
    if (!changes.empty() || rebuild) {
        CancelSaves();
        if (rebuild || changes.size() > ChangeQueue::longBurst) {
            Rebuild();
        } else {
            const CEOID contactsDatabaseId = m_contacts.Identifier();
            for (const ChangeQueue::Change& change : changes) {
                if (change.database != contactsDatabaseId)
                    continue;
                switch (change.kind) {
                case ChangeQueue::Kind::Created:
                    AddContact(change.record);
                    break;
                case ChangeQueue::Kind::Deleted:
                    RemoveContact(change.record);
                    if (m_listView)
                        m_listView->ContactRemoved(change.record);
                    break;
                case ChangeQueue::Kind::Changed:
                    UpdateContact(change.record);
                    break;
                }
            }
            StartSaveTimer();
            ReloadSlaves();
        }
    }
    if (m_listView)
        m_listView->UpdateEnded();
}

void ContactManager::SaveNow()
{
    m_index.StartSave();
    m_props.StartSave();
}

bool ContactManager::WriteLinkType(DWORD contact, LONG value)
{
    if (!m_connected)
        return false;
    const PropertyValue linkType = PropertyValue::Long(linkTypeProperty, value);
    const CEOID written = m_contacts.WriteProps(contact, std::span(&linkType, 1),
                                                value == 0 ? PimDatabase::WriteMode::Delete : PimDatabase::WriteMode::Set);
    if (written == 0)
        return false;
    StoreVolumeTime();
    StartSaveTimer();
    ReloadSlaves();
    return true;
}

}
