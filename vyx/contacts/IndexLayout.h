// IndexLayout: where every field of "\\pim_index1.dat" lies. Offsets are byte offsets from data
// offset 0 (which is file offset 0); every integer is 32-bit little-endian unless its width says
// otherwise, and 0 as an offset means "none". The code reads and writes the file only through these.
#pragma once

#include "platform/api/WinTypes.h"

namespace vyx::IndexLayout {

// ---- Header at data offset 0
constexpr DWORD formatWord1 = 0;
constexpr DWORD formatWord2 = 4;
constexpr DWORD wordTreeRoot = 8;
constexpr DWORD keypadTreeRoot = 12;
constexpr DWORD wordNodeMap = 16;
constexpr DWORD keypadNodeMap = 20;
constexpr DWORD orderList0 = 24;
constexpr DWORD orderList1 = 28;
constexpr DWORD contactTable = 32;
constexpr DWORD headerSize = 36;

constexpr DWORD formatWord1Value = 1;
constexpr DWORD formatWord2Value = 5;

// Data lengths of a new store: Create(size) below this size gets the small length, otherwise
// size + slack rounded down to a multiple of 4.
constexpr DWORD smallCreateLimit = 10240;
constexpr DWORD smallDataLength = 10284;
constexpr DWORD createSlack = 47;
// The size the index is created with.
constexpr DWORD indexCreateSize = 102400;

// ---- Heap from data offset heapStart to the end of the data; offsets inside it are heap offsets
constexpr DWORD heapStart = headerSize;
constexpr DWORD heapTotalSize = 0;
constexpr DWORD heapFirstFree = 4;
constexpr DWORD heapFirstBlock = 8;
// A block: its tag (the payload size, negated while free), the payload, a copy of the tag.
constexpr DWORD tagSize = 4;
constexpr DWORD blockOverhead = 2 * tagSize;
constexpr DWORD minimumPayload = 8;
// A free block's payload starts with the heap offsets of the next and the previous free block.
constexpr DWORD freeNext = 0;
constexpr DWORD freePrevious = 4;
// A fitting free block is split when it holds at least this many bytes more than asked for.
constexpr DWORD splitMargin = 16;
// The least the data grows by when no free block fits.
constexpr DWORD growthStep = 102400;
// Every structure lies in a payload, so an offset before the first payload names none.
constexpr DWORD firstPayload = heapStart + heapFirstBlock + tagSize;

// ---- WordNode
constexpr DWORD nodeParent = 0;
constexpr DWORD nodeHigher = 4;
constexpr DWORD nodeEqual = 8;
constexpr DWORD nodeLower = 12;
constexpr DWORD nodeList = 16;
constexpr DWORD nodeCharacter = 20;  // 16 bits
constexpr DWORD nodeTailFlag = 22;   // 8 bits
constexpr DWORD nodeZero = 23;       // 8 bits
constexpr DWORD nodeTail = 24;       // only in nodes with a tail
constexpr DWORD plainNodeSize = 24;
constexpr DWORD tailNodeSize = 28;
constexpr BYTE tailFlagSet = 255;

// ---- Counted lists: OidList, OrderList (count, then 4-byte identifiers); NodeChainMap and
// ContactTable (count, then 8-byte pairs)
constexpr DWORD listCount = 0;
constexpr DWORD listEntries = 4;
constexpr DWORD identifierSize = 4;
constexpr DWORD pairSize = 8;
constexpr DWORD pairSecond = 4;

// ---- NodeChain block
constexpr DWORD chainNext = 0;
constexpr DWORD chainPrevious = 4;
constexpr DWORD chainCount = 8;
constexpr DWORD chainSlots = 12;
constexpr DWORD chainSlotCount = 20;
constexpr DWORD chainBlockSize = chainSlots + 4 * chainSlotCount;

}
