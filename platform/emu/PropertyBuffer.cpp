#include "platform/emu/PropertyBuffer.h"

#include "platform/emu/MemoryHeap.h"

#include <algorithm>
#include <cstring>

namespace emu {

namespace {

// Texts start on an even offset, for their 16-bit units.
std::size_t alignedForText(std::size_t offset)
{
    return (offset + 1) & ~std::size_t { 1 };
}

// The bytes a property takes after the CEPROPVALs, by its type.
std::size_t dataBytes(const StoredProperty& property)
{
    switch (TypeFromPropID(property.id)) {
    case CEVT_LPWSTR: {
        const auto* text = std::get_if<std::u16string>(&property.value);
        return ((text ? text->size() : 0) + 1) * sizeof(WCHAR);
    }
    case CEVT_BLOB:
    case CEVT_STREAM: {
        const auto* bytes = std::get_if<std::vector<BYTE>>(&property.value);
        return bytes ? bytes->size() : 0;
    }
    default:
        return 0;
    }
}

std::int64_t integerOf(const StoredProperty& property)
{
    const auto* integer = std::get_if<std::int64_t>(&property.value);
    return integer ? *integer : 0;
}

}

PropertyBuffer::PropertyBuffer(std::vector<Slot> slots)
    : m_slots(std::move(slots))
    , m_size(m_slots.size() * sizeof(CEPROPVAL))
{
    for (const Slot& slot : m_slots) {
        if (slot.property)
            m_size = alignedForText(m_size) + dataBytes(*slot.property);
    }
}

void PropertyBuffer::fill(BYTE* block) const
{
    std::size_t dataOffset = m_slots.size() * sizeof(CEPROPVAL);
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const Slot& slot = m_slots[i];
        CEPROPVAL value {};
        value.propid = slot.id;
        if (!slot.property) {
            value.wFlags = CEDB_PROPNOTFOUND;
        } else {
            const StoredProperty& property = *slot.property;
            const std::size_t bytes = dataBytes(property);
            dataOffset = alignedForText(dataOffset);
            BYTE* data = block + dataOffset;
            value.wLenData = static_cast<WORD>(std::min<std::size_t>(bytes, 0xFFFF));
            switch (TypeFromPropID(slot.id)) {
            case CEVT_I2:
                value.val.iVal = static_cast<short>(integerOf(property));
                break;
            case CEVT_UI2:
                value.val.uiVal = static_cast<WORD>(integerOf(property));
                break;
            case CEVT_I4:
            case CEVT_AUTO_I4:
                value.val.lVal = static_cast<LONG>(integerOf(property));
                break;
            case CEVT_UI4:
                value.val.ulVal = static_cast<DWORD>(integerOf(property));
                break;
            case CEVT_BOOL:
                value.val.boolVal = static_cast<BOOL>(integerOf(property));
                break;
            case CEVT_R8: {
                const auto* real = std::get_if<double>(&property.value);
                value.val.dblVal = real ? *real : 0.0;
                break;
            }
            case CEVT_FILETIME: {
                const auto ticks = static_cast<std::uint64_t>(integerOf(property));
                value.val.filetime = FILETIME { static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32) };
                break;
            }
            case CEVT_LPWSTR: {
                const auto* text = std::get_if<std::u16string>(&property.value);
                const WCHAR nul = 0;
                if (text)
                    std::memcpy(data, text->data(), text->size() * sizeof(WCHAR));
                std::memcpy(data + bytes - sizeof(WCHAR), &nul, sizeof nul);
                value.val.lpwstr = reinterpret_cast<LPWSTR>(data);
                break;
            }
            case CEVT_BLOB:
            case CEVT_STREAM: {
                const auto* bytesOf = std::get_if<std::vector<BYTE>>(&property.value);
                if (bytesOf)
                    std::copy(bytesOf->begin(), bytesOf->end(), data);
                value.val.blob = CEBLOB { static_cast<DWORD>(bytes), data };
                break;
            }
            default:
                break;
            }
            dataOffset += bytes;
        }
        std::memcpy(block + i * sizeof(CEPROPVAL), &value, sizeof value);
    }
}

bool PropertyBuffer::placeIn(BYTE*& block, DWORD& blockSize, MemoryHeap* heap) const
{
    if (!block || blockSize < m_size) {
        if (!heap || m_size > 0xFFFFFFFF) {
            blockSize = static_cast<DWORD>(std::min<std::size_t>(m_size, 0xFFFFFFFF));
            return false;
        }
        if (block)
            heap->free(block);
        block = static_cast<BYTE*>(heap->allocate(m_size, false));
        blockSize = static_cast<DWORD>(m_size);
    }
    fill(block);
    return true;
}

}
