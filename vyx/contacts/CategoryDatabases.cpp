#include "vyx/contacts/CategoryDatabases.h"

#include "platform/api/ProcessStorage.h"
#include "platform/api/WinNls.h"
#include "vyx/contacts/CategoryTables.h"

#include <algorithm>
#include <array>

namespace vyx {

namespace {

constexpr CEPROPID categoryNumberId = MAKEPROPID(1, CEVT_AUTO_I4);
constexpr CEPROPID categoryNameId = MAKEPROPID(2, CEVT_LPWSTR);
constexpr CEPROPID itemKeyId = MAKEPROPID(1, CEVT_UI4);
constexpr CEPROPID itemCategoryId = MAKEPROPID(2, CEVT_I4);
constexpr WORD categoryKeyFlags = CEDB_SORT_NO_POSITIONAL | CEDB_SORT_PRIMARYKEY;
constexpr DWORD kindMask = 0xF0000000;

struct CategoriesOfProcess {
    std::unique_ptr<CategoryDatabases> databases;
};

const PropertyValue* find(const std::vector<PropertyValue>& values, CEPROPID id)
{
    for (const PropertyValue& value : values) {
        if (value.Id() == id && !value.IsAbsent())
            return &value;
    }
    return nullptr;
}

}

CategoryDatabases* CategoryDatabases::Instance()
{
    auto& categories = platform::processGlobal<CategoriesOfProcess>();
    if (!categories.databases)
        categories.databases = Open();
    return categories.databases.get();
}

std::unique_ptr<CategoryDatabases> CategoryDatabases::Open()
{
    auto databases = std::unique_ptr<CategoryDatabases>(new CategoryDatabases);
    const std::array mainSort { categoryNumberId };
    const std::array associationSort { itemKeyId, itemCategoryId };
    if (!OpenOrCreate(databases->m_main, u"CategoryMainDB", mainSort)
        || !OpenOrCreate(databases->m_associations, u"CategoryAssocDB", associationSort))
        return nullptr;
    return databases;
}

bool CategoryDatabases::OpenOrCreate(PimDatabase& database, LPCWSTR name, std::span<const CEPROPID> sortProperties)
{
    if (database.Open(name, sortProperties, categoryKeyFlags, nullptr))
        return true;
    CategoryTables::Create();
    return database.Open(name, sortProperties, categoryKeyFlags, nullptr);
}

std::optional<std::u16string> CategoryDatabases::CategoryName(DWORD number)
{
    m_main.SetAutoAdvance(false);
    if (!m_main.SeekEqual(PropertyValue::Dword(categoryNumberId, number)))
        return std::nullopt;
    const std::vector<CEPROPID> wanted { categoryNameId };
    CEOID record = 0;
    std::vector<PropertyValue> values;
    if (!m_main.ReadProps(&wanted, record, values))
        return std::nullopt;
    const PropertyValue* name = find(values, categoryNameId);
    if (!name)
        return std::nullopt;
    return name->AsText();
}

std::vector<DWORD> CategoryDatabases::CategoriesOfItem(DWORD itemKey)
{
    std::vector<DWORD> numbers;
    const std::array after { PropertyValue::Dword(itemKeyId, itemKey), PropertyValue::Absent(itemCategoryId) };
    if (!m_associations.SeekAfter(after))
        return numbers;
    m_associations.SetAutoAdvance(true);
    CEOID record = 0;
    std::vector<PropertyValue> values;
    while (m_associations.ReadProps(nullptr, record, values)) {
        const PropertyValue* key = find(values, itemKeyId);
        if (!key || key->AsDword() != itemKey)
            break;
        if (const PropertyValue* category = find(values, itemCategoryId))
            numbers.push_back(category->AsDword());
    }
    m_associations.SetAutoAdvance(false);
    return numbers;
}

std::vector<Category> CategoryDatabases::CategoriesInUse(DWORD kind)
{
    std::vector<DWORD> numbers;
    const std::array from { PropertyValue::Dword(itemKeyId, kind), PropertyValue::Absent(itemCategoryId) };
    if (m_associations.SeekAfter(from)) {
        m_associations.SetAutoAdvance(true);
        CEOID record = 0;
        std::vector<PropertyValue> values;
        while (m_associations.ReadProps(nullptr, record, values)) {
            const PropertyValue* key = find(values, itemKeyId);
            if (!key || (key->AsDword() & kindMask) != (kind & kindMask))
                break;
            const PropertyValue* category = find(values, itemCategoryId);
            if (category && std::find(numbers.begin(), numbers.end(), category->AsDword()) == numbers.end())
                numbers.push_back(category->AsDword());
        }
        m_associations.SetAutoAdvance(false);
    }

    std::vector<Category> categories;
    for (const DWORD number : numbers) {
        if (auto name = CategoryName(number))
            categories.push_back(Category { number, std::move(*name) });
    }
    SortByName(categories);
    return categories;
}

std::vector<Category> CategoryDatabases::AllCategories()
{
    std::vector<Category> categories;
    if (!m_main.SeekFirst())
        return categories;
    m_main.SetAutoAdvance(true);
    CEOID record = 0;
    std::vector<PropertyValue> values;
    while (m_main.ReadProps(nullptr, record, values)) {
        const PropertyValue* number = find(values, categoryNumberId);
        const PropertyValue* name = find(values, categoryNameId);
        if (number && name)
            categories.push_back(Category { number->AsDword(), name->AsText() });
    }
    m_main.SetAutoAdvance(false);
    SortByName(categories);
    return categories;
}

void CategoryDatabases::SortByName(std::vector<Category>& categories)
{
    std::sort(categories.begin(), categories.end(), [](const Category& a, const Category& b) {
        return CompareString(LOCALE_SYSTEM_DEFAULT, 0, a.name.c_str(), -1, b.name.c_str(), -1) == CSTR_LESS_THAN;
    });
}

}
