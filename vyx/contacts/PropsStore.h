// PropsStore: the property store "\pim_index2.dat": the extras of every indexed contact, serialized and
// kept in chains of 128-byte blocks, and the header that tells whether the index still matches the
// contacts database (its volume time, record count and busy mark). Like the index it lives in a
// shared region that every program of the family maps, and only the master changes it.
#pragma once

#include "vyx/contacts/ContactExtras.h"
#include "vyx/contacts/MappedStore.h"

#include <optional>
#include <vector>

namespace vyx {

class PropsStore {
public:
    static constexpr const char16_t* path = u"\\pim_index2.dat";

    PropsStore();

    // A new, empty store with room for `totalSize` bytes of serialized extras.
    bool Create(DWORD totalSize);
    // Valid only with more than 27 bytes of data, no busy mark and the format words 1 and 5.
    bool Open();
    void Close();
    bool IsOpen() const { return m_store.IsOpen(); }
    MappedStore& Store() { return m_store; }

    // Refreshes the volume time first, then writes the file in the background.
    void StartSave();
    void CancelSave();

    // The record's first block offset, or nothing when no blocks can be had even after growing.
    std::optional<DWORD> WriteRecord(const ContactExtras&);
    std::optional<ContactExtras> ReadRecord(DWORD record) const;
    bool RewriteRecord(DWORD record, const ContactExtras&);
    void FreeRecord(DWORD record);
    DWORD StampOf(DWORD record) const;

    DWORD RecordCount() const;
    bool IsBusy() const;
    void SetBusy(bool busy);
    FILETIME VolumeTime() const;
    void SetVolumeTime(FILETIME);
    // The last-write time of "\pim.vol" after mounting and unmounting it once.
    static FILETIME CurrentVolumeTime();

    // The blocks a serialized record of `length` bytes takes.
    static DWORD BlocksFor(DWORD length);

private:
    // The data offsets of the blocks of a record, in chain order; nothing when the chain leaves the
    // data or loops.
    std::optional<std::vector<DWORD>> ChainOf(DWORD record) const;
    bool ReserveBlocks(DWORD count);
    DWORD TakeBlock();
    void FreeBlock(DWORD block);
    void WriteChain(const std::vector<DWORD>& blocks, const std::vector<BYTE>& data);
    void LinkRecord(DWORD record);
    void UnlinkRecord(DWORD record);
    DWORD AvailableBlocks() const;

    MappedStore m_store;
};

}
