// Process-wide values: what a program keeps for the whole process lives here, one copy per emulated
// process, so that two copies of a program run side by side without sharing anything by accident.
#pragma once

#include <memory>

namespace platform {

class ProcessValue {
public:
    virtual ~ProcessValue() = default;
};

// The value stored under `key` in the calling process; `make` creates it on first use.
ProcessValue& processValue(const void* key, std::unique_ptr<ProcessValue> (*make)());

namespace detail {
template <class T>
struct ProcessValueOf final : ProcessValue {
    T value {};
};
template <class T>
inline constexpr char processValueKey = 0;
}

// The calling process's single T, value-initialised on first use and destroyed when the process ends.
template <class T>
T& processGlobal()
{
    auto make = []() -> std::unique_ptr<ProcessValue> { return std::make_unique<detail::ProcessValueOf<T>>(); };
    return static_cast<detail::ProcessValueOf<T>&>(processValue(&detail::processValueKey<T>, make)).value;
}

}
