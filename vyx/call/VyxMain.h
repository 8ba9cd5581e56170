// Vyx's entry point: the safe-start escape, the preview and shutdown command lines, the single
// resident copy, its start-up and its end.
#pragma once

#include "platform/api/WinTypes.h"

#include <string>

namespace vyx {

int VyxMain(HINSTANCE instance, std::u16string commandLine);

}
