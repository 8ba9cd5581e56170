// Kernel services of the device: time, processes and threads, waits, named synchronisation objects,
// memory mappings, libraries and the last-error value.
#pragma once

#include "platform/api/WinTypes.h"

// ---- Errors
DWORD GetLastError();
void SetLastError(DWORD error);

// ---- Time
DWORD GetTickCount();
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime);
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);

// ---- Handles and waits
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
void Sleep(DWORD milliseconds);

// ---- Synchronisation objects; a name makes the object shared by every process that uses it
struct SECURITY_ATTRIBUTES;
HANDLE CreateMutex(SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateEvent(SECURITY_ATTRIBUTES* attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
BOOL PulseEvent(HANDLE event);

// ---- Processes and threads
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
struct STARTUPINFO;

constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 0x4;

constexpr int THREAD_PRIORITY_TIME_CRITICAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;
constexpr int THREAD_PRIORITY_ABOVE_IDLE = 6;
constexpr int THREAD_PRIORITY_IDLE = 7;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

BOOL CreateProcess(LPCWSTR applicationName, LPCWSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                   SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                   LPVOID environment, LPCWSTR currentDirectory, STARTUPINFO* startupInfo,
                   PROCESS_INFORMATION* processInformation);
[[noreturn]] void ExitProcess(UINT exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
HANDLE GetCurrentProcess();
DWORD GetCurrentProcessId();
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);

HANDLE CreateThread(SECURITY_ATTRIBUTES* attributes, DWORD stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, DWORD* threadId);
[[noreturn]] void ExitThread(DWORD exitCode);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

HMODULE GetModuleHandle(LPCWSTR moduleName);
DWORD GetModuleFileName(HMODULE module, LPWSTR fileName, DWORD size);

// ---- Libraries of the device's library table
HMODULE LoadLibrary(LPCWSTR libraryName);
BOOL FreeLibrary(HMODULE library);
FARPROC GetProcAddress(HMODULE library, LPCWSTR procName);
// By ordinal: the ordinal in the low word of the name's pointer value, as the platform does it.
inline LPCWSTR MAKEINTRESOURCE(WORD ordinal) { return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(ordinal)); }
inline bool IS_INTRESOURCE(LPCWSTR name) { return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0; }

// ---- Memory mappings: page-file-backed when the file handle is INVALID_HANDLE_VALUE
constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD FILE_MAP_WRITE = 0x0002;
constexpr DWORD FILE_MAP_READ = 0x0004;
constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001F;

HANDLE CreateFileMapping(HANDLE file, SECURITY_ATTRIBUTES* attributes, DWORD protect, DWORD maximumSizeHigh,
                         DWORD maximumSizeLow, LPCWSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, DWORD bytesToMap);
BOOL UnmapViewOfFile(LPCVOID baseAddress);
BOOL FlushViewOfFile(LPCVOID baseAddress, DWORD bytesToFlush);

// ---- Memory. Blocks never move; a heap's blocks go with it when it is destroyed. LocalFree returns
// null when it freed the block, and the block itself when it was no block of the local heap.
using HLOCAL = HANDLE;
constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);

constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;
HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize);
BOOL HeapDestroy(HANDLE heap);
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);
// The heap LocalAlloc takes its blocks from.
HANDLE GetProcessHeap();

// ---- Keyboard state kept by the device
short GetAsyncKeyState(int virtualKey);
