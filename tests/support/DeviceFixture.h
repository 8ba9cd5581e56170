// A fresh device in a temporary folder, with helpers to run test code as the main routine of an
// emulated process and to read the transcript.
#pragma once

#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

namespace testing_support {

class DeviceFixture : public ::testing::Test {
protected:
    DeviceFixture()
        : m_transcript(m_log)
        , device(std::make_unique<emu::Device>(m_folder.path(), emu::DeviceProfile {}, m_transcript))
    {
    }

    // Replaces the device with a new one of that profile on the same folder.
    void resetDevice(emu::DeviceProfile profile)
    {
        device.reset();
        device = std::make_unique<emu::Device>(m_folder.path(), std::move(profile), m_transcript);
    }

    // Installs a program at "\\Windows\\NAME.exe" whose main routine is `body`, with `resources` when
    // given, and starts it.
    std::shared_ptr<emu::Process> start(const std::u16string& name, std::function<int()> body,
                                        const std::u16string& commandLine = u"",
                                        const platform::ModuleResources* resources = nullptr)
    {
        device->installProgram(u"\\Windows\\" + name + u".exe", [body](HINSTANCE, const std::u16string&) { return body(); },
                               resources);
        return device->startProgram(name, commandLine);
    }

    // Runs `body` as a process's main routine until the process ends; returns its exit code.
    DWORD runProgram(std::function<int()> body, const std::u16string& name = u"test",
                     const platform::ModuleResources* resources = nullptr)
    {
        const auto process = start(name, std::move(body), u"", resources);
        const auto outcome = device->runUntil([&] { return process->finished(); }, std::nullopt);
        EXPECT_EQ(outcome, emu::RunOutcome::Done) << device->deadlockReport();
        return process->exitCode();
    }

    std::string transcript() const { return m_log.str(); }
    const std::filesystem::path& folder() const { return m_folder.path(); }

private:
    TempFolder m_folder;
    std::ostringstream m_log;
    emu::Transcript m_transcript;

protected:
    std::unique_ptr<emu::Device> device;
};

}
