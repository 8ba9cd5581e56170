// ContactPicture: the picture stored with a contact (property 0xFF), decoded by the device's imaging
// component and drawn at its own size into a 24-bit bitmap. It keeps the rows as a device-independent
// bitmap holds them (blue, green, red; each row padded to four bytes; bottom row first), so that the
// caller screen copies them straight into one. Records share it.
#pragma once

#include "platform/api/WinTypes.h"

#include <memory>
#include <span>
#include <vector>

struct IImage;

namespace vyx {

class ContactPicture {
public:
    static constexpr WORD planes = 1;
    static constexpr WORD bitsPerPixel = 24;

    // The picture of a stored value; none for an empty value, one made only of zero bytes, or one the
    // imaging component refuses.
    static std::shared_ptr<const ContactPicture> Decode(std::span<const BYTE> value);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BytesPerRow() const { return m_bytesPerRow; }
    // BytesPerRow() × Height() bytes, bottom row first.
    const std::vector<BYTE>& Rows() const { return m_rows; }
    // The colour at (x, y), 0 being the top row; black outside the picture.
    COLORREF Pixel(int x, int y) const;

private:
    ContactPicture(int width, int height, int bytesPerRow, std::vector<BYTE> rows);
    // Draws the image at its own size into a 24-bit bitmap of a memory context and takes its rows; none
    // when any step fails.
    static std::shared_ptr<const ContactPicture> Render(IImage&);

    int m_width;
    int m_height;
    int m_bytesPerRow;
    std::vector<BYTE> m_rows;
};

}
