#include "vyx/contacts/PropsStore.h"

#include "common/ErrorLog.h"
#include "vyx/contacts/ExtrasSerializer.h"
#include "vyx/contacts/PimDatabase.h"
#include "vyx/contacts/PropsLayout.h"

#include <algorithm>
#include <cstdint>

namespace vyx {

using namespace PropsLayout;

namespace {

constexpr const char16_t* outOfMemory = u"Unable open memory as mapped file!!!";

DWORD roundedUpTo4(DWORD value)
{
    return (value + 3) & ~DWORD { 3 };
}

}

PropsStore::PropsStore()
    : m_store(path)
{
    // The header's volume time says when the stores last matched the contacts; a save refreshes it.
    m_store.SetPreSaveAction([this] { SetVolumeTime(CurrentVolumeTime()); });
}

DWORD PropsStore::BlocksFor(DWORD length)
{
    const DWORD beyondFirst = length > firstBlockCapacity ? length - firstBlockCapacity : 0;
    return 1 + (beyondFirst + laterBlockCapacity - 1) / laterBlockCapacity;
}

bool PropsStore::Create(DWORD totalSize)
{
    // Never more than the region holds: records that do not fit are refused one by one when written.
    const std::uint64_t wanted = std::uint64_t { totalSize } + totalSize / 100 + headerSize;
    const DWORD length = totalSize + std::uint64_t { headerSize } <= smallDataLength
        ? smallDataLength
        : static_cast<DWORD>(std::min<std::uint64_t>((wanted + 3) & ~std::uint64_t { 3 }, MappedStore::maxDataLength & ~DWORD { 3 }));
    if (!m_store.Create(length))
        return false;
    m_store.Write32(formatWord1, formatWord1Value);
    m_store.Write32(formatWord2, formatWord2Value);
    m_store.Write32(neverUsed, firstBlockAreaOffset);
    return true;
}

bool PropsStore::Open()
{
    if (!m_store.Open())
        return false;
    if (m_store.Length() < minimumDataLength || IsBusy() || m_store.Read32(formatWord1) != formatWord1Value
        || m_store.Read32(formatWord2) != formatWord2Value) {
        m_store.Close();
        return false;
    }
    return true;
}

void PropsStore::Close()
{
    m_store.Close();
}

void PropsStore::StartSave()
{
    m_store.StartSave();
}

void PropsStore::CancelSave()
{
    m_store.CancelSave();
}

DWORD PropsStore::RecordCount() const
{
    return m_store.Read32(recordCount);
}

bool PropsStore::IsBusy() const
{
    return m_store.Read8(busyMark) != 0;
}

void PropsStore::SetBusy(bool busy)
{
    m_store.Write8(busyMark, busy ? 1 : 0);
}

FILETIME PropsStore::VolumeTime() const
{
    return FILETIME { m_store.Read32(volumeTimeLow), m_store.Read32(volumeTimeHigh) };
}

void PropsStore::SetVolumeTime(FILETIME time)
{
    m_store.Write32(volumeTimeLow, time.dwLowDateTime);
    m_store.Write32(volumeTimeHigh, time.dwHighDateTime);
}

FILETIME PropsStore::CurrentVolumeTime()
{
    return VolumeState::LastWriteTime(true);
}

DWORD PropsStore::AvailableBlocks() const
{
    // The last four bytes of the data take the file's size when it is saved: no block may cover them.
    const DWORD length = m_store.Length();
    const DWORD next = blockArea + m_store.Read32(neverUsed);
    const DWORD usableEnd = length >= 4 ? length - 4 : 0;
    const DWORD unused = usableEnd > next ? (usableEnd - next) / blockSize : 0;
    return m_store.Read32(freeBlockCount) + unused;
}

bool PropsStore::ReserveBlocks(DWORD count)
{
    const DWORD available = AvailableBlocks();
    if (available >= count)
        return true;
    const DWORD missingBytes = (count - available) * blockSize;
    if (!m_store.Grow(roundedUpTo4(m_store.Length() + missingBytes + missingBytes / 100)) || AvailableBlocks() < count) {
        ErrorLog::Write(outOfMemory, u"PropsStore", __LINE__);
        return false;
    }
    return true;
}

DWORD PropsStore::TakeBlock()
{
    DWORD area = m_store.Read32(firstFreeBlock);
    if (m_store.Read32(freeBlockCount) > 0 && area != 0) {
        const DWORD next = m_store.Read32(blockArea + area + freeNext);
        const DWORD previous = m_store.Read32(blockArea + area + freePrevious);
        if (next == area) {
            m_store.Write32(firstFreeBlock, 0);
        } else {
            m_store.Write32(blockArea + previous + freeNext, next);
            m_store.Write32(blockArea + next + freePrevious, previous);
            m_store.Write32(firstFreeBlock, next);
        }
        m_store.Write32(freeBlockCount, m_store.Read32(freeBlockCount) - 1);
    } else {
        area = m_store.Read32(neverUsed);
        m_store.Write32(neverUsed, area + blockSize);
    }
    m_store.Zero(blockArea + area, blockSize);
    return blockArea + area;
}

void PropsStore::FreeBlock(DWORD block)
{
    const DWORD area = block - blockArea;
    if (area + blockSize == m_store.Read32(neverUsed)) {
        m_store.Write32(neverUsed, area);
        return;
    }
    const DWORD first = m_store.Read32(firstFreeBlock);
    if (first == 0 || m_store.Read32(freeBlockCount) == 0) {
        m_store.Write32(block + freeNext, area);
        m_store.Write32(block + freePrevious, area);
    } else {
        const DWORD last = m_store.Read32(blockArea + first + freePrevious);
        m_store.Write32(block + freeNext, first);
        m_store.Write32(block + freePrevious, last);
        m_store.Write32(blockArea + last + freeNext, area);
        m_store.Write32(blockArea + first + freePrevious, area);
    }
    m_store.Write32(firstFreeBlock, area);
    m_store.Write32(freeBlockCount, m_store.Read32(freeBlockCount) + 1);
}

std::optional<std::vector<DWORD>> PropsStore::ChainOf(DWORD record) const
{
    const DWORD end = blockArea + m_store.Read32(neverUsed);
    const auto isBlock = [&](DWORD offset) {
        return offset >= headerSize && offset + blockSize <= end && (offset - headerSize) % blockSize == 0
            && m_store.Holds(offset, blockSize);
    };
    if (!isBlock(record))
        return std::nullopt;
    const DWORD count = BlocksFor(m_store.Read32(record + recordLength));
    std::vector<DWORD> blocks { record };
    for (DWORD next = m_store.Read32(record + blockNext); next != 0; next = m_store.Read32(next + blockNext)) {
        if (!isBlock(next) || blocks.size() >= count)
            return std::nullopt;
        blocks.push_back(next);
    }
    if (blocks.size() != count)
        return std::nullopt;
    return blocks;
}

void PropsStore::WriteChain(const std::vector<DWORD>& blocks, const std::vector<BYTE>& data)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const DWORD block = blocks[i];
        m_store.Write32(block + blockNext, i + 1 < blocks.size() ? blocks[i + 1] : 0);
        const DWORD start = i == 0 ? firstBlockData : laterBlockData;
        const DWORD capacity = blockSize - start;
        m_store.Zero(block + start, capacity);
        for (DWORD j = 0; j < capacity && written < data.size(); ++j, ++written)
            m_store.Write8(block + start + j, data[written]);
    }
    m_store.Write32(blocks.front() + recordLength, static_cast<DWORD>(data.size()));
}

void PropsStore::LinkRecord(DWORD record)
{
    const DWORD first = m_store.Read32(firstRecord);
    if (first == 0) {
        m_store.Write32(record + recordPrevious, record);
        m_store.Write32(record + recordNext, record);
        m_store.Write32(firstRecord, record);
        return;
    }
    // New records go in before the first, that is at the end of the circle.
    const DWORD last = m_store.Read32(first + recordPrevious);
    m_store.Write32(record + recordNext, first);
    m_store.Write32(record + recordPrevious, last);
    m_store.Write32(last + recordNext, record);
    m_store.Write32(first + recordPrevious, record);
}

void PropsStore::UnlinkRecord(DWORD record)
{
    const DWORD next = m_store.Read32(record + recordNext);
    const DWORD previous = m_store.Read32(record + recordPrevious);
    if (next == record || next == 0) {
        m_store.Write32(firstRecord, 0);
        return;
    }
    m_store.Write32(previous + recordNext, next);
    m_store.Write32(next + recordPrevious, previous);
    if (m_store.Read32(firstRecord) == record)
        m_store.Write32(firstRecord, next);
}

std::optional<DWORD> PropsStore::WriteRecord(const ContactExtras& extras)
{
    const std::vector<BYTE> data = ExtrasSerializer::Serialize(extras);
    const DWORD count = BlocksFor(static_cast<DWORD>(data.size()));
    if (!ReserveBlocks(count))
        return std::nullopt;
    std::vector<DWORD> blocks;
    for (DWORD i = 0; i < count; ++i)
        blocks.push_back(TakeBlock());
    WriteChain(blocks, data);
    LinkRecord(blocks.front());
    m_store.Write32(recordCount, RecordCount() + 1);
    return blocks.front();
}

std::optional<ContactExtras> PropsStore::ReadRecord(DWORD record) const
{
    const auto blocks = ChainOf(record);
    if (!blocks)
        return std::nullopt;
    const DWORD length = m_store.Read32(record + recordLength);
    std::vector<BYTE> data;
    data.reserve(length);
    for (std::size_t i = 0; i < blocks->size() && data.size() < length; ++i) {
        const DWORD start = i == 0 ? firstBlockData : laterBlockData;
        const DWORD take = std::min<DWORD>(blockSize - start, length - static_cast<DWORD>(data.size()));
        const BYTE* bytes = m_store.View((*blocks)[i] + start, take);
        if (!bytes)
            return std::nullopt;
        data.insert(data.end(), bytes, bytes + take);
    }
    return ExtrasSerializer::Read(data);
}

bool PropsStore::RewriteRecord(DWORD record, const ContactExtras& extras)
{
    auto blocks = ChainOf(record);
    if (!blocks)
        return false;
    const std::vector<BYTE> data = ExtrasSerializer::Serialize(extras);
    const DWORD count = BlocksFor(static_cast<DWORD>(data.size()));
    if (count > blocks->size()) {
        if (!ReserveBlocks(count - static_cast<DWORD>(blocks->size())))
            return false;
        while (blocks->size() < count)
            blocks->push_back(TakeBlock());
    }
    while (blocks->size() > count) {
        FreeBlock(blocks->back());
        blocks->pop_back();
    }
    WriteChain(*blocks, data);
    return true;
}

void PropsStore::FreeRecord(DWORD record)
{
    const auto blocks = ChainOf(record);
    if (!blocks)
        return;
    UnlinkRecord(record);
    // Freed from the end, so that a record at the end of the used blocks gives its space back whole.
    for (auto block = blocks->rbegin(); block != blocks->rend(); ++block)
        FreeBlock(*block);
    const DWORD count = RecordCount();
    m_store.Write32(recordCount, count > 0 ? count - 1 : 0);
}

DWORD PropsStore::StampOf(DWORD record) const
{
    return m_store.Read32(record + firstBlockData + 4);
}

}
