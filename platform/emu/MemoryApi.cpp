// The memory functions of the device interface: the local heap and the heaps programs create.
#include "platform/api/WinBase.h"

#include "platform/emu/Device.h"
#include "platform/emu/HeapTable.h"

using namespace emu;

namespace {

HeapTable& heaps()
{
    return currentDevice().heaps();
}

}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    if (flags & ~LMEM_ZEROINIT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return heaps().localHeap().allocate(bytes, (flags & LMEM_ZEROINIT) != 0);
}

HLOCAL LocalFree(HLOCAL memory)
{
    if (!memory || heaps().localHeap().free(memory))
        return nullptr;
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
}

HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T)
{
    return heaps().create();
}

BOOL HeapDestroy(HANDLE heap)
{
    if (heaps().destroy(heap))
        return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    MemoryHeap* found = heaps().find(heap);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->allocate(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory)
{
    MemoryHeap* found = heaps().find(heap);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!memory || found->free(memory))
        return TRUE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

HANDLE GetProcessHeap()
{
    return heaps().localHeapHandle();
}
