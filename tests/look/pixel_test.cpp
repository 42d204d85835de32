// The look's drawing steps rendered into memory bitmaps in this process, read back
// pixel by pixel, and the pictures they draw from.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "drawing/control_painting.h"
#include "drawing/offscreen_drawing.h"
#include "resources/resource.h"
#include "runner_process.h"

namespace {

using PixelSet = std::set<std::pair<int, int>>;

constexpr COLORREF kBackdrop = RGB(255, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A 32-bit top-down bitmap in a memory device context, filled with the backdrop.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        std::fill(bits_, bits_ + width * height, 0xFF00FF);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const DWORD pixel = bits_[y * width_ + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    PixelSet Find(COLORREF colour, const RECT &rect) const {
        PixelSet found;
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                if (At(x, y) == colour) {
                    found.insert({x, y});
                }
            }
        }
        return found;
    }

private:
    int width_;
    HDC dc_;
    DWORD *bits_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

TEST(Gradient, EachRowHasTheColourOfItsFormulaAndPressedPutsTheDarkEndOnTop) {
    for (const int height : {1, 2, 7, 64, 255}) {
        for (const bool pressed : {false, true}) {
            Canvas canvas(30, 260);
            runner::FillGradient(canvas.Dc(), {3, 2, 23, 2 + height}, pressed);
            for (int row = 0; row < height; ++row) {
                const COLORREF expected = runner::ColourRef(runner::look::GradientRowColour(row, height, pressed));
                EXPECT_EQ(expected, canvas.At(3, 2 + row)) << height << " row " << row;
                EXPECT_EQ(expected, canvas.At(22, 2 + row)) << height << " row " << row;
            }
            EXPECT_EQ(pressed ? RGB(127, 127, 127) : RGB(192, 192, 192), canvas.At(10, 2));
            EXPECT_EQ(kBackdrop, canvas.At(23, 2)) << "the right edge lies outside";
            EXPECT_EQ(kBackdrop, canvas.At(10, 2 + height)) << "so does the bottom edge";
        }
    }
}

constexpr RECT kItem = {10, 10, 90, 34};
constexpr RECT kInner = {12, 12, 88, 32};

runner::ButtonLook ButtonLook(bool pressed, bool enabled, bool focused = false) {
    runner::ButtonLook look = {};
    look.item = kItem;
    look.pressed = pressed;
    look.enabled = enabled;
    look.focused = focused;
    look.imageIndex = -1;
    look.text = "Run";
    look.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return look;
}

// The pixels of colour inside the button's bevel that painting the button leaves;
// with bevelLight, also the colour of its left edge's inner line.
PixelSet PaintedButton(bool pressed, bool enabled, COLORREF colour, COLORREF *bevelLight = nullptr) {
    Canvas canvas(100, 50);
    runner::PaintPushButton(canvas.Dc(), ButtonLook(pressed, enabled));
    if (bevelLight != nullptr) {
        *bevelLight = canvas.At(kItem.left + 1, kItem.top + 5);
    }
    return canvas.Find(colour, kInner);
}

// Below its top rows the gradient is darker than the text's light grey.
TEST(ButtonPainting, ADisabledButtonShowsOnlyTheLightGreyCopyOfItsText) {
    EXPECT_FALSE(PaintedButton(false, true, kBlack).empty());
    EXPECT_TRUE(PaintedButton(false, false, kBlack).empty());
    const PixelSet grey = PaintedButton(false, false, RGB(192, 192, 192));
    EXPECT_TRUE(std::any_of(grey.begin(), grey.end(), [](const auto &pixel) { return pixel.second > kInner.top + 4; }));
}

TEST(ButtonPainting, PressingMovesTheTextOnePixelAndSwapsTheBevel) {
    COLORREF upLight = 0;
    COLORREF downLight = 0;
    const PixelSet up = PaintedButton(false, true, kBlack, &upLight);
    const PixelSet down = PaintedButton(true, true, kBlack, &downLight);
    ASSERT_FALSE(up.empty());
    PixelSet moved;
    for (const auto &pixel : up) {
        moved.insert({pixel.first + 1, pixel.second + 1});
    }
    EXPECT_EQ(moved, down);
    EXPECT_EQ(RGB(255, 255, 255), upLight);
    EXPECT_EQ(RGB(127, 127, 127), downLight);
}

// The dotted rectangle lies 3 pixels inside the edge, and not on a pressed button.
TEST(ButtonPainting, OnlyAFocusedButtonThatIsNotPressedShowsTheFocusRectangle) {
    const auto column = [](bool pressed, bool focused) {
        Canvas canvas(100, 50);
        runner::PaintPushButton(canvas.Dc(), ButtonLook(pressed, true, focused));
        std::vector<COLORREF> colours;
        for (int y = kItem.top + 3; y < kItem.bottom - 3; ++y) {
            colours.push_back(canvas.At(kItem.left + 3, y));
        }
        return colours;
    };
    EXPECT_NE(column(false, false), column(false, true));
    EXPECT_EQ(column(true, false), column(true, true));
}

// Two tabs over a pane; the frame's top edge runs along the active tab's outline.
TEST(MainBackground, TheFrameOpensIntoTheActiveTabOnly) {
    const RECT tabs[] = {{150, 30, 250, 50}, {252, 30, 352, 50}};
    for (int active = 0; active < 2; ++active) {
        Canvas canvas(400, 300);
        const runner::MainBackground background = {
            {0, 0, 400, 300}, {0, 24, 140, 300}, tabs[active], {146, 50, 394, 278}};
        runner::PaintMainBackground(canvas.Dc(), background);
        const RECT &tab = tabs[active];
        const RECT &other = tabs[1 - active];
        const int tabMiddle = (tab.left + tab.right) / 2;
        const int otherMiddle = (other.left + other.right) / 2;
        const PixelSet above = canvas.Find(kBlack, {141, tab.top - 1, 400, tab.top});  // right of the tree
        EXPECT_LE(tab.right - tab.left - 17, static_cast<int>(above.size())) << active;
        EXPECT_LE(tab.left - 1, above.begin()->first);
        EXPECT_GE(tab.right, above.rbegin()->first);
        EXPECT_EQ(kBlack, canvas.At(tab.left - 1, tab.top + 10));
        EXPECT_EQ(kBlack, canvas.At(tab.right, tab.top + 10));
        EXPECT_NE(kBlack, canvas.At(tabMiddle, background.pane.top)) << "the frame opens under the active tab";
        EXPECT_EQ(kBlack, canvas.At(otherMiddle, background.pane.top)) << "and runs on under the other";
        EXPECT_EQ(kBlack, canvas.At(140, 100)) << "the line beside the tree";
    }
}

// The pictures as the runner carries them: strips of 16-pixel squares on magenta,
// and the program icon in three sizes.
TEST(RunnerImages, StripsAndIconHaveTheirSizesAndTransparentColour) {
    HMODULE runner = LoadLibraryExA(BuiltFile("WindowsNorvik.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, runner);
    const int strips[][2] = {{IDB_BUTTONS, 7}, {IDB_BUTTONS_DISABLED, 7}, {IDB_TREE_IMAGES, 6}};
    for (const auto &strip : strips) {
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(runner, MAKEINTRESOURCEA(strip[0]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP info = {};
        ASSERT_NE(0, GetObjectA(bitmap, sizeof info, &info)) << strip[0];
        EXPECT_EQ(16 * strip[1], info.bmWidth) << strip[0];
        EXPECT_EQ(16, info.bmHeight) << strip[0];
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(source, bitmap);
        EXPECT_EQ(kBackdrop, GetPixel(source, 0, 0)) << strip[0];
        SelectObject(source, previous);
        DeleteDC(source);
        DeleteObject(bitmap);
    }
    HRSRC group = FindResourceA(runner, MAKEINTRESOURCEA(IDI_PROGRAM), RT_GROUP_ICON);
    ASSERT_NE(nullptr, group);
    auto *directory = static_cast<BYTE *>(LockResource(LoadResource(runner, group)));
    for (const int size : {16, 32, 48}) {
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceA(runner, MAKEINTRESOURCEA(id), RT_ICON);
        ASSERT_NE(nullptr, image) << size;
        // An icon image's header gives its height twice over: colour and mask.
        const auto *header = static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(runner, image)));
        EXPECT_EQ(size, header->biWidth);
        EXPECT_EQ(2 * size, header->biHeight);
    }
    FreeLibrary(runner);
}

}  // namespace
