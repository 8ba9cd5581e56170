// Array: a growable array of plain values or of pointers, with element count and capacity. An index
// outside 0 to count - 1 is reported in the "Kab Tracer" box and the access is not performed: a read
// gives a default value, a write is dropped.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>
#include <utility>

// Which access an out-of-range report names.
enum class ArrayAccess { GetAt, SetAt, ElementAt };

// Shows the out-of-range box: "Array::GetAt index (%d) out of range (%d)" and its SetAt and ElementAt
// forms, filled with the index and the count.
void ReportArrayIndexOutOfRange(ArrayAccess access, int index, int count);

template <class T>
class Array {
public:
    Array() = default;
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    Array(Array&&) noexcept = default;
    Array& operator=(Array&&) noexcept = default;

    int GetCount() const { return m_count; }
    int GetCapacity() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_count == 0; }
    T* GetData() { return m_items.data(); }
    const T* GetData() const { return m_items.data(); }

    T GetAt(int index) const
    {
        if (!inRange(index, ArrayAccess::GetAt))
            return T {};
        return m_items[static_cast<std::size_t>(index)];
    }

    void SetAt(int index, T value)
    {
        if (inRange(index, ArrayAccess::SetAt))
            m_items[static_cast<std::size_t>(index)] = std::move(value);
    }

    // The element itself; out of range, a default value whose changes go nowhere.
    T& ElementAt(int index)
    {
        if (!inRange(index, ArrayAccess::ElementAt)) {
            m_outside = T {};
            return m_outside;
        }
        return m_items[static_cast<std::size_t>(index)];
    }

    // Appends the value and returns its index.
    int Add(T value)
    {
        reserve(m_count + 1);
        m_items[static_cast<std::size_t>(m_count)] = std::move(value);
        return m_count++;
    }

    // Removes the element and closes the gap; an index outside the array removes nothing.
    void RemoveAt(int index)
    {
        if (index < 0 || index >= m_count)
            return;
        std::move(m_items.begin() + index + 1, m_items.begin() + m_count, m_items.begin() + index);
        m_items[static_cast<std::size_t>(--m_count)] = T {};
    }

    // Shortens the array, or lengthens it with default values.
    void SetCount(int count)
    {
        const int wanted = std::max(count, 0);
        reserve(wanted);
        // Elements dropped or added both hold the default value afterwards.
        for (int index = std::min(wanted, m_count); index < std::max(wanted, m_count); ++index)
            m_items[static_cast<std::size_t>(index)] = T {};
        m_count = wanted;
    }

    void RemoveAll()
    {
        m_items = {};
        m_count = 0;
    }

private:
    bool inRange(int index, ArrayAccess access) const
    {
        if (index >= 0 && index < m_count)
            return true;
        ReportArrayIndexOutOfRange(access, index, m_count);
        return false;
    }

    // Room for `count` elements; the capacity at least doubles when it grows.
    void reserve(int count)
    {
        if (count <= GetCapacity())
            return;
        const int capacity = std::max({ count, GetCapacity() * 2, 4 });
        m_items.resize(static_cast<std::size_t>(capacity));
    }

    // Sized to the capacity; elements past the count hold default values.
    std::vector<T> m_items;
    int m_count = 0;
    T m_outside {};
};

// An array of pointers the array does not own.
template <class T>
using PtrArray = Array<T*>;
