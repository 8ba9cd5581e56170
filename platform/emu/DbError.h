// A failed object store operation: the error code the device reports through GetLastError, and what
// went wrong in words. A failure of the volume file itself (SQLite, the host) is worth telling a
// person; a program's mistake (no such record, a bad argument) is only the program's business.
#pragma once

#include "platform/api/WinTypes.h"

#include <stdexcept>
#include <string>

namespace emu {

class DbError : public std::runtime_error {
public:
    enum class Source { Program, Storage };

    DbError(DWORD code, const std::string& what, Source source = Source::Program)
        : std::runtime_error(what)
        , m_code(code)
        , m_source(source)
    {
    }

    DWORD code() const { return m_code; }
    bool isStorageFailure() const { return m_source == Source::Storage; }

private:
    DWORD m_code;
    Source m_source;
};

}
