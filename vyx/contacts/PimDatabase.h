// PimDatabase: one open database of the object store volume "\pim.vol", and the record operations the
// programs use on it: seeks, reading and writing properties, the record count. The contacts database,
// the two category databases and the call log are each reached through one of these.
#pragma once

#include "platform/api/WinDb.h"
#include "vyx/contacts/PropertyValue.h"

#include <optional>
#include <span>
#include <vector>

namespace vyx {

class PimDatabase {
public:
    PimDatabase() = default;
    ~PimDatabase();
    PimDatabase(const PimDatabase&) = delete;
    PimDatabase& operator=(const PimDatabase&) = delete;

    // Mounts the volume and opens the database `name` in the sort order of `sortProperties` (none:
    // creation order), its changes reported to `notifyWindow` when one is given. A failure leaves the
    // object closed.
    bool Open(LPCWSTR name, std::span<const CEPROPID> sortProperties, WORD keyFlags, HWND notifyWindow);
    void Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    const CEGUID& Volume() const { return m_volume; }
    CEOID Identifier() const { return m_identifier; }

    // Every successful read moves on to the next record while this is set.
    void SetAutoAdvance(bool on) { m_autoAdvance = on; }
    bool IsAtEnd() const { return m_atEnd; }

    bool SeekFirst(DWORD offset = 0);
    bool SeekLast(DWORD offset = 0);
    bool SeekIdentifier(CEOID record);
    bool SeekNext();
    // The first record whose first sort property equals `value`.
    bool SeekEqual(const PropertyValue& value);
    // The first record greater than `values` of the leading sort properties.
    bool SeekAfter(std::span<const PropertyValue> values);

    // Reads the listed properties (all when `properties` is null) of the current record. Properties the
    // record lacks come back flagged absent. Fails with the engine's error, or with ERROR_HANDLE_EOF
    // when auto-advance already ran past the last record.
    bool ReadProps(const std::vector<CEPROPID>* properties, CEOID& record, std::vector<PropertyValue>& values);

    enum class WriteMode { Set, Delete };
    // Writes `values` to `record` (0: a new record); in delete mode each listed property is removed.
    // Returns the record written, or 0 (ERROR_NO_DATA for an empty list).
    CEOID WriteProps(CEOID record, std::span<const PropertyValue> values, WriteMode mode);

    // Hands a change notification of this database back to the engine.
    void FreeNotification(CENOTIFICATION*);
    // Whether the database's schema declares the property.
    bool HasProperty(CEPROPID property) const;
    // The number of records, or nothing when the engine cannot tell.
    std::optional<DWORD> Information() const;

private:
    bool Moved(CEOID reached);

    CEGUID m_volume {};
    CEOID m_identifier { 0 };
    HANDLE m_handle { INVALID_HANDLE_VALUE };
    // The request the database's change notifications answer; kept for handing them back.
    CENOTIFYREQUEST m_request {};
    bool m_autoAdvance { false };
    bool m_atEnd { false };
    // The engine's read buffer, grown by the engine as records need.
    BYTE* m_readBuffer { nullptr };
    DWORD m_readBufferSize { 0 };
};

// What tells whether the index still matches the contacts: the last-write time of "\pim.vol" (the
// current time when the file cannot be found) and the contacts database's record count.
struct VolumeState {
    FILETIME lastWrite {};
    DWORD recordCount { 0 };

    static VolumeState Of(const PimDatabase& contacts);
    // The last-write time of "\pim.vol"; with `flush`, the volume is mounted and unmounted first so
    // that the time covers every committed change.
    static FILETIME LastWriteTime(bool flush);
};

}
