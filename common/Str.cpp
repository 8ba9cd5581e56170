// Str: the shared text blocks, copy-on-write, and printf-style formatting into UTF-16.
#include "common/Str.h"

#include "common/ErrorLog.h"
#include "common/ResourceText.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>

namespace {

// The block of every empty Str. It lives in read-only memory: handles share it without counting and
// never write to it, so one block serves every process.
struct EmptyBlock {
    StrHeader header;
    char16_t text[26];
};
constexpr EmptyBlock emptyBlock { { 100, 0, 64 }, {} };
static_assert(sizeof(EmptyBlock) == 64 && offsetof(EmptyBlock, text) == sizeof(StrHeader));

StrHeader* sharedEmptyBlock() { return const_cast<StrHeader*>(&emptyBlock.header); }
bool isSharedEmpty(const StrHeader* block) { return block == &emptyBlock.header; }

char16_t* charactersOf(StrHeader* block) { return reinterpret_cast<char16_t*>(block + 1); }

// Bytes of a block for `length` characters: header, characters and NUL, rounded up to 64, 128, 256 or
// 512 bytes while the need is at most that, taken exactly above 512.
std::int64_t blockSize(std::int64_t length)
{
    const std::int64_t need = (length + 7) * 2;
    for (const std::int64_t step : { 64, 128, 256, 512 }) {
        if (need <= step)
            return step;
    }
    return need;
}

// Characters (without the NUL) a block holds.
std::int64_t roomOf(const StrHeader* block) { return block->capacity / 2 - 7; }

// A fresh block for `length` characters holding the empty text, referenced once; null when the
// memory cannot be had, which goes to the error log.
StrHeader* allocateBlock(std::int64_t length)
{
    const std::int64_t size = blockSize(length);
    void* const memory = size <= std::numeric_limits<std::int32_t>::max()
        ? ::operator new(static_cast<std::size_t>(size), std::nothrow)
        : nullptr;
    if (!memory) {
        ErrorLog::Write(u"Memory allocation failed", u"Str", __LINE__);
        return nullptr;
    }
    auto* const block = new (memory) StrHeader { 1, 0, static_cast<std::int32_t>(size) };
    charactersOf(block)[0] = u'\0';
    return block;
}

void setLength(StrHeader* block, std::int64_t length)
{
    block->length = static_cast<std::int32_t>(length);
    charactersOf(block)[length] = u'\0';
}

int textLength(LPCWSTR text) { return text ? static_cast<int>(std::u16string_view(text).size()) : 0; }

// The white-space class: the characters Unicode counts as white space.
bool isWhiteSpace(char16_t character)
{
    switch (character) {
    case 0x0009: case 0x000A: case 0x000B: case 0x000C: case 0x000D: case 0x0020: case 0x0085: case 0x00A0:
    case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return character >= 0x2000 && character <= 0x200A;
    }
}

// The device interface offers no character lower-casing, so the letters of the family's texts are
// folded here: Latin, Latin-1 and Cyrillic.
char16_t lowerCaseOf(char16_t character)
{
    if ((character >= u'A' && character <= u'Z') || (character >= 0x00C0 && character <= 0x00DE && character != 0x00D7)
        || (character >= 0x0410 && character <= 0x042F))
        return static_cast<char16_t>(character + 0x20);
    if (character >= 0x0400 && character <= 0x040F)
        return static_cast<char16_t>(character + 0x50);
    return character;
}

// ---- Formatting

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
};

void appendPadded(std::u16string& out, std::u16string_view prefix, std::u16string_view body, const Conversion& conversion,
                  bool zerosAllowed)
{
    const int fill = conversion.width - static_cast<int>(prefix.size() + body.size());
    if (fill <= 0) {
        out.append(prefix).append(body);
    } else if (conversion.leftAlign) {
        out.append(prefix).append(body).append(static_cast<std::size_t>(fill), u' ');
    } else if (zerosAllowed && conversion.zeroPad) {
        out.append(prefix).append(static_cast<std::size_t>(fill), u'0').append(body);
    } else {
        out.append(static_cast<std::size_t>(fill), u' ').append(prefix).append(body);
    }
}

void appendNumber(std::u16string& out, const Conversion& conversion, std::uint32_t magnitude, bool negative,
                  bool isSigned, unsigned base, bool upperCase)
{
    const char16_t* const digitSet = upperCase ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string digits;
    // With precision 0 the value 0 gives no digits at all.
    for (std::uint32_t rest = magnitude; rest != 0 || (digits.empty() && conversion.precision != 0); rest /= base)
        digits.insert(digits.begin(), digitSet[rest % base]);
    if (conversion.precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(conversion.precision) - digits.size(), u'0');

    std::u16string prefix;
    if (negative)
        prefix = u"-";
    else if (isSigned && conversion.plusSign)
        prefix = u"+";
    else if (isSigned && conversion.spaceSign)
        prefix = u" ";
    if (conversion.alternate && base == 16 && magnitude != 0)
        prefix += upperCase ? u"0X" : u"0x";
    // A precision turns zero padding off, as printf does.
    appendPadded(out, prefix, digits, conversion, conversion.precision < 0);
}


// Reads a number of the format, or takes it from the arguments for '*'.
int readCount(LPCWSTR& at, va_list* arguments)
{
    if (*at == u'*') {
        ++at;
        return va_arg(*arguments, int);
    }
    int count = 0;
    for (; *at >= u'0' && *at <= u'9'; ++at)
        count = count * 10 + (*at - u'0');
    return count;
}

// Reads flags, width, precision and length prefix after a '%'; `at` is left on the conversion letter.
Conversion readConversion(LPCWSTR& at, va_list* arguments)
{
    Conversion conversion;
    for (;; ++at) {
        if (*at == u'-')
            conversion.leftAlign = true;
        else if (*at == u'0')
            conversion.zeroPad = true;
        else if (*at == u'+')
            conversion.plusSign = true;
        else if (*at == u' ')
            conversion.spaceSign = true;
        else if (*at == u'#')
            conversion.alternate = true;
        else
            break;
    }
    conversion.width = readCount(at, arguments);
    if (conversion.width < 0) {
        conversion.leftAlign = true;
        conversion.width = -conversion.width;
    }
    if (*at == u'.') {
        ++at;
        conversion.precision = std::max(readCount(at, arguments), -1);
    }
    if (*at == u'l')
        ++at;
    return conversion;
}

// Appends the conversion starting at the '%' of `start`; returns where the format goes on.
LPCWSTR appendConversion(std::u16string& out, LPCWSTR start, va_list* arguments)
{
    LPCWSTR at = start + 1;
    const Conversion conversion = readConversion(at, arguments);
    switch (*at) {
    case u'd':
    case u'i': {
        const int value = va_arg(*arguments, int);
        const std::uint32_t magnitude = static_cast<std::uint32_t>(value);
        appendNumber(out, conversion, value < 0 ? 0u - magnitude : magnitude, value < 0, true, 10, false);
        break;
    }
    case u'u':
        appendNumber(out, conversion, va_arg(*arguments, unsigned int), false, false, 10, false);
        break;
    case u'x':
    case u'X':
        appendNumber(out, conversion, va_arg(*arguments, unsigned int), false, false, 16, *at == u'X');
        break;
    case u'c': {
        const char16_t character = static_cast<char16_t>(va_arg(*arguments, int));
        appendPadded(out, {}, std::u16string_view(&character, 1), conversion, false);
        break;
    }
    case u's': {
        const LPCWSTR argument = va_arg(*arguments, LPCWSTR);
        std::u16string_view shown = argument ? argument : u"(null)";
        if (conversion.precision >= 0)
            shown = shown.substr(0, static_cast<std::size_t>(conversion.precision));
        appendPadded(out, {}, shown, conversion, false);
        break;
    }
    case u'%':
        out += u'%';
        break;
    case u'\0':
        // A '%' closing the format stands as written.
        out.append(start, at);
        return at;
    default:
        // Not a conversion: it stands as written.
        out.append(start, at + 1);
        break;
    }
    return at + 1;
}
}

Str::Str()
    : m_block(sharedEmptyBlock())
{
}

Str::Str(LPCWSTR text)
    : Str()
{
    replaceWith(text, textLength(text));
}

Str::Str(std::u16string_view text)
    : m_block(sharedEmptyBlock())
{
    replaceWith(text.data(), static_cast<int>(std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max() / 2)));
}

Str::Str(const Str& other)
    : Str()
{
    *this = other;
}

Str::Str(Str&& other) noexcept
    : m_block(other.m_block)
{
    other.m_block = sharedEmptyBlock();
}

Str::~Str()
{
    release();
}

Str& Str::operator=(const Str& other)
{
    if (m_block == other.m_block)
        return *this;
    if (other.m_block->references < 0) {
        // The other buffer is out for writing: take a copy of its text as it stands.
        replaceWith(other.text(), other.GetLength());
        return *this;
    }
    release();
    m_block = other.m_block;
    if (!isSharedEmpty(m_block))
        ++m_block->references;
    return *this;
}

Str& Str::operator=(Str&& other) noexcept
{
    if (this != &other) {
        release();
        m_block = other.m_block;
        other.m_block = sharedEmptyBlock();
    }
    return *this;
}

Str& Str::operator=(LPCWSTR text)
{
    replaceWith(text, textLength(text));
    return *this;
}

void Str::Empty()
{
    release();
}

char16_t Str::GetAt(int index) const
{
    return index >= 0 && index < GetLength() ? text()[index] : u'\0';
}

void Str::SetAt(int index, char16_t character)
{
    if (index < 0 || index >= GetLength() || !own())
        return;
    text()[index] = character;
}

Str& Str::operator+=(const Str& tail)
{
    append(tail.text(), tail.GetLength());
    return *this;
}

Str& Str::operator+=(LPCWSTR tail)
{
    append(tail, textLength(tail));
    return *this;
}

Str& Str::operator+=(char16_t character)
{
    append(&character, 1);
    return *this;
}

Str operator+(const Str& head, const Str& tail)
{
    Str joined(head);
    joined += tail;
    return joined;
}

Str operator+(LPCWSTR head, const Str& tail)
{
    Str joined(head);
    joined += tail;
    return joined;
}

Str operator+(const Str& head, LPCWSTR tail)
{
    Str joined(head);
    joined += tail;
    return joined;
}

Str Str::Left(int count) const
{
    return Mid(0, count);
}

Str Str::Mid(int start) const
{
    return Mid(start, GetLength());
}

Str Str::Mid(int start, int count) const
{
    const int length = GetLength();
    const int first = std::clamp(start, 0, length);
    const int taken = std::clamp(count, 0, length - first);
    if (first == 0 && taken == length)
        return *this;
    Str part;
    part.replaceWith(text() + first, taken);
    return part;
}

Str Str::Right(int count) const
{
    const int length = GetLength();
    return Mid(length - std::clamp(count, 0, length));
}

int Str::Find(char16_t character, int start) const
{
    const std::u16string_view whole(text(), static_cast<std::size_t>(GetLength()));
    const std::size_t found = whole.find(character, static_cast<std::size_t>(std::max(start, 0)));
    return found == std::u16string_view::npos ? -1 : static_cast<int>(found);
}

int Str::Find(LPCWSTR part, int start) const
{
    if (!part)
        return -1;
    const std::u16string_view whole(text(), static_cast<std::size_t>(GetLength()));
    const std::size_t found = whole.find(part, static_cast<std::size_t>(std::max(start, 0)));
    return found == std::u16string_view::npos ? -1 : static_cast<int>(found);
}

int Str::ReverseFind(char16_t character) const
{
    const std::u16string_view whole(text(), static_cast<std::size_t>(GetLength()));
    const std::size_t found = whole.rfind(character);
    return found == std::u16string_view::npos ? -1 : static_cast<int>(found);
}

void Str::TrimLeft()
{
    const LPCWSTR characters = text();
    int skipped = 0;
    while (skipped < GetLength() && isWhiteSpace(characters[skipped]))
        ++skipped;
    if (skipped > 0)
        replaceWith(characters + skipped, GetLength() - skipped);
}

void Str::TrimRight()
{
    const LPCWSTR characters = text();
    int kept = GetLength();
    while (kept > 0 && isWhiteSpace(characters[kept - 1]))
        --kept;
    if (kept < GetLength())
        replaceWith(characters, kept);
}

bool Str::CutAtLast(char16_t character)
{
    const int position = ReverseFind(character);
    if (position < 0)
        return false;
    replaceWith(text(), position);
    return GetLength() == position;
}

void Str::MakeReverse()
{
    if (GetLength() < 2 || !own())
        return;
    std::reverse(text(), text() + GetLength());
}

void Str::MakeLower()
{
    if (IsEmpty() || !own())
        return;
    std::transform(text(), text() + GetLength(), text(), lowerCaseOf);
}

void Str::Format(LPCWSTR format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatV(format, arguments);
    va_end(arguments);
}

void Str::FormatV(LPCWSTR format, va_list arguments)
{
    // The helpers take the arguments through a pointer to a copy, the portable way to share a va_list.
    va_list remaining;
    va_copy(remaining, arguments);
    std::u16string out;
    for (LPCWSTR at = format; at && *at;) {
        if (*at == u'%')
            at = appendConversion(out, at, &remaining);
        else
            out += *at++;
    }
    va_end(remaining);
    replaceWith(out.data(), static_cast<int>(out.size()));
}

LPWSTR Str::GetBuffer(int minLength)
{
    const int wanted = std::max(minLength, GetLength());
    const bool exclusive = m_block->references == 1 || m_block->references < 0;
    if (!exclusive || roomOf(m_block) < wanted) {
        StrHeader* const block = allocateBlock(wanted);
        if (!block)
            return nullptr;
        std::copy_n(text(), GetLength() + 1, charactersOf(block));
        block->length = m_block->length;
        release();
        m_block = block;
    }
    m_block->references = -1;
    return text();
}

void Str::ReleaseBuffer(int newLength)
{
    if (m_block->references >= 0 && !own())
        return;
    const LPCWSTR characters = text();
    const int room = static_cast<int>(roomOf(m_block));
    int length = newLength;
    if (length < 0) {
        length = 0;
        while (length < room && characters[length] != u'\0')
            ++length;
    }
    setLength(m_block, std::min(length, room));
    m_block->references = 1;
}

bool Str::LoadString(UINT id, HINSTANCE instance)
{
    // The family's error logs have always named this source line for failed string loads.
    constexpr int reportedLine = 174;
    return LoadResourceString(*this, id, instance, u"Str", reportedLine);
}

LPWSTR Str::text() const
{
    return charactersOf(m_block);
}

bool Str::own()
{
    if (m_block->references == 1)
        return true;
    StrHeader* const block = allocateBlock(GetLength());
    if (!block)
        return false;
    std::copy_n(text(), GetLength(), charactersOf(block));
    setLength(block, GetLength());
    release();
    m_block = block;
    return true;
}

void Str::replaceWith(LPCWSTR source, int length)
{
    if (length <= 0) {
        release();
        return;
    }
    if (m_block->references == 1 && roomOf(m_block) >= length) {
        // The source may lie inside this block (trimming, cutting).
        std::memmove(text(), source, static_cast<std::size_t>(length) * sizeof(char16_t));
        setLength(m_block, length);
        return;
    }
    // The old block goes only after the copy, since the source may lie inside it.
    StrHeader* const block = allocateBlock(length);
    if (!block)
        return;
    std::copy_n(source, length, charactersOf(block));
    setLength(block, length);
    release();
    m_block = block;
}

void Str::append(LPCWSTR tail, int length)
{
    if (length <= 0)
        return;
    const std::int64_t total = std::int64_t { GetLength() } + length;
    if (m_block->references == 1 && roomOf(m_block) >= total) {
        std::memmove(text() + GetLength(), tail, static_cast<std::size_t>(length) * sizeof(char16_t));
        setLength(m_block, total);
        return;
    }
    // The tail may lie inside the old block: copy both before letting it go.
    StrHeader* const block = allocateBlock(total);
    if (!block)
        return;
    std::copy_n(text(), GetLength(), charactersOf(block));
    std::copy_n(tail, length, charactersOf(block) + GetLength());
    setLength(block, total);
    release();
    m_block = block;
}

void Str::release()
{
    if (isSharedEmpty(m_block))
        return;
    // A marked block (negative count) has this handle as its only user.
    if (m_block->references > 1)
        --m_block->references;
    else
        ::operator delete(m_block);
    m_block = sharedEmptyBlock();
}

bool operator==(const Str& first, const Str& second)
{
    return first.GetLength() == second.GetLength()
        && std::u16string_view(first, static_cast<std::size_t>(first.GetLength()))
        == std::u16string_view(second, static_cast<std::size_t>(second.GetLength()));
}

bool operator==(const Str& first, LPCWSTR second)
{
    return std::u16string_view(first, static_cast<std::size_t>(first.GetLength())) == std::u16string_view(second ? second : u"");
}
