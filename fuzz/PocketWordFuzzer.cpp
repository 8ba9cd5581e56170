// Arbitrary bytes behind a Pocket Word header: the record walk, the text, the counts-as-text test, and
// the document rebuilt without a span of its text, which must read back as the same records with
// exactly those characters gone.
#include "vyx/contacts/PocketWordDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first two bytes choose the span to take out; the rest follows a header that makes a document.
    if (size < 2)
        return 0;
    const std::size_t first = data[0];
    const std::size_t last = first + data[1];
    std::vector<BYTE> bytes { '{', '\\', 'p', 'w', 'i', 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    bytes.insert(bytes.end(), data + 2, data + size);

    const vyx::PocketWordDocument document(bytes);
    const std::u16string text = document.Text();
    const bool textOnly = document.CountsAsTextOnly();

    const std::vector<BYTE> rebuilt = document.WithoutCharacters(first, last);
    // Only a record cut off by the end of the document can grow, by its padding to whole words.
    check(rebuilt.size() <= bytes.size() + 3);
    const vyx::PocketWordDocument again(rebuilt);
    check(again.CountsAsTextOnly() == textOnly);
    // Only characters go: the blanks between text records stay, so the text loses at most the span.
    const std::u16string shorterText = again.Text();
    const std::u16string_view original(text);
    const std::u16string_view shorter(shorterText);
    check(shorter.size() <= original.size() && original.size() - shorter.size() <= last - first);
    const std::size_t before = std::min(first, original.size());
    check(shorter.substr(0, before) == original.substr(0, before));
    if (last < original.size()) {
        const std::size_t after = original.size() - last;
        check(shorter.size() >= after && shorter.substr(shorter.size() - after) == original.substr(last));
    }
    check(again.WithoutCharacters(0, 0) == rebuilt);
    return 0;
}
