// File and memory-block utilities: deleting a folder with everything in it, the all-zero test and
// finding a byte sequence.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstddef>

// Deletes the files and subfolders of `folder`, recursively, then the folder itself. Returns whether
// the folder is gone.
bool DeleteFolder(LPCWSTR folder);

bool IsAllZero(const void* block, std::size_t size);

// Offset of the first occurrence of `pattern` in `block`, or -1. An empty pattern is found at 0.
std::ptrdiff_t FindBytes(const void* block, std::size_t size, const void* pattern, std::size_t patternSize);
