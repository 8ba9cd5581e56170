// The kernel functions of the device interface, carried out on the calling emulated thread.
#include "platform/api/WinBase.h"

#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/EventObject.h"
#include "platform/emu/FileObject.h"
#include "platform/emu/MappingObject.h"
#include "platform/emu/MemoryRegion.h"
#include "platform/emu/MutexObject.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>

using namespace emu;

namespace {

const HANDLE currentProcessPseudoHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
const HANDLE currentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

EmuThread& self()
{
    return *currentThread();
}

Device& device()
{
    return currentDevice();
}

std::shared_ptr<KernelObject> resolve(HANDLE handle)
{
    if (handle == currentProcessPseudoHandle)
        return device().findProcess(self().process().id());
    if (handle == currentThreadPseudoHandle)
        return std::static_pointer_cast<KernelObject>(self().shared_from_this());
    return device().handles().get(handle);
}

std::optional<std::uint64_t> deadlineAfter(DWORD milliseconds)
{
    if (milliseconds == INFINITE)
        return std::nullopt;
    return device().clock().now() + milliseconds;
}

std::string nameForReports(LPCWSTR name)
{
    return name ? toUtf8(name) : std::string();
}

// Creates or opens a named object of type T; another type under the same name fails the call.
template <class T, class Create>
HANDLE createNamed(LPCWSTR name, Create create, std::shared_ptr<T>* opened = nullptr)
{
    Device& dev = device();
    if (name && *name) {
        if (auto existing = dev.namedObjects().find(name)) {
            auto typed = std::dynamic_pointer_cast<T>(existing);
            if (!typed) {
                SetLastError(ERROR_INVALID_HANDLE);
                return nullptr;
            }
            if (opened)
                *opened = typed;
            SetLastError(ERROR_ALREADY_EXISTS);
            return dev.handles().add(typed);
        }
    }
    std::shared_ptr<T> object = create();
    if (!object)
        return nullptr;
    if (name && *name)
        dev.namedObjects().add(name, object);
    SetLastError(ERROR_SUCCESS);
    return dev.handles().add(object);
}

}

DWORD GetLastError()
{
    return self().lastError;
}

void SetLastError(DWORD error)
{
    self().lastError = error;
}

// ---- Time

DWORD GetTickCount()
{
    return static_cast<DWORD>(device().clock().now());
}

void GetLocalTime(SYSTEMTIME* time)
{
    *time = systemTimeFromWall(device().clock().localNow());
}

void GetSystemTime(SYSTEMTIME* time)
{
    *time = systemTimeFromWall(device().clock().systemNow());
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime)
{
    if (systemTime->wMonth < 1 || systemTime->wMonth > 12 || systemTime->wDay < 1 || systemTime->wDay > 31
        || systemTime->wHour > 23 || systemTime->wMinute > 59 || systemTime->wSecond > 59 || systemTime->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = fileTimeFromWall(wallFromSystemTime(*systemTime));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime)
{
    *systemTime = systemTimeFromWall(wallFromFileTime(*fileTime));
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime)
{
    *localFileTime = fileTimeFromWall(wallFromFileTime(*fileTime) + device().clock().localBias());
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime)
{
    *fileTime = fileTimeFromWall(wallFromFileTime(*localFileTime) - device().clock().localBias());
    return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second)
{
    const auto a = (static_cast<std::uint64_t>(first->dwHighDateTime) << 32) | first->dwLowDateTime;
    const auto b = (static_cast<std::uint64_t>(second->dwHighDateTime) << 32) | second->dwLowDateTime;
    return a < b ? -1 : a > b ? 1 : 0;
}

// ---- Handles and waits

BOOL CloseHandle(HANDLE handle)
{
    if (!device().handles().remove(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<KernelObject>> objects;
    std::string what = count == 1 ? "WaitForSingleObject(" : waitAll ? "WaitForMultipleObjects(all of " : "WaitForMultipleObjects(any of ";
    for (DWORD i = 0; i < count; ++i) {
        auto object = resolve(handles[i]);
        if (!object || !object->isWaitable()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        what += (i ? ", " : "") + object->describe();
        objects.push_back(std::move(object));
    }
    what += ")";

    EmuThread& waiter = self();
    DWORD result = WAIT_TIMEOUT;
    auto tryComplete = [&]() {
        if (waitAll) {
            if (!std::all_of(objects.begin(), objects.end(), [&](const auto& o) { return o->isSignaledFor(waiter); }))
                return false;
            bool abandoned = false;
            for (const auto& object : objects)
                abandoned |= object->take(waiter) == KernelObject::Taken::Abandoned;
            result = abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
            return true;
        }
        for (DWORD i = 0; i < objects.size(); ++i) {
            if (!objects[i]->isSignaledFor(waiter))
                continue;
            const bool abandoned = objects[i]->take(waiter) == KernelObject::Taken::Abandoned;
            result = (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
            return true;
        }
        return false;
    };
    if (device().scheduler().block(WaitRequest { tryComplete, deadlineAfter(milliseconds), what }) == WakeReason::TimedOut)
        return WAIT_TIMEOUT;
    return result;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        device().scheduler().yield();
        return;
    }
    device().scheduler().block(WaitRequest { nullptr, deadlineAfter(milliseconds),
        milliseconds == INFINITE ? "Sleep(INFINITE)" : "Sleep(" + std::to_string(milliseconds) + ")" });
}

// ---- Synchronisation objects

HANDLE CreateMutex(SECURITY_ATTRIBUTES*, BOOL initialOwner, LPCWSTR name)
{
    return createNamed<MutexObject>(name, [&] {
        auto mutex = std::make_shared<MutexObject>(nameForReports(name));
        if (initialOwner)
            mutex->take(self());
        return mutex;
    });
}

BOOL ReleaseMutex(HANDLE handle)
{
    const auto mutex = device().handles().getAs<MutexObject>(handle);
    if (!mutex || !mutex->release(self())) {
        SetLastError(mutex ? ERROR_NOT_OWNER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    device().scheduler().wakeWaiters();
    return TRUE;
}

HANDLE CreateEvent(SECURITY_ATTRIBUTES*, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    return createNamed<EventObject>(name, [&] {
        return std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE, nameForReports(name));
    });
}

namespace {
template <class Action>
BOOL withEvent(HANDLE handle, Action action)
{
    const auto event = device().handles().getAs<EventObject>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    action(*event);
    return TRUE;
}
}

BOOL SetEvent(HANDLE handle)
{
    return withEvent(handle, [](EventObject& event) {
        event.set();
        device().scheduler().wakeWaiters();
    });
}

BOOL ResetEvent(HANDLE handle)
{
    return withEvent(handle, [](EventObject& event) { event.reset(); });
}

BOOL PulseEvent(HANDLE handle)
{
    // Releases the threads waiting at this moment, then leaves the event reset.
    return withEvent(handle, [](EventObject& event) {
        event.set();
        device().scheduler().wakeWaiters();
        event.reset();
    });
}

// ---- Processes and threads

BOOL CreateProcess(LPCWSTR applicationName, LPCWSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                   DWORD, LPVOID, LPCWSTR, STARTUPINFO*, PROCESS_INFORMATION* information)
{
    std::u16string program = applicationName ? std::u16string(applicationName) : std::u16string();
    std::u16string arguments = commandLine ? std::u16string(commandLine) : std::u16string();
    if (program.empty()) {
        // Without an application name the first word of the command line names the program.
        const auto end = arguments.find(u' ');
        program = arguments.substr(0, end);
        arguments = end == std::u16string::npos ? std::u16string() : arguments.substr(end + 1);
    }
    Device& dev = device();
    const auto process = dev.startProgram(program, arguments);
    if (!process) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (information) {
        information->hProcess = dev.handles().add(process);
        information->hThread = dev.handles().add(process->threads().front());
        information->dwProcessId = process->id();
        information->dwThreadId = process->threads().front()->id();
    }
    return TRUE;
}

void ExitProcess(UINT exitCode)
{
    Process& process = self().process();
    device().terminateProcess(process, exitCode);
    throw ThreadExitRequest { exitCode };
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode)
{
    const auto process = std::dynamic_pointer_cast<Process>(resolve(handle));
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    device().terminateProcess(*process, exitCode);
    if (process.get() == &self().process())
        self().endTerminated();
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, DWORD* exitCode)
{
    const auto process = std::dynamic_pointer_cast<Process>(resolve(handle));
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = process->finished() ? process->exitCode() : STILL_ACTIVE;
    return TRUE;
}

HANDLE GetCurrentProcess()
{
    return currentProcessPseudoHandle;
}

DWORD GetCurrentProcessId()
{
    return self().process().id();
}

HANDLE OpenProcess(DWORD, BOOL, DWORD processId)
{
    const auto process = device().findProcess(processId);
    if (!process || process->finished()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return device().handles().add(process);
}

HANDLE CreateThread(SECURITY_ATTRIBUTES*, DWORD, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD, DWORD* threadId)
{
    Device& dev = device();
    const auto thread = dev.createThread(self().process(), [start, parameter] { return start(parameter); });
    if (threadId)
        *threadId = thread->id();
    return dev.handles().add(thread);
}

void ExitThread(DWORD exitCode)
{
    throw ThreadExitRequest { exitCode };
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode)
{
    const auto thread = std::dynamic_pointer_cast<EmuThread>(resolve(handle));
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = thread->finished() ? thread->exitCode() : STILL_ACTIVE;
    return TRUE;
}

HANDLE GetCurrentThread()
{
    return currentThreadPseudoHandle;
}

DWORD GetCurrentThreadId()
{
    return self().id();
}

BOOL SetThreadPriority(HANDLE handle, int priority)
{
    const auto thread = std::dynamic_pointer_cast<EmuThread>(resolve(handle));
    if (!thread || priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE) {
        SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    thread->priority = priority;
    return TRUE;
}

int GetThreadPriority(HANDLE handle)
{
    const auto thread = std::dynamic_pointer_cast<EmuThread>(resolve(handle));
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    return thread->priority;
}

HMODULE GetModuleHandle(LPCWSTR moduleName)
{
    const Process& process = self().process();
    if (!moduleName || equalsIgnoringCase(moduleName, process.imagePath())
        || equalsIgnoringCase(moduleName, process.imagePath().substr(process.imagePath().find_last_of(u'\\') + 1)))
        return process.instance();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileName(HMODULE module, LPWSTR fileName, DWORD size)
{
    const Process& process = self().process();
    if (module && module != process.instance()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::u16string& path = process.imagePath();
    const DWORD copied = std::min<DWORD>(static_cast<DWORD>(path.size()), size - 1);
    std::copy_n(path.begin(), copied, fileName);
    fileName[copied] = 0;
    if (copied < path.size())
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return copied;
}

// ---- Libraries

HMODULE LoadLibrary(LPCWSTR libraryName)
{
    DWORD error = 0;
    HMODULE module = libraryName ? device().libraries().load(libraryName, error) : nullptr;
    if (!module)
        SetLastError(libraryName ? error : ERROR_INVALID_PARAMETER);
    return module;
}

BOOL FreeLibrary(HMODULE library)
{
    if (!device().libraries().release(library)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

FARPROC GetProcAddress(HMODULE library, LPCWSTR procName)
{
    DWORD error = 0;
    FARPROC function = device().libraries().lookup(library, procName, error);
    if (!function)
        SetLastError(error);
    return function;
}

// ---- Memory mappings

HANDLE CreateFileMapping(HANDLE file, SECURITY_ATTRIBUTES*, DWORD protect, DWORD maximumSizeHigh, DWORD maximumSizeLow,
                         LPCWSTR name)
{
    const bool writable = protect == PAGE_READWRITE;
    const std::uint64_t requested = (static_cast<std::uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
    return createNamed<MappingObject>(name, [&]() -> std::shared_ptr<MappingObject> {
        std::shared_ptr<MemoryRegion> region;
        if (file == INVALID_HANDLE_VALUE) {
            if (requested == 0) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            region = MemoryRegion::anonymous(requested);
        } else {
            const auto fileObject = device().handles().getAs<FileObject>(file);
            if (!fileObject || !fileObject->canRead() || (writable && !fileObject->canWrite())) {
                SetLastError(fileObject ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
                return nullptr;
            }
            const std::uint64_t size = requested ? requested : fileObject->size();
            if (size == 0 || (!writable && size > fileObject->size())) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            if (size > fileObject->size() && !fileObject->resize(size)) {
                SetLastError(ERROR_WRITE_FAULT);
                return nullptr;
            }
            region = MemoryRegion::ofFile(fileObject->hostFd(), size, writable);
            // Writes through the view change the file: its date comes from the device's clock.
            if (writable)
                fileObject->markWritten(unixSecondsFromWall(device().clock().systemNow()));
        }
        if (!region) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        return std::make_shared<MappingObject>(std::move(region), writable, nameForReports(name));
    });
}

LPVOID MapViewOfFile(HANDLE handle, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, DWORD bytesToMap)
{
    const auto mapping = device().handles().getAs<MappingObject>(handle);
    if (!mapping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::uint64_t offset = (static_cast<std::uint64_t>(offsetHigh) << 32) | offsetLow;
    const auto& region = mapping->region();
    if ((desiredAccess & FILE_MAP_WRITE) && !mapping->writable()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (offset > region->size() || bytesToMap > region->size() - offset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::byte* base = region->data() + offset;
    device().addView(base, region);
    return base;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress)
{
    if (!device().removeView(baseAddress)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL FlushViewOfFile(LPCVOID baseAddress, DWORD)
{
    const auto region = device().findView(baseAddress);
    if (!region) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    region->flush();
    return TRUE;
}

// ---- Keyboard

short GetAsyncKeyState(int virtualKey)
{
    return device().isKeyDown(virtualKey) ? static_cast<short>(0x8000) : 0;
}
