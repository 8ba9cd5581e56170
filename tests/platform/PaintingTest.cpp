// Painting: what windows draw in WM_PAINT is what the composed screen shows, at the right pixels.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinGdi.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Bitmap.h"
#include "platform/emu/WindowManager.h"

#include <string>
#include <vector>

using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;

namespace {

class PaintingTest : public testing_support::DeviceFixture { };

constexpr COLORREF red = RGB(200, 30, 40);
constexpr COLORREF blue = RGB(20, 40, 220);
constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF desktop = RGB(0, 0, 0);

// Paints `area` of the client with a solid brush of `color`.
MessageHandler paintRectangle(RECT area, COLORREF color)
{
    return [area, color](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(hwnd, &paint);
        const HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &paint);
        return 0;
    };
}

TEST_F(PaintingTest, WindowPaintedWithASolidBrushShowsThatColourOnTheScreen)
{
    // A window at (20, 30), 100 x 80, on a white background, with a red rectangle from (10, 10) to
    // (50, 40) of its client; a child at (60, 50) of it, 30 x 20, all blue.
    MessageHandler window = paintRectangle(RECT { 10, 10, 50, 40 }, red);
    MessageHandler child = paintRectangle(RECT { 0, 0, 30, 20 }, blue);
    const auto process = start(u"painter", [&] {
        registerScriptedClass(u"Painted", static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const HWND parent = createScriptedWindow(window, { .className = u"Painted", .style = WS_POPUP | WS_VISIBLE, .rect = { 20, 30, 120, 110 } });
        createScriptedWindow(child, { .className = u"Painted", .style = WS_CHILD | WS_VISIBLE, .rect = { 60, 50, 90, 70 }, .parent = parent });
        return runMessageLoop();
    });
    device->runUntilIdle();
    ASSERT_FALSE(process->finished());

    struct Probe {
        int x;
        int y;
        COLORREF expected;
        const char* where;
    };
    const std::vector<Probe> probes {
        { 30, 40, red, "top left of the rectangle" },
        { 69, 69, red, "bottom right of the rectangle" },
        { 70, 70, white, "just past the rectangle" },
        { 25, 35, white, "background inside the window" },
        { 80, 80, blue, "top left of the child" },
        { 109, 99, blue, "bottom right of the child" },
        { 110, 100, white, "just past the child" },
        { 119, 109, white, "bottom right of the window" },
        { 19, 29, desktop, "just before the window" },
        { 120, 110, desktop, "just past the window" },
    };
    const emu::Bitmap screen = device->windows().composeScreen();
    for (const Probe& probe : probes)
        EXPECT_EQ(screen.pixel(probe.x, probe.y), probe.expected) << probe.where << " (" << probe.x << ", " << probe.y << ")";
}

TEST_F(PaintingTest, WindowAboveCoversTheOneBelowAndAHiddenWindowShowsNothing)
{
    MessageHandler below = paintRectangle(RECT { 0, 0, 100, 100 }, red);
    MessageHandler above = paintRectangle(RECT { 0, 0, 100, 100 }, blue);
    MessageHandler hidden = paintRectangle(RECT { 0, 0, 240, 320 }, white);
    const auto process = start(u"painter", [&] {
        registerScriptedClass();
        createScriptedWindow(below, { .style = WS_POPUP | WS_VISIBLE, .rect = { 0, 0, 100, 100 } });
        createScriptedWindow(above, { .style = WS_POPUP | WS_VISIBLE, .rect = { 50, 50, 150, 150 } });
        const HWND gone = createScriptedWindow(hidden, { .style = WS_POPUP | WS_VISIBLE, .rect = { 0, 0, 240, 320 } });
        UpdateWindow(gone);
        ShowWindow(gone, SW_HIDE);
        return runMessageLoop();
    });
    device->runUntilIdle();
    ASSERT_FALSE(process->finished());
    const emu::Bitmap screen = device->windows().composeScreen();
    EXPECT_EQ(screen.pixel(10, 10), red);
    EXPECT_EQ(screen.pixel(60, 60), blue);
    EXPECT_EQ(screen.pixel(99, 99), blue);
    EXPECT_EQ(screen.pixel(200, 200), desktop);
}

}
