// File services of the device: opening, reading and writing files, their sizes, times and attributes,
// folders, and finding files by pattern. Paths are device paths ("\\Windows\\a.txt"), compared without
// regard to case.
#pragma once

#include "platform/api/WinBase.h"

// Error codes only the file services report.
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_DIRECTORY = 267;

constexpr DWORD MAX_PATH = 260;

// ---- Access, sharing and creation
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

// Of the attributes, the device keeps read-only (and knows folders); the others are accepted and
// not kept. A file with none of them reports FILE_ATTRIBUTE_NORMAL.
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// Accepted and ignored: every read and write completes before the call returns.
struct OVERLAPPED;

HANDLE CreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* securityAttributes,
                  DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten, OVERLAPPED* overlapped);
BOOL FlushFileBuffers(HANDLE file);

// ---- Position and size
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

// Returns the low part of the new position; with `distanceHigh`, the distance and the new position are
// 64 bits wide and the high parts go through it.
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
BOOL SetEndOfFile(HANDLE file);
DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh);

// ---- Times: the device keeps one time per file, its last write, and reports it for all three.
// A write through the device stamps the virtual clock's time, to the second.
BOOL GetFileTime(HANDLE file, FILETIME* creationTime, FILETIME* lastAccessTime, FILETIME* lastWriteTime);
// Only the last-write time is taken; it stays when the file is closed.
BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime, const FILETIME* lastWriteTime);

// ---- Attributes, files and folders
DWORD GetFileAttributes(LPCWSTR fileName);
BOOL SetFileAttributes(LPCWSTR fileName, DWORD attributes);
BOOL DeleteFile(LPCWSTR fileName);
BOOL MoveFile(LPCWSTR existingFileName, LPCWSTR newFileName);
BOOL CopyFile(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);
BOOL CreateDirectory(LPCWSTR pathName, SECURITY_ATTRIBUTES* securityAttributes);
BOOL RemoveDirectory(LPCWSTR pathName);

// The device's folder for temporary files, with its closing backslash. Returns the length written, or
// the size needed (terminator included) when the buffer is too small.
DWORD GetTempPath(DWORD bufferLength, LPWSTR buffer);

// ---- Finding files: "\\Folder\\*.txt", with * and ? matched without regard to case. The entries come
// in the order of their names, compared without regard to case.
struct WIN32_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    WCHAR cFileName[MAX_PATH];
};

HANDLE FindFirstFile(LPCWSTR fileName, WIN32_FIND_DATA* findData);
BOOL FindNextFile(HANDLE findFile, WIN32_FIND_DATA* findData);
BOOL FindClose(HANDLE findFile);
