// PimInfoWriter: gathers the details of a contact that no contact property holds and writes them into
// the notes as a PIM information block, the text between "== start pim information ==" and
// "== end pim information ==" that Vyx and the PIM service read back.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace devemu {

class PimInfoWriter {
public:
    enum class Section { Phone, Email, WebPage, Address, Date };

    // An entry "[label: value]". Line breaks become blanks, ':' ';' '[' ']' get their backslash, and a
    // label that does not begin with a letter or digit loses what comes before one ("Other" if nothing
    // is left).
    void add(Section, std::u16string_view label, std::u16string_view value);
    // An address entry "[label: street; city; region; postal code; country]".
    void addAddress(std::u16string_view label, const std::array<std::u16string, 5>& parts);
    bool empty() const { return m_entries.empty(); }

    // The notes with the entries added. Notes without a block get one after their text, on lines of
    // their own. Notes that hold a block keep it: each entry joins the section of its kind there, after
    // the section's last entry, and a kind the block lacks gets its section added before the end marker.
    std::u16string appendTo(std::u16string notes) const;

private:
    std::map<Section, std::vector<std::u16string>> m_entries;
};

}
