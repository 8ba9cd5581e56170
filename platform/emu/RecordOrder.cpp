#include "platform/emu/RecordOrder.h"

#include "platform/emu/Text.h"

#include <algorithm>
#include <numeric>

namespace emu {

namespace {

template <class T>
int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

// Where a value stands among the others of its property: the lowest seek value and lacking values
// that sort first, then present values, then lacking values that sort last.
int rankOf(const SortValue& value, DWORD flags)
{
    switch (value.kind) {
    case SortValue::Kind::Lowest:
        return 0;
    case SortValue::Kind::Missing:
        return (flags & CEDB_SORT_UNKNOWNFIRST) ? 0 : 2;
    case SortValue::Kind::Present:
        break;
    }
    return 1;
}

int comparePresent(WORD type, const StoredProperty::Value& a, const StoredProperty::Value& b)
{
    if (a.index() != b.index())
        return threeWay(a.index(), b.index());
    if (const auto* integer = std::get_if<std::int64_t>(&a)) {
        const std::int64_t other = std::get<std::int64_t>(b);
        if (type == CEVT_FILETIME)
            return threeWay(static_cast<std::uint64_t>(*integer), static_cast<std::uint64_t>(other));
        return threeWay(*integer, other);
    }
    if (const auto* real = std::get_if<double>(&a))
        return threeWay(*real, std::get<double>(b));
    if (const auto* text = std::get_if<std::u16string>(&a))
        return threeWay(*text, std::get<std::u16string>(b));
    return threeWay(std::get<std::vector<BYTE>>(a), std::get<std::vector<BYTE>>(b));
}

int compareValues(WORD type, DWORD flags, const SortValue& a, const SortValue& b)
{
    const int rankA = rankOf(a, flags);
    const int rankB = rankOf(b, flags);
    if (rankA != rankB)
        return threeWay(rankA, rankB);
    if (rankA != 1)
        return 0;
    const int order = comparePresent(type, a.value, b.value);
    return (flags & CEDB_SORT_DESCENDING) ? -order : order;
}

SortValue presentValue(const SORTORDERSPECEX& sort, std::size_t index, StoredProperty::Value value)
{
    if ((sort.rgdwFlags[index] & CEDB_SORT_CASEINSENSITIVE) && std::holds_alternative<std::u16string>(value))
        value = foldCase(std::get<std::u16string>(value));
    return SortValue { SortValue::Kind::Present, std::move(value) };
}

}

RecordOrder::RecordOrder(std::vector<CEOID> ascendingIds)
    : m_ids(std::move(ascendingIds))
{
    // Only a damaged volume gives them otherwise; positions must stay one per record.
    if (!std::is_sorted(m_ids.begin(), m_ids.end()))
        std::sort(m_ids.begin(), m_ids.end());
    m_ids.erase(std::unique(m_ids.begin(), m_ids.end()), m_ids.end());
}

RecordOrder::RecordOrder(const SORTORDERSPECEX& sort, std::vector<std::pair<CEOID, SortKey>> records)
    : m_sortOrder(sort)
{
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), std::size_t { 0 });
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return compareKeys(records[a].second, records[b].second, sort.wNumProps) < 0;
    });
    m_ids.reserve(records.size());
    m_keys.reserve(records.size());
    for (const std::size_t index : order) {
        // A record a damaged volume lists twice stands in the order once.
        if (!m_positions.emplace(records[index].first, m_ids.size()).second)
            continue;
        m_ids.push_back(records[index].first);
        m_keys.push_back(std::move(records[index].second));
    }
}

SortValue RecordOrder::keyValue(const SORTORDERSPECEX& sort, std::size_t index, const StoredProperty::Value* value)
{
    if (!value)
        return SortValue { SortValue::Kind::Missing, {} };
    return presentValue(sort, index, *value);
}

std::optional<SortValue> RecordOrder::seekValue(const SORTORDERSPECEX& sort, std::size_t index, const CEPROPVAL& value)
{
    if (value.wFlags & CEDB_PROPNOTFOUND)
        return SortValue { SortValue::Kind::Lowest, {} };
    auto read = valueOfPropVal(value, TypeFromPropID(sort.rgPropID[index]));
    if (!read)
        return std::nullopt;
    return presentValue(sort, index, std::move(*read));
}

std::optional<std::size_t> RecordOrder::positionOf(CEOID id) const
{
    if (m_sortOrder) {
        const auto found = m_positions.find(id);
        return found == m_positions.end() ? std::nullopt : std::optional(found->second);
    }
    const auto found = std::lower_bound(m_ids.begin(), m_ids.end(), id);
    if (found == m_ids.end() || *found != id)
        return std::nullopt;
    return static_cast<std::size_t>(found - m_ids.begin());
}

int RecordOrder::compareKeys(const SortKey& a, const SortKey& b, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i) {
        if (const int order = compareValues(TypeFromPropID(m_sortOrder->rgPropID[i]), m_sortOrder->rgdwFlags[i], a[i], b[i]))
            return order;
    }
    return 0;
}

int RecordOrder::compareWith(std::size_t position, const SortKey& seek) const
{
    return compareKeys(m_keys[position], seek, seek.size());
}

std::optional<std::size_t> RecordOrder::seek(DWORD seekType, const SortKey& seek, std::size_t current) const
{
    // The first position whose record does not satisfy `before`; the records are sorted, so the
    // positions that satisfy it come first.
    const auto firstNot = [&](auto before) {
        std::size_t low = 0;
        std::size_t high = m_ids.size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (before(middle))
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    };
    if (seekType == CEDB_SEEK_VALUENEXTEQUAL) {
        if (current + 1 < size() && compareWith(current + 1, seek) == 0)
            return current + 1;
        return std::nullopt;
    }
    const std::size_t firstNotSmaller = firstNot([&](std::size_t p) { return compareWith(p, seek) < 0; });
    switch (seekType) {
    case CEDB_SEEK_VALUEFIRSTEQUAL:
        if (firstNotSmaller < size() && compareWith(firstNotSmaller, seek) == 0)
            return firstNotSmaller;
        return std::nullopt;
    case CEDB_SEEK_VALUEGREATEROREQUAL:
        return firstNotSmaller < size() ? std::optional(firstNotSmaller) : std::nullopt;
    case CEDB_SEEK_VALUEGREATER: {
        const std::size_t firstGreater = firstNot([&](std::size_t p) { return compareWith(p, seek) <= 0; });
        return firstGreater < size() ? std::optional(firstGreater) : std::nullopt;
    }
    case CEDB_SEEK_VALUESMALLER:
        return firstNotSmaller > 0 ? std::optional(firstNotSmaller - 1) : std::nullopt;
    default:
        return std::nullopt;
    }
}

}
