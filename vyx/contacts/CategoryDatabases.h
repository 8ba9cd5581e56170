// CategoryDatabases: the contact categories of the device: "CategoryMainDB" (category number -> name)
// and "CategoryAssocDB" (item key -> category numbers), opened once per program on first use. When the
// databases are missing, the contacts object model is asked once to create them.
#pragma once

#include "vyx/contacts/PimDatabase.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vyx {

struct Category {
    DWORD number { 0 };
    std::u16string name;
};

class CategoryDatabases {
public:
    // The program's categories object, created on first use; null while the databases cannot be opened
    // (the next call tries again).
    static CategoryDatabases* Instance();

    // The item key of a contact with category key `categoryKey`.
    static DWORD ContactItemKey(DWORD categoryKey) { return contactKind | categoryKey; }
    static constexpr DWORD contactKind = 0x80000000;

    std::optional<std::u16string> CategoryName(DWORD number);
    // The categories of an item, in the order they are stored.
    std::vector<DWORD> CategoriesOfItem(DWORD itemKey);
    // The categories that items of `kind` use, sorted by name.
    std::vector<Category> CategoriesInUse(DWORD kind);
    // Every category, sorted by name.
    std::vector<Category> AllCategories();

private:
    static std::unique_ptr<CategoryDatabases> Open();
    static bool OpenOrCreate(PimDatabase&, LPCWSTR name, std::span<const CEPROPID> sortProperties);
    static void SortByName(std::vector<Category>&);

    PimDatabase m_main;
    PimDatabase m_associations;
};

}
