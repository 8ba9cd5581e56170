// The texts of Vyx's alphabet resources: entries "CAPTION[^SECOND]/LETTERS" for the keys 2 to 9,
// turned at compile time into the bytes the module carries.
#include "vyx/resources/VyxAlphabets.h"

#include "vyx/keypad/AlphabetResources.h"

#include <array>
#include <span>

namespace vyx {

namespace {

// The byte-order mark and the text's characters (without their NUL), low byte first.
template <std::size_t N>
constexpr std::array<std::byte, 2 * N> markedUtf16(const char16_t (&text)[N])
{
    std::array<std::byte, 2 * N> bytes {};
    bytes[0] = std::byte { 0xFF };
    bytes[1] = std::byte { 0xFE };
    for (std::size_t i = 0; i + 1 < N; ++i) {
        bytes[2 * i + 2] = static_cast<std::byte>(text[i] & 0xFF);
        bytes[2 * i + 3] = static_cast<std::byte>(text[i] >> 8);
    }
    return bytes;
}

constexpr auto latin = markedUtf16(u"ABC/ABC DEF/DEF GHI/GHI JKL/JKL MNO/MNO PQRS/PQRS TUV/TUV WXYZ/WXYZ");
constexpr auto cyrillic = markedUtf16(u"АБВГ/абвг ДЕЖЗ/деёжз ИКЛ/ийкл МНОП/мноп РСТУ/рсту ФХЦЧ/фхцч ШЩЪЫ/шщъы ЬЭЮЯ/ьэюя");
constexpr auto cyrillicAndLatin = markedUtf16(u"АБВГ^ABC/абвгabc ДЕЖЗ^DEF/деёжзdef ИКЛ^GHI/ийклghi МНОП^JKL/мнопjkl "
                                              u"РСТУ^MNO/рстуmno ФХЦЧ^PQRS/фхцчpqrs ШЩЪЫ^TUV/шщъыtuv ЬЭЮЯ^WXYZ/ьэюяwxyz");
constexpr auto german = markedUtf16(u"ABCÄ/ABCÄ DEF/DEF GHI/GHI JKL/JKL MNOÖ/MNOÖ PQRSß/PQRSß TUVÜ/TUVÜ WXYZ/WXYZ");
constexpr auto polish = markedUtf16(u"ABC/AĄBCĆaąbcć DEF/DEĘFdeęf GHI/GHIghi JKL/JKLŁjklł MNO/MNOÓmnoó "
                                    u"PQRS/PQRSŚpqrsś TUV/TUVtuv WXYZ/WXYZŹŻwxyzźż");

}

constexpr platform::DataResource vyxAlphabets[vyxAlphabetCount] {
    { keypad::alphabetResourceType, keypad::IDR_ABC_LATIN, {}, latin },
    { keypad::alphabetResourceType, keypad::IDR_ABC_CYRILLIC, {}, cyrillic },
    { keypad::alphabetResourceType, keypad::IDR_ABC_CYRILLIC_AND_LATIN, {}, cyrillicAndLatin },
    { keypad::alphabetResourceType, keypad::IDR_ABC_GERMAN, {}, german },
    { keypad::alphabetResourceType, keypad::IDR_ABC_POLISH, {}, polish },
};

}
