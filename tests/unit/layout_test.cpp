// The window's layout, paint and colour tables: the places where a wrong
// number would put a control in the wrong slot, under the wrong id or
// outside its panel.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <set>
#include <string>

#include "ui/controls.h"
#include "ui/paint_steps.h"
#include "ui/theme.h"
#include "ui/window_frame.h"

namespace {

Box boxOf(const ControlSpec& c, int yOffset = 0) { return Box{c.x, c.y + yOffset, c.x + c.width, c.y + yOffset + c.height}; }

bool inside(const Box& inner, const Box& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Box stepBox(int step, int right = CLIENT_WIDTH, int bottom = CLIENT_HEIGHT) {
    return paintStepBox(PAINT_STEPS[step - 1], right, bottom);
}

// Inside the one-pixel outline of a panel.
Box panelInside(int step) {
    const Box b = stepBox(step);
    return Box{b.left + 1, b.top + 1, b.right - 1, b.bottom - 1};
}

TEST(WindowPlace, CentredAndNeverNegative) {
    struct Case {
        int screenW, screenH, w, h, x, y;
    } cases[] = {
        {1280, 1024, 1026, 745, 127, 139},
        {1281, 1025, 1026, 745, 127, 140},   // truncating division
        {1024, 768, 1026, 745, 0, 11},       // wider than the screen
        {800, 600, 1026, 745, 0, 0},
        {1026, 745, 1026, 745, 0, 0},
    };
    for (const Case& c : cases) {
        const WindowPlace p = centreOnScreen(c.screenW, c.screenH, c.w, c.h);
        EXPECT_EQ(p.x, c.x) << c.screenW;
        EXPECT_EQ(p.y, c.y) << c.screenH;
    }
}

TEST(Controls, IdsSlotsAndFonts) {
    // Buttons: ids 1001..1005 in slots 19..23, left to right, no font.
    for (int k = 0; k < BUTTON_COUNT; ++k) {
        const ControlSpec& b = BUTTON_CONTROLS[k];
        EXPECT_EQ(b.id, ID_CALCULATE + k);
        EXPECT_EQ(b.slot, 19 + k);
        EXPECT_EQ(b.font, FONT_NONE);
        EXPECT_EQ(b.style, ControlStyle::OwnerDrawnButton);
        EXPECT_EQ(b.controlClass, ControlClass::Button);
        ASSERT_NE(b.caption, nullptr);
    }
    // The right column: verdict label 17, result box 16 with id 3000, note 18,
    // the reference label not stored.
    struct Case {
        ControlText text;
        int id, slot, font;
        ControlStyle style;
    } right[] = {
        {ControlText::Hint, 0, 17, FONT_VERDICT, ControlStyle::Label},
        {ControlText::Empty, 3000, 16, FONT_RESULT, ControlStyle::ResultBox},
        {ControlText::Note, 0, 18, FONT_SMALL, ControlStyle::Label},
        {ControlText::Reference, 0, NO_SLOT, FONT_SMALL, ControlStyle::Label},
    };
    for (int k = 0; k < RIGHT_COLUMN_CONTROL_COUNT; ++k) {
        const ControlSpec& c = RIGHT_COLUMN_CONTROLS[k];
        EXPECT_EQ(c.text, right[k].text) << k;
        EXPECT_EQ(c.id, right[k].id) << k;
        EXPECT_EQ(c.slot, right[k].slot) << k;
        EXPECT_EQ(c.font, right[k].font) << k;
        EXPECT_EQ(c.style, right[k].style) << k;
    }
    // One input row: right-aligned label, the box (id 2000 + i, slot i), the unit.
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_LABEL].style, ControlStyle::RightLabel);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_BOX].style, ControlStyle::InputBox);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_BOX].id, 2000);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_BOX].slot, 0);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_BOX].font, FONT_EDIT);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_LABEL].font, FONT_LABEL);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_UNIT].font, FONT_SMALL);
    EXPECT_EQ(INPUT_ROW_CONTROLS[ROW_UNIT].style, ControlStyle::Label);

    // Every id that names something is used once.
    std::set<int> ids;
    auto add = [&](const ControlSpec& c) {
        if (c.id != 0) {
            EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        }
    };
    for (const auto& c : BUTTON_CONTROLS) add(c);
    for (const auto& c : RIGHT_COLUMN_CONTROLS) add(c);
    for (const auto& c : INPUT_ROW_CONTROLS) add(c);
    EXPECT_EQ(shownInputCount(1), 1);
    EXPECT_EQ(shownInputCount(0), 0);
    EXPECT_EQ(shownInputCount(-3), 0);
    EXPECT_EQ(shownInputCount(17), 16);
}

TEST(Controls, RectanglesSitInTheirPanels) {
    const Box leftPanel = panelInside(7);
    const Box rightPanel = panelInside(8);
    const Box bottomBar = stepBox(13);
    EXPECT_EQ(boxOf(RIGHT_COLUMN_CONTROLS[0]).left, 492);
    for (const ControlSpec& c : RIGHT_COLUMN_CONTROLS) EXPECT_TRUE(inside(boxOf(c), rightPanel)) << c.y;
    // The right column from top to bottom, without overlaps, below the title separator.
    for (int k = 0; k < RIGHT_COLUMN_CONTROL_COUNT; ++k) {
        const Box b = boxOf(RIGHT_COLUMN_CONTROLS[k]);
        EXPECT_GE(b.top, stepBox(12).bottom);
        if (k > 0) {
            EXPECT_GE(b.top, boxOf(RIGHT_COLUMN_CONTROLS[k - 1]).bottom) << k;
        }
    }
    // Buttons: in the bottom bar, left to right, 12 pixels apart, not overlapping.
    for (int k = 0; k < BUTTON_COUNT; ++k) {
        const Box b = boxOf(BUTTON_CONTROLS[k]);
        EXPECT_TRUE(inside(b, bottomBar)) << k;
        EXPECT_EQ(b.height(), 40);
        if (k > 0) {
            EXPECT_EQ(b.left - boxOf(BUTTON_CONTROLS[k - 1]).right, 12) << k;
        }
    }
    // Rows 0..13 lie in the left panel; from row 14 the box crosses its lower
    // edge and row 15 reaches into the buttons. The layout does not adapt.
    for (int row = 0; row < MAX_SHOWN_INPUTS; ++row) {
        const int y = inputRowY(row);
        const Box label = boxOf(INPUT_ROW_CONTROLS[ROW_LABEL], y);
        const Box box = boxOf(INPUT_ROW_CONTROLS[ROW_BOX], y);
        const Box unit = boxOf(INPUT_ROW_CONTROLS[ROW_UNIT], y);
        EXPECT_FALSE(overlap(label, box));
        EXPECT_FALSE(overlap(box, unit));
        EXPECT_EQ(inside(box, leftPanel), row <= 13) << row;
        bool hitsButton = false;
        for (const ControlSpec& b : BUTTON_CONTROLS) hitsButton = hitsButton || overlap(box, boxOf(b));
        EXPECT_EQ(hitsButton, row == 15) << row;
        if (row > 0) {
            EXPECT_FALSE(overlap(box, boxOf(INPUT_ROW_CONTROLS[ROW_BOX], inputRowY(row - 1))));
        }
    }
    const Box first = boxOf(INPUT_ROW_CONTROLS[ROW_BOX], inputRowY(0));
    EXPECT_EQ(first.left, 216);
    EXPECT_EQ(first.top, 146);
    EXPECT_EQ(first.right, 368);
    EXPECT_EQ(first.bottom, 173);
    EXPECT_GE(first.top, stepBox(11).bottom);
}

TEST(Painting, StepsFollowTheClientSizeOnlyWhereTheyShould) {
    struct Case {
        int step;
        Box at1020x720;
        Box at1030x755;
    } cases[] = {
        {1, {0, 0, 1020, 720}, {0, 0, 1030, 755}},
        {2, {0, 0, 1020, 88}, {0, 0, 1030, 88}},
        {3, {0, 0, 8, 88}, {0, 0, 8, 88}},
        {4, {26, 12, 726, 50}, {26, 12, 726, 50}},
        {5, {28, 48, 748, 76}, {28, 48, 748, 76}},
        {6, {780, 8, 994, 34}, {790, 8, 1004, 34}},
        {7, {20, 96, 460, 648}, {20, 96, 460, 648}},
        {8, {476, 96, 1000, 648}, {476, 96, 1000, 648}},
        {9, {36, 104, 336, 134}, {36, 104, 336, 134}},
        {10, {492, 104, 792, 134}, {492, 104, 792, 134}},
        {11, {36, 133, 444, 134}, {36, 133, 444, 134}},
        {12, {492, 133, 984, 134}, {492, 133, 984, 134}},
        {13, {0, 660, 1020, 720}, {0, 660, 1030, 720}},
        {14, {740, 704, 1004, 720}, {740, 704, 1004, 720}},
    };
    static_assert(std::size(cases) == PAINT_STEP_COUNT);
    for (const Case& c : cases) {
        for (int big = 0; big < 2; ++big) {
            const Box want = big ? c.at1030x755 : c.at1020x720;
            const Box got = big ? stepBox(c.step, 1030, 755) : stepBox(c.step);
            EXPECT_EQ(got.left, want.left) << c.step;
            EXPECT_EQ(got.top, want.top) << c.step;
            EXPECT_EQ(got.right, want.right) << c.step;
            EXPECT_EQ(got.bottom, want.bottom) << c.step;
        }
    }
}

TEST(Painting, KindsColoursFontsAndFlags) {
    struct Case {
        int step;
        PaintKind kind;
        Rgb colour;
        PaintText text;
        int font;
        uint32_t align;
    } cases[] = {
        {1, PaintKind::Fill, 0xF4F7F9, PaintText::None, FONT_NONE, 0},
        {2, PaintKind::Fill, 0x006C96, PaintText::None, FONT_NONE, 0},
        {3, PaintKind::Fill, 0x0084B0, PaintText::None, FONT_NONE, 0},
        {4, PaintKind::Text, 0xFFFFFF, PaintText::ToolName, FONT_TITLE, TEXT_ALIGN_LEFT},
        {5, PaintKind::Text, 0xD6ECF6, PaintText::HeaderLine, FONT_HEADING, TEXT_ALIGN_LEFT},
        {6, PaintKind::Text, 0xBEDCEB, PaintText::WebAddress, FONT_SMALL, TEXT_ALIGN_RIGHT},
        {7, PaintKind::Panel, 0xFFFFFF, PaintText::None, FONT_NONE, 0},
        {8, PaintKind::Panel, 0xFFFFFF, PaintText::None, FONT_NONE, 0},
        {9, PaintKind::Text, 0x006C96, PaintText::InputsTitle, FONT_HEADING, TEXT_ALIGN_LEFT},
        {10, PaintKind::Text, 0x006C96, PaintText::ResultsTitle, FONT_HEADING, TEXT_ALIGN_LEFT},
        {11, PaintKind::Fill, 0xE4EAEE, PaintText::None, FONT_NONE, 0},
        {12, PaintKind::Fill, 0xE4EAEE, PaintText::None, FONT_NONE, 0},
        {13, PaintKind::Fill, 0xECF1F4, PaintText::None, FONT_NONE, 0},
        {14, PaintKind::Text, 0x78848E, PaintText::Status, FONT_SMALL, TEXT_ALIGN_RIGHT},
    };
    for (const Case& c : cases) {
        const PaintStep& s = PAINT_STEPS[c.step - 1];
        EXPECT_EQ(s.kind, c.kind) << c.step;
        EXPECT_EQ(s.colour, c.colour) << c.step;
        EXPECT_EQ(s.text, c.text) << c.step;
        if (c.kind == PaintKind::Text) {
            EXPECT_EQ(s.font, c.font) << c.step;
            EXPECT_EQ(s.align, c.align) << c.step;
        }
        if (c.kind == PaintKind::Panel) {
            EXPECT_EQ(s.border, 0xDAE2E8u) << c.step;
        }
    }
}

TEST(Colours, VerdictByLevel) {
    struct Case {
        int level;
        Rgb colour;
    } cases[] = {
        {0, 0x008060}, {1, 0xB08400}, {2, 0xD66C00}, {3, 0xBE1E2D},
        {4, 0x008060}, {-1, 0x008060}, {INT32_MIN, 0x008060}, {INT32_MAX, 0x008060},
    };
    for (const Case& c : cases) EXPECT_EQ(verdictColour(c.level), c.colour) << c.level;
    EXPECT_EQ(rgbRed(0xB08400), 0xB0);
    EXPECT_EQ(rgbGreen(0xB08400), 0x84);
    EXPECT_EQ(rgbBlue(0xBE1E2D), 0x2D);
}

TEST(Colours, ButtonLooks) {
    const ButtonLook& primary = buttonLook(ID_CALCULATE);
    EXPECT_EQ(primary.fill, 0x007AA8u);
    EXPECT_EQ(primary.pressedFill, 0x00648Au);
    EXPECT_EQ(primary.border, 0x006A94u);
    EXPECT_EQ(primary.caption, 0xFFFFFFu);
    for (int id : {ID_SAVE, ID_COPY, ID_RESET, ID_ABOUT, 0}) {
        const ButtonLook& plain = buttonLook(id);
        EXPECT_EQ(plain.fill, 0xFFFFFFu) << id;
        EXPECT_EQ(plain.pressedFill, 0xE2EAF0u) << id;
        EXPECT_EQ(plain.border, 0xCED8E0u) << id;
        EXPECT_EQ(plain.caption, 0x2C3842u) << id;
    }
}

TEST(Fonts, TableOrderFacesAndSizes) {
    struct Case {
        int height, weight;
        bool consolas;
    } cases[] = {
        {27, 700, false}, {14, 400, false}, {14, 400, false}, {15, 400, false},
        {21, 700, false}, {15, 400, true},  {15, 400, false}, {12, 400, false},
    };
    for (int k = 0; k < FONT_COUNT; ++k) {
        EXPECT_EQ(FONT_TABLE[k].height, cases[k].height) << k;
        EXPECT_EQ(FONT_TABLE[k].weight, cases[k].weight) << k;
        EXPECT_EQ(std::u16string(FONT_TABLE[k].face), cases[k].consolas ? u"Consolas" : u"Microsoft YaHei UI") << k;
    }
}

}  // namespace
