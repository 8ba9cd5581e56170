// FuzzDevice: the device a store fuzzer opens its inputs on, as files in the device's root folder.
#pragma once

#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

// A device serves many inputs, since one per input would cost more than the input; it is renewed now
// and then, because it keeps every ended program until it goes.
class FuzzDevice {
public:
    static constexpr int inputsPerDevice = 8;

    emu::Device& next()
    {
        if (!m_device || ++m_inputs == inputsPerDevice) {
            m_device.reset();
            m_device = std::make_unique<emu::Device>(m_folder.path(), emu::DeviceProfile {}, m_transcript);
            m_inputs = 0;
        }
        return *m_device;
    }

    // The host file of a file in the device's root folder.
    std::filesystem::path file(const char* name) const { return m_folder.path() / name; }

    // Runs `body` as a program on the current device until it ends.
    void run(const std::function<void()>& body)
    {
        m_device->installProgram(u"\\Windows\\fuzz.exe", [&body](HINSTANCE, const std::u16string&) {
            body();
            return 0;
        });
        const auto process = m_device->startProgram(u"fuzz", u"");
        if (m_device->runUntil([&] { return process->finished(); }, std::nullopt) != emu::RunOutcome::Done)
            __builtin_trap();
    }

private:
    testing_support::TempFolder m_folder;
    std::ostream m_discarded { nullptr };
    emu::Transcript m_transcript { m_discarded };
    std::unique_ptr<emu::Device> m_device;
    int m_inputs { 0 };
};

// The device outlives inputs, so what one input allocates is freed inputs later: leak checks after
// inputs would only find the device. The sanitizer test run checks the stores for leaks.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

// The device folder goes to memory where the host has it: a damaged store makes the program note in
// the device's settings that it cannot be trusted, and every such write syncs the registry file.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 0);
    return 0;
}
