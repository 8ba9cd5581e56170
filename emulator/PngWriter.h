// Writes a device picture as a PNG file on the host.
#pragma once

#include "platform/emu/Bitmap.h"

#include <filesystem>
#include <string>

namespace devemu {

// Returns an empty string on success, otherwise what went wrong.
std::string writePng(const emu::Bitmap&, const std::filesystem::path&);

}
