// Str: a handle to a shared, reference-counted block of UTF-16 text. Copies share the block; an
// operation that changes the text first gives the handle a block of its own (copy-on-write).
// Reference counts are plain integers: a block is not to be shared between threads.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdarg>
#include <cstdint>
#include <string_view>

// The block starts with this header; the characters and their terminating NUL follow it directly.
struct StrHeader {
    // Handles sharing the block; negative while the block is handed out by GetBuffer.
    std::int32_t references;
    // Characters before the NUL.
    std::int32_t length;
    // Size of the whole block in bytes, header included.
    std::int32_t capacity;
};

class Str {
public:
    Str();
    Str(LPCWSTR text);
    // The characters of the view, NUL characters among them included.
    explicit Str(std::u16string_view text);
    Str(const Str& other);
    Str(Str&& other) noexcept;
    ~Str();

    Str& operator=(const Str& other);
    Str& operator=(Str&& other) noexcept;
    Str& operator=(LPCWSTR text);

    int GetLength() const { return m_block->length; }
    bool IsEmpty() const { return m_block->length == 0; }
    void Empty();
    operator LPCWSTR() const { return text(); }
    // The character at `index`, or NUL outside the text.
    char16_t GetAt(int index) const;
    // Replaces the character at `index`; an index outside the text changes nothing.
    void SetAt(int index, char16_t character);

    Str& operator+=(const Str& tail);
    Str& operator+=(LPCWSTR tail);
    Str& operator+=(char16_t character);
    friend Str operator+(const Str& head, const Str& tail);
    friend Str operator+(LPCWSTR head, const Str& tail);
    friend Str operator+(const Str& head, LPCWSTR tail);

    // Parts of the text; positions and counts outside the text are clamped to it.
    Str Left(int count) const;
    Str Mid(int start) const;
    Str Mid(int start, int count) const;
    Str Right(int count) const;

    // Positions of the first occurrence at or after `start`, or -1.
    int Find(char16_t character, int start = 0) const;
    int Find(LPCWSTR part, int start = 0) const;
    // Position of the last occurrence, or -1.
    int ReverseFind(char16_t character) const;

    void TrimLeft();
    void TrimRight();
    // Ends the text before the last occurrence of `character`; false, and the text unchanged, without one.
    bool CutAtLast(char16_t character);
    void MakeReverse();
    void MakeLower();

    // printf-style: flags - + 0 space #, width and precision (digits or *), the length prefix l (32 bits
    // on the device, as without it), conversions d i u x X c s (wide text) and %%.
    void Format(LPCWSTR format, ...);
    void FormatV(LPCWSTR format, va_list arguments);

    // A writable buffer of at least `minLength` characters and its NUL, holding the current text. The
    // block stays marked for writing, and is copied rather than shared, until ReleaseBuffer. Null when
    // no block can be had (the failure is in the error log; the text is then unchanged).
    LPWSTR GetBuffer(int minLength);
    // Sets the length to `newLength`, or with -1 to the position of the first NUL, and writes the NUL.
    void ReleaseBuffer(int newLength = -1);

    // Loads string resource `id` of `instance` (0: the program's module). On failure the text is empty,
    // the failure is reported and the result is false.
    bool LoadString(UINT id, HINSTANCE instance = nullptr);

    const StrHeader& Header() const { return *m_block; }

private:
    LPWSTR text() const;
    // Gives the handle an unmarked block of its own holding the text; false when none could be had.
    bool own();
    void replaceWith(LPCWSTR source, int length);
    void append(LPCWSTR tail, int length);
    void release();

    StrHeader* m_block;
};

bool operator==(const Str& first, const Str& second);
bool operator==(const Str& first, LPCWSTR second);
