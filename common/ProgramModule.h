// The module whose resources the common library loads when a caller passes instance 0: the program's
// own module unless the program (or a library such as the service) names another at start-up.
#pragma once

#include "platform/api/WinTypes.h"

HINSTANCE ProgramModule();
void SetProgramModule(HINSTANCE instance);
