// What the common library's tests share: a fresh device, programs with a string table, the bytes of
// the device's error log and the lines of the transcript.
#pragma once

#include "platform/api/ModuleResources.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace testing_support {

class CommonFixture : public DeviceFixture {
protected:
    // Runs `body` as the main routine of a program carrying `resources`, until the program ends.
    void runWithResources(const platform::ModuleResources& resources, std::function<int()> body)
    {
        device->installProgram(u"\\Windows\\withres.exe", [body](HINSTANCE, const std::u16string&) { return body(); },
                               &resources);
        const auto process = device->startProgram(u"withres", u"");
        const auto outcome = device->runUntil([&] { return process->finished(); }, std::nullopt);
        EXPECT_EQ(outcome, emu::RunOutcome::Done) << device->deadlockReport();
    }

    // The bytes of "\\error.log", empty when there is none.
    std::string errorLog() const
    {
        std::ifstream file(folder() / "error.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    bool transcriptHas(const std::string& line) const { return transcript().find(line + "\n") != std::string::npos; }
};

}
