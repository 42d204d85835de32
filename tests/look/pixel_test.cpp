// The look's drawing steps rendered into memory bitmaps in this process, read back
// pixel by pixel.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "control_painting.h"
#include "offscreen_drawing.h"

namespace runner {
namespace look {

bool operator==(const Colour &a, const Colour &b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }
bool operator!=(const Colour &a, const Colour &b) { return !(a == b); }
std::ostream &operator<<(std::ostream &out, const Colour &c) {
    return out << "(" << c.red << "," << c.green << "," << c.blue << ")";
}

}  // namespace look
}  // namespace runner

namespace {

using runner::look::Colour;
using PixelSet = std::set<std::pair<int, int>>;

constexpr COLORREF kBackdrop = RGB(255, 0, 255);
constexpr COLORREF kPictureBlue = RGB(0, 0, 255);

// A 32-bit top-down bitmap in a memory device context, filled with the backdrop.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        for (int index = 0; index < width * height; ++index) {
            bits_[index] = 0xFF00FF;
        }
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC Dc() const { return dc_; }
    Colour At(int x, int y) const {
        GdiFlush();
        const DWORD pixel = bits_[y * width_ + x];
        return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF)};
    }
    // The pixels of colour inside rect.
    PixelSet Find(COLORREF colour, const RECT &rect) const {
        PixelSet found;
        const Colour wanted = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                if (At(x, y) == wanted) {
                    found.insert({x, y});
                }
            }
        }
        return found;
    }

private:
    int width_;
    int height_;
    HDC dc_;
    DWORD *bits_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

PixelSet Shifted(const PixelSet &pixels, int dx, int dy) {
    PixelSet moved;
    for (const auto &pixel : pixels) {
        moved.insert({pixel.first + dx, pixel.second + dy});
    }
    return moved;
}

TEST(Gradient, EachRowHasTheColourOfItsFormulaAndPressedPutsTheDarkEndOnTop) {
    for (const int height : {1, 2, 7, 64, 255}) {
        for (const bool pressed : {false, true}) {
            Canvas canvas(30, 260);
            const RECT rect = {3, 2, 23, 2 + height};
            runner::FillGradient(canvas.Dc(), rect, pressed);
            for (int row = 0; row < height; ++row) {
                const Colour expected = runner::look::GradientRowColour(row, height, pressed);
                EXPECT_EQ(expected, canvas.At(3, 2 + row)) << height << " row " << row;
                EXPECT_EQ(expected, canvas.At(22, 2 + row)) << height << " row " << row;
            }
            EXPECT_EQ(Colour({pressed ? 127 : 192, pressed ? 127 : 192, pressed ? 127 : 192}), canvas.At(10, 2));
            EXPECT_EQ(Colour({255, 0, 255}), canvas.At(23, 2)) << "right edge is outside";
            EXPECT_EQ(Colour({255, 0, 255}), canvas.At(10, 2 + height)) << "bottom edge is outside";
        }
    }
}

// A step on a memory device context (a step nested in another) adds no second buffer;
// one on a screen context draws into a memory bitmap of its own.
TEST(OffscreenBuffer, OnlyATopLevelStepGetsABuffer) {
    Canvas canvas(10, 10);
    const RECT area = {0, 0, 10, 10};
    {
        runner::OffscreenBuffer nested(canvas.Dc(), area);
        EXPECT_EQ(canvas.Dc(), nested.Dc());
    }
    HDC screen = GetDC(nullptr);
    ASSERT_NE(nullptr, screen);
    {
        runner::OffscreenBuffer topLevel(screen, area);
        EXPECT_NE(screen, topLevel.Dc());
        EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(topLevel.Dc()));
    }
    ReleaseDC(nullptr, screen);
}

// Buttons 80 by 24 pixels at (10, 10), with a picture of solid blue.
class ButtonPainting : public ::testing::Test {
protected:
    void SetUp() override {
        images_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 0);
        HDC screen = GetDC(nullptr);
        HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
        ReleaseDC(nullptr, screen);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, picture);
        const RECT all = {0, 0, 16, 16};
        HBRUSH blue = CreateSolidBrush(kPictureBlue);
        FillRect(dc, &all, blue);
        DeleteObject(blue);
        SelectObject(dc, previous);
        DeleteDC(dc);
        ImageList_AddMasked(images_, picture, kBackdrop);
        DeleteObject(picture);
    }
    void TearDown() override { ImageList_Destroy(images_); }

    runner::ButtonLook Look(bool pressed, bool enabled, bool withPicture) const {
        runner::ButtonLook look = {};
        look.item = kItem;
        look.pressed = pressed;
        look.enabled = enabled;
        look.images = withPicture ? images_ : nullptr;
        look.imageIndex = withPicture ? 0 : -1;
        look.text = "Run";
        look.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        return look;
    }

    static constexpr RECT kItem = {10, 10, 90, 34};
    static constexpr RECT kInner = {12, 12, 88, 32};
    HIMAGELIST images_ = nullptr;
};

constexpr RECT ButtonPainting::kItem;
constexpr RECT ButtonPainting::kInner;

TEST_F(ButtonPainting, ADisabledButtonShowsOnlyTheLightGreyCopyOfItsText) {
    Canvas enabled(100, 50);
    Canvas disabled(100, 50);
    runner::PaintPushButton(enabled.Dc(), Look(false, true, false));
    runner::PaintPushButton(disabled.Dc(), Look(false, false, false));
    EXPECT_FALSE(enabled.Find(RGB(0, 0, 0), kInner).empty());
    EXPECT_TRUE(disabled.Find(RGB(0, 0, 0), kInner).empty());
    // Below its first rows the gradient is darker than the text's grey.
    const RECT belowTop = {kInner.left, kInner.top + 4, kInner.right, kInner.bottom};
    EXPECT_FALSE(disabled.Find(RGB(192, 192, 192), belowTop).empty());
}

TEST_F(ButtonPainting, PressingMovesPictureAndTextOnePixelAndSwapsTheBevel) {
    Canvas up(100, 50);
    Canvas down(100, 50);
    runner::PaintPushButton(up.Dc(), Look(false, true, true));
    runner::PaintPushButton(down.Dc(), Look(true, true, true));
    const PixelSet upPicture = up.Find(kPictureBlue, kInner);
    const PixelSet upText = up.Find(RGB(0, 0, 0), kInner);
    ASSERT_EQ(256u, upPicture.size());
    ASSERT_FALSE(upText.empty());
    EXPECT_EQ(Shifted(upPicture, 1, 1), down.Find(kPictureBlue, kInner));
    EXPECT_EQ(Shifted(upText, 1, 1), down.Find(RGB(0, 0, 0), kInner));
    EXPECT_EQ(Colour({255, 255, 255}), up.At(kItem.left + 1, kItem.top + 5));
    EXPECT_EQ(Colour({127, 127, 127}), down.At(kItem.left + 1, kItem.top + 5));
    EXPECT_EQ(Colour({0, 0, 0}), down.At(kItem.left, kItem.top + 5));
}

// The dotted rectangle lies 3 pixels inside the edge, and not on a pressed button.
TEST_F(ButtonPainting, OnlyAFocusedButtonThatIsNotPressedShowsTheFocusRectangle) {
    const auto focusLine = [&](bool pressed, bool focused) {
        Canvas canvas(100, 50);
        runner::ButtonLook look = Look(pressed, true, false);
        look.focused = focused;
        runner::PaintPushButton(canvas.Dc(), look);
        std::vector<Colour> line;
        for (int y = kItem.top + 3; y < kItem.bottom - 3; ++y) {
            line.push_back(canvas.At(kItem.left + 3, y));
        }
        return line;
    };
    const auto same = [](const std::vector<Colour> &a, const std::vector<Colour> &b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Colour &x, const Colour &y) { return x == y; });
    };
    EXPECT_FALSE(same(focusLine(false, false), focusLine(false, true)));
    EXPECT_TRUE(same(focusLine(true, false), focusLine(true, true)));
}

TEST_F(ButtonPainting, AViewTabLeavesItsCutCornersUnpainted) {
    Canvas canvas(100, 50);
    runner::ButtonLook look = Look(false, true, false);
    look.viewTab = true;
    runner::PaintViewTab(canvas.Dc(), look);
    EXPECT_EQ(Colour({255, 0, 255}), canvas.At(kItem.left + 1, kItem.top + 1));
    EXPECT_EQ(Colour({255, 0, 255}), canvas.At(kItem.right - 2, kItem.top + 1));
    EXPECT_NE(Colour({255, 0, 255}), canvas.At(kItem.left + 20, kItem.top + 3));
}

// Two tabs over a pane; the frame's top edge runs along the active tab's outline.
TEST(MainBackground, TheFrameOpensIntoTheActiveTabOnly) {
    const RECT tabs[] = {{150, 30, 250, 50}, {252, 30, 352, 50}};
    for (int active = 0; active < 2; ++active) {
        Canvas canvas(400, 300);
        runner::MainBackground background = {};
        background.client = {0, 0, 400, 300};
        background.tree = {0, 24, 140, 300};
        background.activeTab = tabs[active];
        background.pane = {146, 50, 394, 278};
        runner::PaintMainBackground(canvas.Dc(), background);
        const RECT &tab = tabs[active];
        const RECT &other = tabs[1 - active];
        const Colour black = {0, 0, 0};
        for (int x = tab.left + 8; x < tab.right - 9; ++x) {
            EXPECT_EQ(black, canvas.At(x, tab.top - 1)) << "active " << active << " x " << x;
        }
        EXPECT_EQ(black, canvas.At(tab.left - 1, tab.top + 10));
        EXPECT_EQ(black, canvas.At(tab.right, tab.top + 10));
        EXPECT_NE(black, canvas.At((other.left + other.right) / 2, other.top - 1));
        EXPECT_EQ(black, canvas.At((other.left + other.right) / 2, background.pane.top)) << "the frame closes there";
        EXPECT_NE(black, canvas.At((tab.left + tab.right) / 2, background.pane.top)) << "and opens here";
        EXPECT_EQ(black, canvas.At(140, 100)) << "the line beside the tree";
    }
}

}  // namespace
