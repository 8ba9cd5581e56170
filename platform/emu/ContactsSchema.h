// The device's contacts and categories as the phone's address book keeps them in "\pim.vol": the
// contact properties (number in the high word, value type in the low word), which of them are phone
// numbers, the category databases, and the volume a fresh device starts with.
#pragma once

#include "platform/api/WinDb.h"

#include <array>
#include <vector>

namespace emu {

class DbVolume;
class ObjectStore;

class ContactsSchema {
public:
    static constexpr const char16_t* volumePath = u"\\pim.vol";
    static constexpr const char16_t* contactsDatabase = u"Contacts Database";
    static constexpr const char16_t* categoryMainDatabase = u"CategoryMainDB";
    static constexpr const char16_t* categoryAssocDatabase = u"CategoryAssocDB";

    static constexpr CEPROPID notes = MAKEPROPID(0x1E, CEVT_STREAM);
    static constexpr CEPROPID picture = MAKEPROPID(0xFF, CEVT_BLOB);
    static constexpr CEPROPID dateA = MAKEPROPID(0xF0, CEVT_FILETIME);
    static constexpr CEPROPID dateB = MAKEPROPID(0xF1, CEVT_FILETIME);
    static constexpr CEPROPID linkType = MAKEPROPID(0xF8, CEVT_I4);
    static constexpr CEPROPID categoryKey = MAKEPROPID(0x1000, CEVT_UI4);
    // Declared only on devices whose profile asks for it.
    static constexpr CEPROPID demotion = MAKEPROPID(0x0102, CEVT_UI4);
    static constexpr CEPROPID ringtone = MAKEPROPID(0xA8, CEVT_LPWSTR);

    // "CategoryMainDB": category number (numbered by the engine) and name.
    static constexpr CEPROPID categoryNumber = MAKEPROPID(1, CEVT_AUTO_I4);
    static constexpr CEPROPID categoryName = MAKEPROPID(2, CEVT_LPWSTR);
    // "CategoryAssocDB": item key (0x80000000 with a contact's category key) and category number.
    static constexpr CEPROPID assocItemKey = MAKEPROPID(1, CEVT_UI4);
    static constexpr CEPROPID assocCategory = MAKEPROPID(2, CEVT_I4);
    static constexpr WORD categoryKeyFlags = CEDB_SORT_PRIMARYKEY | CEDB_SORT_NO_POSITIONAL;

    // The thirteen phone numbers: mobile, work, work 2, home, home 2, work fax, home fax, pager, car,
    // radio, company main, assistant, MMS.
    static constexpr std::array<CEPROPID, 13> phoneNumbers {
        MAKEPROPID(0x96, CEVT_LPWSTR), MAKEPROPID(0x97, CEVT_LPWSTR), MAKEPROPID(0x98, CEVT_LPWSTR), MAKEPROPID(0x99, CEVT_LPWSTR),
        MAKEPROPID(0x9A, CEVT_LPWSTR), MAKEPROPID(0x9B, CEVT_LPWSTR), MAKEPROPID(0x9C, CEVT_LPWSTR), MAKEPROPID(0x9D, CEVT_LPWSTR),
        MAKEPROPID(0x9E, CEVT_LPWSTR), MAKEPROPID(0x9F, CEVT_LPWSTR), MAKEPROPID(0xA0, CEVT_LPWSTR), MAKEPROPID(0xA1, CEVT_LPWSTR),
        MAKEPROPID(0x10A3, CEVT_LPWSTR),
    };
    static bool isPhoneNumber(CEPROPID);

    // The 58 text properties of a contact, phone numbers among them, ascending.
    static std::vector<CEPROPID> textProperties();
    // Every property "Contacts Database" declares, ascending.
    static std::vector<CEPROPID> contactProperties(bool withDemotion);

    // Gives a device without "\pim.vol" the volume with an empty "Contacts Database". The category
    // databases are left for the contacts object model to create.
    static void prepareVolume(ObjectStore&, bool withDemotion);
    // Creates the category databases the volume lacks; true when it created any.
    static bool createCategoryDatabases(DbVolume&);
};

}
