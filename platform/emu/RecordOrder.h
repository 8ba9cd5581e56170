// The records of one database in one order: creation order, or the order of one of its sort orders.
// It tells where a record stands and where a seek by value lands.
//
// Comparison in a sort order goes property by property: numbers by value (signed or unsigned by their
// type), file times as 64-bit counts, texts by their UTF-16 units (folded to one case with
// CEDB_SORT_CASEINSENSITIVE), blobs byte by byte; CEDB_SORT_DESCENDING reverses the order of present
// values. A record that lacks a property sorts after every present value, or before them all with
// CEDB_SORT_UNKNOWNFIRST. A seek value flagged CEDB_PROPNOTFOUND is the lowest of all: it sorts
// before every record's value and equals only a lacking value that sorts first. Records with equal
// keys stay in creation order.
#pragma once

#include "platform/emu/StoredProperty.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace emu {

// One sort property of a record or of a seek.
struct SortValue {
    enum class Kind { Lowest, Missing, Present };
    Kind kind;
    StoredProperty::Value value;
};
using SortKey = std::vector<SortValue>;

class RecordOrder {
public:
    // Creation order: the identifiers ascending, as the engine hands them out.
    explicit RecordOrder(std::vector<CEOID> ascendingIds);
    // A sort order over the records' keys (made with keyValue).
    RecordOrder(const SORTORDERSPECEX&, std::vector<std::pair<CEOID, SortKey>> records);

    // A record's sort value of property `index` of the sort order; null when the record lacks it.
    static SortValue keyValue(const SORTORDERSPECEX&, std::size_t index, const StoredProperty::Value* value);
    // A seek's value of property `index`, read with the sort property's type.
    static std::optional<SortValue> seekValue(const SORTORDERSPECEX&, std::size_t index, const CEPROPVAL&);

    std::size_t size() const { return m_ids.size(); }
    CEOID at(std::size_t position) const { return m_ids[position]; }
    std::optional<std::size_t> positionOf(CEOID) const;
    // Where a value seek (CEDB_SEEK_VALUE...) lands, comparing the first `seek.size()` sort
    // properties; `current` is the position the seek starts from. Nullopt when no record fits.
    std::optional<std::size_t> seek(DWORD seekType, const SortKey& seek, std::size_t current) const;

private:
    // <0, 0, >0 as the record at `position` sorts before, with or after the seek key.
    int compareWith(std::size_t position, const SortKey& seek) const;
    int compareKeys(const SortKey& a, const SortKey& b, std::size_t count) const;

    std::optional<SORTORDERSPECEX> m_sortOrder;
    std::vector<CEOID> m_ids;
    std::vector<SortKey> m_keys;
    std::unordered_map<CEOID, std::size_t> m_positions;
};

}
