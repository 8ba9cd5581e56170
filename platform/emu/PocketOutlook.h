// The device's contacts object model: the application objects and items it hands to programs, which
// live until their last reference is released (or the device goes away), the category databases it
// creates at log-on, and the count of application objects made, for drivers.
#pragma once

#include "platform/api/PimOutlook.h"

#include <memory>
#include <vector>

namespace emu {

class HeapTable;
class ObjectStore;
class OutlookObject;

class PocketOutlook {
public:
    PocketOutlook(ObjectStore&, HeapTable&);
    ~PocketOutlook();
    PocketOutlook(const PocketOutlook&) = delete;
    PocketOutlook& operator=(const PocketOutlook&) = delete;

    // New objects with one reference each.
    IPOutlookApp* createApplication();
    IItem* createContactItem();
    void destroy(const OutlookObject&);

    // Creates the category databases "\pim.vol" lacks; throws DbError when the volume cannot have them.
    void createCategoryDatabases();
    HeapTable& heaps() const { return m_heaps; }

    // ---- For drivers
    unsigned applicationsCreated() const { return m_applicationsCreated; }
    std::size_t liveObjects() const { return m_objects.size(); }

private:
    ObjectStore& m_store;
    HeapTable& m_heaps;
    std::vector<std::unique_ptr<OutlookObject>> m_objects;
    unsigned m_applicationsCreated { 0 };
};

}
