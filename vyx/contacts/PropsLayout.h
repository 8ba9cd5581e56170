// PropsLayout: where every field of "\pim_index2.dat" lies. Offsets are byte offsets from data offset
// 0; integers are 32-bit little-endian unless their width says otherwise; 0 as an offset means "none".
#pragma once

#include "platform/api/WinTypes.h"

namespace vyx::PropsLayout {

// ---- Header
constexpr DWORD formatWord1 = 0;
constexpr DWORD formatWord2 = 4;
constexpr DWORD volumeTimeLow = 8;
constexpr DWORD volumeTimeHigh = 12;
constexpr DWORD busyMark = 16;  // 8 bits; the three bytes after it are zero
constexpr DWORD firstRecord = 20;
constexpr DWORD recordCount = 24;
// The block area's own offsets count from here.
constexpr DWORD blockArea = 28;
constexpr DWORD firstFreeBlock = blockArea + 0;
constexpr DWORD neverUsed = blockArea + 4;
constexpr DWORD freeBlockCount = blockArea + 8;
// The never-used offset of a new store: the first block lies right after the header.
constexpr DWORD firstBlockAreaOffset = 12;
constexpr DWORD headerSize = blockArea + firstBlockAreaOffset;

constexpr DWORD formatWord1Value = 1;
constexpr DWORD formatWord2Value = 5;
// A store with no more data than this is not valid.
constexpr DWORD minimumDataLength = 28;

// ---- Blocks of 128 bytes. A free block holds the block-area offsets of the next and previous free
// block in its first two words.
constexpr DWORD blockSize = 128;
constexpr DWORD freeNext = 0;
constexpr DWORD freePrevious = 4;

// ---- A record's first block
constexpr DWORD blockNext = 0;
constexpr DWORD recordLength = 4;
constexpr DWORD recordPrevious = 8;
constexpr DWORD recordNext = 12;
constexpr DWORD firstBlockData = 16;
constexpr DWORD firstBlockCapacity = blockSize - firstBlockData;  // 112
// ---- Every further block of a record
constexpr DWORD laterBlockData = 4;
constexpr DWORD laterBlockCapacity = blockSize - laterBlockData;  // 124

// ---- Sizing a new store
constexpr DWORD smallDataLength = 1024;
constexpr DWORD sizeSlack = 40;

}
