// What the index store's tests share: sort texts from a map, contacts made of word lists, a check of
// the heap's integrity over the store's data, and the index file's bytes on the host.
#pragma once

#include "vyx/contacts/IndexLayout.h"
#include "vyx/contacts/IndexedContact.h"
#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/SortTextReader.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace testing_support {

// Sort texts by contact: [0] for display order 0, [1] for order 1. A contact without texts has no
// readable record.
class MapSortTexts final : public vyx::SortTextReader {
public:
    std::optional<std::u16string> SortText(DWORD contact, int order) override
    {
        const auto found = texts.find(contact);
        if (found == texts.end())
            return std::nullopt;
        return found->second[static_cast<std::size_t>(order)];
    }

    void set(DWORD contact, std::u16string name, std::u16string fileAs = {})
    {
        texts[contact] = { std::move(name), std::move(fileAs) };
    }

    std::map<DWORD, std::array<std::u16string, 2>> texts;
};

inline vyx::IndexedContact indexedContact(DWORD identifier, std::vector<std::u16string> words,
                                          std::vector<std::u16string> keys = {}, DWORD propsOffset = 0)
{
    return vyx::IndexedContact { identifier, std::move(words), std::move(keys), propsOffset };
}

// The first fault of the heap in the store's data, or an empty text: the header covers the data,
// blocks tile the heap with matching tags and sound sizes, free blocks are never neighbours, and the
// free list is circular, doubly linked, ascending and holds exactly the free blocks. A block whose
// closing tag holds the size of a file saved at that length (the save's size mark) is allowed, and
// may stand free beside a free block.
inline std::string heapFault(const vyx::MappedStore& store)
{
    using namespace vyx::IndexLayout;
    const auto at = [&](DWORD heapOffset) { return store.Read32(heapStart + heapOffset); };
    const DWORD total = at(heapTotalSize);
    if (total != store.Length() - heapStart)
        return "heap total " + std::to_string(total) + " for data length " + std::to_string(store.Length());

    std::vector<DWORD> freeBlocks;
    bool previousFree = false;
    bool previousMarked = false;
    DWORD block = heapFirstBlock;
    while (block < total) {
        const auto tag = static_cast<LONG>(at(block));
        const DWORD payload = static_cast<DWORD>(tag < 0 ? -tag : tag);
        if (payload < minimumPayload || payload % 4 != 0 || block + blockOverhead + payload > total)
            return "block at " + std::to_string(block) + " has payload " + std::to_string(tag);
        const DWORD closing = block + tagSize + payload;
        const DWORD closingTag = at(closing);
        const bool marked = closingTag != static_cast<DWORD>(tag);
        if (marked && closingTag != heapStart + closing + 8)
            return "block at " + std::to_string(block) + " closes with " + std::to_string(static_cast<LONG>(closingTag));
        const bool isFree = tag < 0;
        if (isFree && previousFree && !previousMarked)
            return "free blocks meet at " + std::to_string(block);
        if (isFree)
            freeBlocks.push_back(block);
        previousFree = isFree;
        previousMarked = marked;
        block = closing + tagSize;
    }
    if (block != total)
        return "blocks end at " + std::to_string(block) + " in a heap of " + std::to_string(total);

    const DWORD first = at(heapFirstFree);
    if (freeBlocks.empty())
        return first == 0 ? std::string() : "free list starts at " + std::to_string(first) + " without free blocks";
    if (first != freeBlocks.front())
        return "free list starts at " + std::to_string(first) + ", the lowest free block is " + std::to_string(freeBlocks.front());
    DWORD current = first;
    for (std::size_t i = 0; i < freeBlocks.size(); ++i) {
        if (current != freeBlocks[i])
            return "free list entry " + std::to_string(i) + " is " + std::to_string(current) + ", not " + std::to_string(freeBlocks[i]);
        const DWORD next = at(current + tagSize + freeNext);
        if (at(next + tagSize + freePrevious) != current)
            return "free block " + std::to_string(next) + " does not link back to " + std::to_string(current);
        current = next;
    }
    if (current != first)
        return "free list does not close its circle";
    return {};
}

inline std::string fileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline DWORD littleEndianAt(const std::string& bytes, std::size_t offset)
{
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(offset + static_cast<std::size_t>(i)));
    return value;
}

inline void putLittleEndian(std::string& bytes, std::size_t offset, DWORD value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<char>(value >> (8 * i));
}

}
