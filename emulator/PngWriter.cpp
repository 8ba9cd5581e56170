#include "emulator/PngWriter.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace devemu {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng reports failures by longjmp, so this frame holds no object with a destructor.
bool encode(std::FILE* file, int width, int height, png_bytepp rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
        PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_rows(png, rows, static_cast<png_uint_32>(height));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}

std::string writePng(const emu::Bitmap& bitmap, const std::filesystem::path& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return "cannot write " + path.string();
    std::vector<png_bytep> rows(static_cast<std::size_t>(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(bitmap.rgb().data() + static_cast<std::size_t>(y) * bitmap.width() * 3);
    if (!encode(file.get(), bitmap.width(), bitmap.height(), rows.data()))
        return "cannot encode " + path.string();
    if (std::fflush(file.get()) != 0)
        return "cannot write " + path.string();
    return {};
}

}
