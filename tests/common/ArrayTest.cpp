// Array: growth, count and capacity, removal, and the "Kab Tracer" box for an index out of range,
// after which the access is not performed.
#include "common/Array.h"
#include "common/Str.h"

#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using testing_support::caseName;

namespace {

std::vector<int> itemsOf(const Array<int>& items)
{
    return std::vector<int>(items.GetData(), items.GetData() + items.GetCount());
}

// 10, 20, 30.
Array<int> threeItems()
{
    Array<int> items;
    for (const int value : { 10, 20, 30 })
        items.Add(value);
    return items;
}

class ArrayTest : public testing_support::CommonFixture {
protected:
    bool showedAnyBox() const { return transcript().find("messagebox") != std::string::npos; }
};

TEST(ArrayGrowthTest, AddAppendsAndTheCapacityAtLeastDoubles)
{
    Array<int> items;
    EXPECT_TRUE(items.IsEmpty());
    EXPECT_EQ(items.GetCapacity(), 0);
    std::vector<std::pair<int, int>> countAndCapacity;
    for (int value = 0; value < 9; ++value) {
        EXPECT_EQ(items.Add(value * 10), value);
        countAndCapacity.emplace_back(items.GetCount(), items.GetCapacity());
    }
    EXPECT_EQ(countAndCapacity,
        (std::vector<std::pair<int, int>> { { 1, 4 }, { 2, 4 }, { 3, 4 }, { 4, 4 }, { 5, 8 }, { 6, 8 }, { 7, 8 }, { 8, 8 }, { 9, 16 } }));
    EXPECT_EQ(itemsOf(items), (std::vector<int> { 0, 10, 20, 30, 40, 50, 60, 70, 80 }));
}

TEST(ArrayGrowthTest, SetCountShortensOrLengthensWithDefaults)
{
    Array<int> items = threeItems();
    items.SetCount(2);
    EXPECT_EQ(itemsOf(items), (std::vector<int> { 10, 20 }));
    items.SetCount(5);
    EXPECT_EQ(itemsOf(items), (std::vector<int> { 10, 20, 0, 0, 0 }));
    EXPECT_EQ(items.GetCapacity(), 8);
    items.SetCount(-1);
    EXPECT_TRUE(items.IsEmpty());
}

TEST(ArrayGrowthTest, RemovalClosesTheGapAndRemoveAllFreesTheStorage)
{
    Array<int> items = threeItems();
    items.RemoveAt(0);
    EXPECT_EQ(itemsOf(items), (std::vector<int> { 20, 30 }));
    items.RemoveAt(2);
    items.RemoveAt(-1);
    EXPECT_EQ(itemsOf(items), (std::vector<int> { 20, 30 }));
    items.RemoveAll();
    EXPECT_EQ(items.GetCount(), 0);
    EXPECT_EQ(items.GetCapacity(), 0);
    EXPECT_EQ(items.Add(5), 0);
}

TEST(ArrayGrowthTest, MovingHandsTheElementsOver)
{
    Array<int> source = threeItems();
    Array<int> target(std::move(source));
    EXPECT_EQ(itemsOf(target), (std::vector<int> { 10, 20, 30 }));
    Array<int> assigned;
    assigned = std::move(target);
    EXPECT_EQ(itemsOf(assigned), (std::vector<int> { 10, 20, 30 }));
}

TEST(ArrayGrowthTest, ElementsMayBeStrs)
{
    Array<Str> texts;
    for (int i = 0; i < 6; ++i)
        texts.Add(Str(u"item ") + Str(std::u16string(1, static_cast<char16_t>(u'0' + i)).c_str()));
    texts.RemoveAt(1);
    texts.ElementAt(0) += u"!";
    EXPECT_EQ(texts.GetCount(), 5);
    EXPECT_TRUE(texts.GetAt(0) == u"item 0!");
    EXPECT_TRUE(texts.GetAt(1) == u"item 2");
    EXPECT_TRUE(texts.GetAt(4) == u"item 5");
}

TEST_F(ArrayTest, AccessesInRangeReadAndWriteTheElements)
{
    std::vector<int> after;
    int read = 0;
    runProgram([&] {
        Array<int> items = threeItems();
        items.SetAt(0, 11);
        items.ElementAt(2) += 3;
        read = items.GetAt(1);
        after = itemsOf(items);
        return 0;
    });
    EXPECT_EQ(read, 20);
    EXPECT_EQ(after, (std::vector<int> { 11, 20, 33 }));
    EXPECT_FALSE(showedAnyBox()) << transcript();
}

TEST_F(ArrayTest, RemovingOutsideTheArrayShowsNoBox)
{
    runProgram([] {
        Array<int> items = threeItems();
        items.RemoveAt(3);
        return 0;
    });
    EXPECT_FALSE(showedAnyBox()) << transcript();
}

struct OutOfRangeCase {
    const char* name;
    friend void PrintTo(const OutOfRangeCase& tested, std::ostream* out) { *out << tested.name; }
    // Returns what the access read, or 0 for writes.
    std::function<int(Array<int>&)> access;
    int read;
    const char* box;
};

class ArrayOutOfRangeTest
    : public ArrayTest
    , public ::testing::WithParamInterface<OutOfRangeCase> { };

TEST_P(ArrayOutOfRangeTest, ReportsInTheTracerBoxAndLeavesTheArray)
{
    const OutOfRangeCase& param = GetParam();
    int read = -1;
    std::vector<int> after;
    runProgram([&] {
        Array<int> items = threeItems();
        read = param.access(items);
        after = itemsOf(items);
        return 0;
    });
    EXPECT_EQ(read, param.read);
    EXPECT_EQ(after, (std::vector<int> { 10, 20, 30 }));
    EXPECT_TRUE(transcriptHas(std::string("messagebox \"Kab Tracer\" \"") + param.box + "\" OK -> OK")) << transcript();
}

INSTANTIATE_TEST_SUITE_P(Accesses, ArrayOutOfRangeTest,
    ::testing::Values(
        OutOfRangeCase { "GetAtPastTheEnd", [](Array<int>& items) { return items.GetAt(3); }, 0,
            "Array::GetAt index (3) out of range (3)" },
        OutOfRangeCase { "GetAtNegative", [](Array<int>& items) { return items.GetAt(-1); }, 0,
            "Array::GetAt index (-1) out of range (3)" },
        OutOfRangeCase { "SetAt",
            [](Array<int>& items) {
                items.SetAt(5, 99);
                return 0;
            },
            0, "Array::SetAt index (5) out of range (3)" },
        OutOfRangeCase { "ElementAtGivesADefaultThatGoesNowhere",
            [](Array<int>& items) {
                int& element = items.ElementAt(7);
                const int seen = element;
                element = 99;
                return seen + items.ElementAt(8);
            },
            0, "Array::ElementAt index (7) out of range (3)" }),
    caseName<OutOfRangeCase>);

TEST_F(ArrayTest, PointerArrayReadsNullOutOfRange)
{
    int target = 5;
    int* read = &target;
    runProgram([&] {
        PtrArray<int> pointers;
        pointers.Add(&target);
        read = pointers.GetAt(1);
        return 0;
    });
    EXPECT_EQ(read, nullptr);
    EXPECT_TRUE(transcriptHas("messagebox \"Kab Tracer\" \"Array::GetAt index (1) out of range (1)\" OK -> OK")) << transcript();
}

TEST_F(ArrayTest, EmptyArrayReportsCountZero)
{
    runProgram([] {
        Array<int> items;
        items.SetAt(0, 1);
        return 0;
    });
    EXPECT_TRUE(transcriptHas("messagebox \"Kab Tracer\" \"Array::SetAt index (0) out of range (0)\" OK -> OK")) << transcript();
}

}
