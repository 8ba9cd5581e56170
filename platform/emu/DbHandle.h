// A database opened through the object store's interface: a kernel object naming the database, the
// order its records are walked in, the current record, and the change notifications asked for.
//
// The current record is followed through changes: when the database changes, the handle finds its
// record again in the new order; when that record was deleted, the record that took its place is
// the current one. A new handle starts at the first record.
#pragma once

#include "platform/api/WinDb.h"
#include "platform/emu/KernelObject.h"
#include "platform/emu/RecordOrder.h"

#include <cstddef>
#include <memory>
#include <optional>

namespace emu {

class DbVolume;

class DbHandle final : public KernelObject {
public:
    // `sortIndex` is the database's sort order the records come in; none for creation order. With
    // `autoIncrement` each read moves on to the next record.
    DbHandle(std::shared_ptr<DbVolume>, CEOID database, std::optional<std::size_t> sortIndex, bool autoIncrement,
             std::optional<CENOTIFYREQUEST>);

    std::string describe() const override;

    DbVolume& volume() const { return *m_volume; }
    CEOID database() const { return m_database; }
    const std::optional<CENOTIFYREQUEST>& request() const { return m_request; }
    bool autoIncrement() const { return m_autoIncrement; }

    // The current record; nullopt when there is none (an empty database, or moved past the end).
    std::optional<CEOID> currentRecord();
    // Moves past the current record, as a read with auto-increment does.
    void advance();
    // Carries out a seek as CeSeekDatabaseEx describes it; throws DbError, leaving the current record
    // as it was, when no record is reached.
    CEOID seek(DWORD seekType, DWORD_PTR value, WORD valueCount, DWORD* index);

private:
    // The handle's order, brought up to date with the database.
    const RecordOrder& currentOrder();
    CEOID moveTo(std::size_t position, DWORD* index);

    std::shared_ptr<DbVolume> m_volume;
    CEOID m_database;
    std::optional<std::size_t> m_sortIndex;
    bool m_autoIncrement;
    std::optional<CENOTIFYREQUEST> m_request;
    std::shared_ptr<const RecordOrder> m_order;
    // The position in m_order (its size: past the end) and the record there (0: none).
    std::size_t m_position { 0 };
    CEOID m_record { 0 };
};

}
