#include "platform/emu/ContactsSchema.h"

#include "platform/emu/DbVolume.h"
#include "platform/emu/ObjectStore.h"

#include <algorithm>

namespace emu {

namespace {

void addTexts(std::vector<CEPROPID>& ids, WORD first, WORD last)
{
    for (WORD property = first; property <= last; ++property)
        ids.push_back(MAKEPROPID(property, CEVT_LPWSTR));
}

SORTORDERSPECEX categorySortOrder(std::initializer_list<CEPROPID> properties)
{
    SORTORDERSPECEX sort {};
    sort.wVersion = SORTORDERSPECEX_VERSION;
    sort.wNumProps = static_cast<WORD>(properties.size());
    sort.wKeyFlags = ContactsSchema::categoryKeyFlags;
    std::copy(properties.begin(), properties.end(), sort.rgPropID);
    return sort;
}

}

bool ContactsSchema::isPhoneNumber(CEPROPID id)
{
    return std::find(phoneNumbers.begin(), phoneNumbers.end(), id) != phoneNumbers.end();
}

std::vector<CEPROPID> ContactsSchema::textProperties()
{
    std::vector<CEPROPID> ids;
    addTexts(ids, 0x80, 0xA1);
    addTexts(ids, 0xA5, 0xAB);
    addTexts(ids, 0xC1, 0xC5);
    addTexts(ids, 0xD1, 0xD5);
    addTexts(ids, 0xE1, 0xE5);
    addTexts(ids, 0x101, 0x101);
    addTexts(ids, 0x10A3, 0x10A3);
    return ids;
}

std::vector<CEPROPID> ContactsSchema::contactProperties(bool withDemotion)
{
    std::vector<CEPROPID> ids = textProperties();
    ids.insert(ids.end(), { notes, picture, dateA, dateB, linkType, categoryKey });
    if (withDemotion)
        ids.push_back(demotion);
    std::sort(ids.begin(), ids.end());
    return ids;
}

void ContactsSchema::prepareVolume(ObjectStore& store, bool withDemotion)
{
    if (store.volumeExists(volumePath))
        return;
    const auto volume = store.createVolume(volumePath);
    volume->createDatabase(contactsDatabase, 0, {}, contactProperties(withDemotion));
}

bool ContactsSchema::createCategoryDatabases(DbVolume& volume)
{
    const bool mainMissing = !volume.findDatabase(categoryMainDatabase);
    const bool assocMissing = !volume.findDatabase(categoryAssocDatabase);
    if (!mainMissing && !assocMissing)
        return false;
    // Both come at once, or neither: inside the driver's transaction when one is open, else in one of
    // their own.
    const bool joined = volume.inDriverTransaction();
    if (!joined)
        volume.beginTransaction();
    try {
        if (mainMissing)
            volume.createDatabase(categoryMainDatabase, 0, { categorySortOrder({ categoryNumber }) }, { categoryNumber, categoryName });
        if (assocMissing)
            volume.createDatabase(categoryAssocDatabase, 0, { categorySortOrder({ assocItemKey, assocCategory }) }, { assocItemKey, assocCategory });
        if (!joined)
            volume.commitTransaction();
    } catch (...) {
        if (!joined && volume.inDriverTransaction())
            volume.rollbackTransaction();
        throw;
    }
    return true;
}

}
