#include "platform/emu/PocketOutlook.h"

#include "platform/emu/ContactItem.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/OutlookApplication.h"

#include <algorithm>

namespace emu {

PocketOutlook::PocketOutlook(ObjectStore& store, HeapTable& heaps)
    : m_store(store)
    , m_heaps(heaps)
{
}

PocketOutlook::~PocketOutlook() = default;

IPOutlookApp* PocketOutlook::createApplication()
{
    auto application = std::make_unique<OutlookApplication>(*this);
    IPOutlookApp* reference = application.get();
    m_objects.push_back(std::move(application));
    ++m_applicationsCreated;
    return reference;
}

IItem* PocketOutlook::createContactItem()
{
    auto item = std::make_unique<ContactItem>(*this);
    IItem* reference = item.get();
    m_objects.push_back(std::move(item));
    return reference;
}

void PocketOutlook::destroy(const OutlookObject& object)
{
    std::erase_if(m_objects, [&](const auto& owned) { return owned.get() == &object; });
}

void PocketOutlook::createCategoryDatabases()
{
    ContactsSchema::createCategoryDatabases(*m_store.volume(ContactsSchema::volumePath));
}

}
