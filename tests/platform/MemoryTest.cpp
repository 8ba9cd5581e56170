// The device's memory functions: blocks of the local heap and of heaps programs create, zeroed when
// asked, freed once, and gone with their heap.
#include "platform/api/WinBase.h"
#include "tests/support/DeviceFixture.h"

#include <algorithm>

namespace {

class MemoryTest : public testing_support::DeviceFixture { };

TEST_F(MemoryTest, LocalBlocksAreZeroedWhenAskedAndFreedOnce)
{
    runProgram([&] {
        auto* zeroed = static_cast<BYTE*>(LocalAlloc(LPTR, 64));
        EXPECT_TRUE(std::all_of(zeroed, zeroed + 64, [](BYTE b) { return b == 0; }));
        EXPECT_NE(LocalAlloc(LMEM_FIXED, 0), nullptr);
        EXPECT_EQ(LocalAlloc(0x2, 8), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(LocalFree(zeroed), nullptr);
        EXPECT_EQ(LocalFree(zeroed), zeroed);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(LocalFree(nullptr), nullptr);
        return 0;
    });
}

TEST_F(MemoryTest, HeapBlocksBelongToTheirHeapAndGoWithIt)
{
    runProgram([&] {
        const HANDLE heap = HeapCreate(0, 0, 0);
        const HANDLE other = HeapCreate(0, 0, 0);
        EXPECT_NE(heap, nullptr);
        auto* block = static_cast<BYTE*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 32));
        EXPECT_TRUE(std::all_of(block, block + 32, [](BYTE b) { return b == 0; }));
        EXPECT_FALSE(HeapFree(other, 0, block));
        EXPECT_TRUE(HeapFree(heap, 0, block));
        EXPECT_FALSE(HeapFree(heap, 0, block));
        HeapAlloc(heap, 0, 16);
        EXPECT_TRUE(HeapDestroy(heap));
        EXPECT_FALSE(HeapDestroy(heap));
        EXPECT_EQ(HeapAlloc(heap, 0, 16), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        // The process heap is LocalAlloc's, and stays.
        void* local = HeapAlloc(GetProcessHeap(), 0, 8);
        EXPECT_EQ(LocalFree(local), nullptr);
        EXPECT_FALSE(HeapDestroy(GetProcessHeap()));
        EXPECT_TRUE(HeapDestroy(other));
        return 0;
    });
}

}
