// A device in a temporary folder for benchmarks, running one program at a time to its end.
#pragma once

#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"

#include <functional>
#include <sstream>

class BenchDevice {
public:
    BenchDevice()
        : m_transcript(m_log)
        , m_device(m_folder.path(), emu::DeviceProfile {}, m_transcript)
    {
    }

    void run(std::function<int()> body)
    {
        m_device.installProgram(u"\\Windows\\bench.exe", [body](HINSTANCE, const std::u16string&) { return body(); });
        const auto process = m_device.startProgram(u"bench", u"");
        m_device.runUntil([&] { return process->finished(); }, std::nullopt);
    }

    emu::Device& device() { return m_device; }

private:
    testing_support::TempFolder m_folder;
    std::ostringstream m_log;
    emu::Transcript m_transcript;
    emu::Device m_device;
};
