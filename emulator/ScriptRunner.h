// Carries out devemu's commands on a device, one script line at a time. Every command leaves the
// device idle at the current virtual time; only `run` and the waiting commands move the clock.
#pragma once

#include "platform/emu/Device.h"

#include <functional>
#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace devemu {

class ContactCommands;

class ScriptRunner {
public:
    ScriptRunner(emu::Device&, emu::Transcript&);

    // Runs one line; returns what went wrong, or an empty string.
    std::string runLine(const std::string& line);
    // Runs the lines in order and stops at the first that fails, writing "error: line N: ..." to
    // `errors`. Returns whether every line succeeded.
    bool runScript(const std::vector<std::string>& lines, std::ostream& errors);

private:
    using Arguments = std::vector<std::string>;
    using Command = std::function<void(const Arguments&)>;

    void boot(const Arguments&);
    void start(const Arguments&);
    void waitExit(const Arguments&);
    void run(const Arguments&);
    void key(const Arguments&);
    void tap(const Arguments&);
    void pen(const Arguments&);
    void answer(const Arguments&);
    void choose(const Arguments&);
    void message(const Arguments&, bool send);
    void spy(const Arguments&);
    void windows(const Arguments&);
    void programs(const Arguments&);
    void screenshot(const Arguments&);
    void call(const Arguments&);
    void reg(const Arguments&);
    void keypad(const Arguments&);
    void numbers(const Arguments&);
    void addressBook(const Arguments&, void (ContactCommands::*)(const Arguments&));
    void index(const Arguments&);
    void lookup(const Arguments&);
    void roster(const Arguments&);
    void nameLookup(const Arguments&);

    emu::Device& m_device;
    emu::Transcript& m_transcript;
    std::map<std::string, Command> m_commands;
};

}
