// ContactNotes: decoding the notes, splitting off the PIM information block, and cutting it out of the
// stored bytes.
#include "vyx/contacts/ContactNotes.h"

#include "platform/api/WinNls.h"
#include "vyx/contacts/PimInfoBlock.h"
#include "vyx/contacts/PocketWordDocument.h"

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

namespace vyx {

namespace {

// UTF-16 notes begin with these two bytes; their text starts after them.
constexpr std::array<BYTE, 2> utf16Mark { 0xFE, 0xFF };
constexpr std::size_t utf16TextOffset = utf16Mark.size();

// The markers as the bytes of an 8-bit text; they are ASCII, the same in every code page.
std::string narrowMarker(std::u16string_view marker)
{
    std::string bytes;
    for (const char16_t character : marker)
        bytes += static_cast<char>(character);
    return bytes;
}

// The notes with the bytes [begin, end) cut out.
std::vector<BYTE> without(std::span<const BYTE> notes, std::size_t begin, std::size_t end)
{
    std::vector<BYTE> kept(notes.begin(), notes.begin() + static_cast<std::ptrdiff_t>(begin));
    kept.insert(kept.end(), notes.begin() + static_cast<std::ptrdiff_t>(end), notes.end());
    return kept;
}

}

std::u16string ContactNotes::Text(std::span<const BYTE> notes)
{
    if (PocketWordDocument::IsPocketWord(notes))
        return PocketWordDocument(notes).Text();
    if (IsUtf16(notes))
        return Utf16Text(notes);
    return CodePageText(notes);
}

ContactNotes::Parsed ContactNotes::ParseNotes(std::span<const BYTE> notes)
{
    std::u16string text = Text(notes);
    const std::size_t start = text.find(startMarker);
    if (start == std::u16string::npos)
        return { std::move(text), {} };
    const std::size_t blockBegin = start + startMarker.size();
    const std::size_t end = text.find(endMarker, blockBegin);
    const std::u16string_view block = std::u16string_view(text).substr(blockBegin, end == std::u16string::npos ? std::u16string::npos : end - blockBegin);
    auto extras = PimInfoBlock::Parse(block);
    if (!extras)
        return {};
    Parsed parsed { text.substr(0, start), std::move(*extras) };
    if (end != std::u16string::npos) {
        const std::size_t after = end + endMarker.size();
        if (after < text.size())
            parsed.visibleText += u' ' + text.substr(after);
    }
    return parsed;
}

std::vector<BYTE> ContactNotes::VisibleNotes(std::span<const BYTE> notes)
{
    if (PocketWordDocument::IsPocketWord(notes))
        return VisiblePocketWord(notes);
    if (IsUtf16(notes))
        return VisibleUtf16(notes);
    return VisibleCodePageText(notes);
}

bool ContactNotes::IsUtf16(std::span<const BYTE> notes)
{
    return notes.size() >= utf16Mark.size() && std::equal(utf16Mark.begin(), utf16Mark.end(), notes.begin());
}

std::u16string ContactNotes::Utf16Text(std::span<const BYTE> notes)
{
    std::u16string text;
    text.reserve(notes.size() / 2);
    // An odd last byte is half a unit and no character.
    for (std::size_t i = utf16TextOffset; i + 1 < notes.size(); i += 2)
        text += static_cast<char16_t>(notes[i] | (notes[i + 1] << 8));
    return text;
}

std::u16string ContactNotes::CodePageText(std::span<const BYTE> notes)
{
    if (notes.empty() || notes.size() > INT_MAX)
        return {};
    const auto* bytes = reinterpret_cast<LPCSTR>(notes.data());
    const int length = static_cast<int>(notes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    const int converted = MultiByteToWideChar(CP_ACP, 0, bytes, length, text.data(), needed);
    text.resize(static_cast<std::size_t>(std::max(converted, 0)));
    return text;
}

std::vector<BYTE> ContactNotes::VisiblePocketWord(std::span<const BYTE> notes)
{
    const PocketWordDocument document(notes);
    const std::u16string text = document.Text();
    const std::size_t start = text.find(startMarker);
    if (start == std::u16string::npos)
        return document.CountsAsTextOnly() ? std::vector<BYTE>() : std::vector<BYTE>(notes.begin(), notes.end());
    // Without an end marker the block runs to the end of the text.
    const std::size_t end = text.find(endMarker, start + startMarker.size());
    const std::size_t blockEnd = end == std::u16string::npos ? text.size() : end + endMarker.size();
    std::vector<BYTE> rebuilt = document.WithoutCharacters(start, blockEnd);
    if (PocketWordDocument(rebuilt).CountsAsTextOnly())
        return {};
    return rebuilt;
}

std::vector<BYTE> ContactNotes::VisibleUtf16(std::span<const BYTE> notes)
{
    const std::u16string text = Utf16Text(notes);
    const std::size_t start = text.find(startMarker);
    if (start == std::u16string::npos)
        return { notes.begin(), notes.end() };
    const std::size_t end = text.find(endMarker, start + startMarker.size());
    if (end == std::u16string::npos)
        return { notes.begin(), notes.end() };
    const auto byteOffset = [](std::size_t unit) { return utf16TextOffset + 2 * unit; };
    return without(notes, byteOffset(start), byteOffset(end + endMarker.size()));
}

std::vector<BYTE> ContactNotes::VisibleCodePageText(std::span<const BYTE> notes)
{
    const std::string_view bytes(reinterpret_cast<const char*>(notes.data()), notes.size());
    const std::string startBytes = narrowMarker(startMarker);
    const std::string endBytes = narrowMarker(endMarker);
    const std::size_t start = bytes.find(startBytes);
    if (start == std::string_view::npos)
        return { notes.begin(), notes.end() };
    const std::size_t end = bytes.find(endBytes, start + startBytes.size());
    if (end == std::string_view::npos)
        return { notes.begin(), notes.end() };
    return without(notes, start, end + endBytes.size());
}

}
