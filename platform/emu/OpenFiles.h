// The files the device has open, by host path, and the sharing rule between opens of one file: an
// open must allow the access of every other open of the file and ask only for access they allow.
#pragma once

#include "platform/api/WinTypes.h"

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace emu {

class FileObject;

class OpenFiles {
public:
    void add(const std::shared_ptr<FileObject>&);
    // Whether an open of the file with that access and sharing goes along with its opens so far. An
    // open asking for neither reading nor writing takes no part in sharing.
    bool admits(const std::filesystem::path& hostPath, DWORD access, DWORD shareMode);
    bool isOpen(const std::filesystem::path& hostPath);
    // Whether a file inside that folder, at any depth, is open.
    bool isOpenWithin(const std::filesystem::path& folder);

private:
    // Files are forgotten once their last handle has gone.
    void forgetClosed();

    std::map<std::filesystem::path, std::vector<std::weak_ptr<FileObject>>> m_files;
};

}
