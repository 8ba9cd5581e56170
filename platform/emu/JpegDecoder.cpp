#include "platform/emu/JpegDecoder.h"

#include "platform/emu/ImageDecoder.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace emu {

namespace {
// More scans than any encoder writes; a hostile progressive picture could ask for millions, each a pass
// over the whole picture.
constexpr int maxScans = 500;

// Where libjpeg goes when it gives up: back to the decode, through the jump, since it must not return.
struct Escape {
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
};

Escape& escapeOf(j_common_ptr info)
{
    return *reinterpret_cast<Escape*>(info->err);
}

[[noreturn]] void giveUp(j_common_ptr info)
{
    std::longjmp(escapeOf(info).jump, 1);
}

// Warnings are ignored but one: data that ends before the picture does.
void onMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        giveUp(info);
}

void onProgress(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maxScans)
        giveUp(info);
}

// Runs the decompression into `picture`; false when libjpeg gave up or the picture is refused. Nothing
// here owns anything that the jump back could skip: the picture lives in the caller.
bool decompress(jpeg_decompress_struct& info, Escape& escape, std::span<const std::uint8_t> bytes, std::optional<Bitmap>& picture)
{
    if (setjmp(escape.jump))
        return false;
    jpeg_create_decompress(&info);
    info.progress = &escape.progress;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (!ImageDecoder::acceptsSize(info.image_width, info.image_height) || info.jpeg_color_space == JCS_CMYK
        || info.jpeg_color_space == JCS_YCCK)
        return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3)
        return false;
    picture.emplace(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture->row(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}
}

std::optional<Bitmap> JpegDecoder::decode(std::span<const std::uint8_t> bytes)
{
    jpeg_decompress_struct info {};
    Escape escape {};
    info.err = jpeg_std_error(&escape.errors);
    escape.errors.error_exit = giveUp;
    escape.errors.emit_message = onMessage;
    escape.progress.progress_monitor = onProgress;
    std::optional<Bitmap> picture;
    const bool decoded = decompress(info, escape, bytes, picture);
    jpeg_destroy_decompress(&info);
    if (!decoded)
        return std::nullopt;
    return picture;
}

}
