#include "platform/emu/DbHandle.h"

#include "platform/emu/DbError.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <cstdlib>

namespace emu {

DbHandle::DbHandle(std::shared_ptr<DbVolume> volume, CEOID database, std::optional<std::size_t> sortIndex, bool autoIncrement,
                   std::optional<CENOTIFYREQUEST> request)
    : m_volume(std::move(volume))
    , m_database(database)
    , m_sortIndex(sortIndex)
    , m_autoIncrement(autoIncrement)
    , m_request(request)
{
}

std::string DbHandle::describe() const
{
    const DbVolume::Database* database = m_volume->database(m_database);
    return "database " + (database ? quotedText(database->name) : hexText(m_database));
}

const RecordOrder& DbHandle::currentOrder()
{
    auto latest = m_volume->order(m_database, m_sortIndex);
    if (latest != m_order) {
        const auto found = m_record ? latest->positionOf(m_record) : std::nullopt;
        m_position = found ? *found : std::min(m_position, latest->size());
        m_order = std::move(latest);
        m_record = m_position < m_order->size() ? m_order->at(m_position) : 0;
    }
    return *m_order;
}

std::optional<CEOID> DbHandle::currentRecord()
{
    const RecordOrder& order = currentOrder();
    if (m_position >= order.size())
        return std::nullopt;
    return m_record;
}

void DbHandle::advance()
{
    const RecordOrder& order = currentOrder();
    m_position = std::min(m_position + 1, order.size());
    m_record = m_position < order.size() ? order.at(m_position) : 0;
}

CEOID DbHandle::moveTo(std::size_t position, DWORD* index)
{
    m_position = position;
    m_record = m_order->at(position);
    if (index)
        *index = static_cast<DWORD>(position);
    return m_record;
}

CEOID DbHandle::seek(DWORD seekType, DWORD_PTR value, WORD valueCount, DWORD* index)
{
    const RecordOrder& order = currentOrder();
    const auto size = static_cast<std::int64_t>(order.size());
    const auto reached = [&](std::int64_t position) {
        if (position < 0 || position >= size)
            throw DbError(ERROR_NO_MORE_ITEMS, "the seek leaves the records");
        return moveTo(static_cast<std::size_t>(position), index);
    };
    switch (seekType) {
    case CEDB_SEEK_CEOID: {
        const auto position = order.positionOf(static_cast<CEOID>(value));
        if (!position)
            throw DbError(ERROR_NOT_FOUND, "no record " + hexText(static_cast<CEOID>(value)) + " in the database");
        return moveTo(*position, index);
    }
    case CEDB_SEEK_BEGINNING:
        return reached(static_cast<DWORD>(value));
    case CEDB_SEEK_END:
        // Counted back from the last record, whichever sign the offset is given with.
        return reached(size - 1 - std::llabs(static_cast<LONG>(static_cast<DWORD>(value))));
    case CEDB_SEEK_CURRENT: {
        const std::int64_t position = static_cast<std::int64_t>(m_position) + static_cast<LONG>(static_cast<DWORD>(value));
        // Stepping forward off the last record leaves the handle past the end, so that the next read
        // of a walk fails with ERROR_NO_MORE_ITEMS instead of reading the last record again.
        if (position >= size && size > 0) {
            m_position = order.size();
            m_record = 0;
        }
        return reached(position);
    }
    case CEDB_SEEK_VALUESMALLER:
    case CEDB_SEEK_VALUEFIRSTEQUAL:
    case CEDB_SEEK_VALUEGREATER:
    case CEDB_SEEK_VALUENEXTEQUAL:
    case CEDB_SEEK_VALUEGREATEROREQUAL:
        break;
    default:
        throw DbError(ERROR_INVALID_PARAMETER, "unknown seek type " + std::to_string(seekType));
    }

    const DbVolume::Database* database = m_volume->database(m_database);
    if (!m_sortIndex || !database)
        throw DbError(ERROR_INVALID_PARAMETER, "a seek by value needs a sort order");
    const SORTORDERSPECEX& sort = database->sortOrders.at(*m_sortIndex);
    const auto* values = reinterpret_cast<const CEPROPVAL*>(value);
    if (!values || valueCount == 0 || valueCount > sort.wNumProps)
        throw DbError(ERROR_INVALID_PARAMETER, "a seek by value gives 1 to " + std::to_string(sort.wNumProps) + " values");
    SortKey key;
    for (std::size_t i = 0; i < valueCount; ++i) {
        auto sortValue = RecordOrder::seekValue(sort, i, values[i]);
        if (!sortValue)
            throw DbError(ERROR_INVALID_PARAMETER, "a seek value has no value of its sort property's type");
        key.push_back(std::move(*sortValue));
    }
    const auto position = order.seek(seekType, key, m_position);
    if (!position)
        throw DbError(ERROR_NOT_FOUND, "no record has that value");
    return moveTo(*position, index);
}

}
