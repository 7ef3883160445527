// The main window's controls as data: every control it creates, in the order
// it creates them, with its place, id, font and handle slot. The Win32 code
// only walks these tables, and tests check them without a Windows header.
#pragma once

#include <iterator>

#include "ui/theme.h"

enum class ControlClass : int { Static, Edit, Button };

// How a control looks and behaves. The Windows half gives each its window
// styles under their Win32 names (main_window_win.cpp); none is a tab stop.
enum class ControlStyle : int {
    Label,              // static text
    RightLabel,         // static text, right-aligned
    InputBox,           // sunken one-line edit that scrolls sideways
    ResultBox,          // sunken read-only multi-line edit with a vertical scroll bar
    OwnerDrawnButton,   // a button the window paints itself
};

// Where a control's first text comes from.
enum class ControlText : int {
    InputLabel,      // the input's label
    InputDefault,    // empty at creation, then the default value ("%.6g")
    InputUnit,       // the input's unit (control only made when present)
    Hint,            // HINT_TEXT
    Empty,
    Note,            // the tool's note, or empty
    Reference,       // "参考依据：%ls"
    Caption,         // the button's own caption
};

// Control ids.
constexpr int ID_CALCULATE = 1001;
constexpr int ID_SAVE = 1002;
constexpr int ID_COPY = 1003;
constexpr int ID_RESET = 1004;
constexpr int ID_ABOUT = 1005;
constexpr int ID_FIRST_INPUT_BOX = 2000;
constexpr int ID_RESULT_BOX = 3000;

// Slots of the window's handle table (one array: controls, fonts, brushes).
namespace slot {
constexpr int INPUT_BOXES = 0;   // 0..15, slot i for input i
constexpr int RESULT_BOX = 16;
constexpr int VERDICT_LABEL = 17;
constexpr int NOTE_LABEL = 18;
constexpr int BUTTONS = 19;      // 19..23, buttons 1001..1005
constexpr int FONTS = 24;        // 24..31, in the order of the font table
constexpr int WHITE = 32;        // the white brush
constexpr int BACKGROUND = 33;   // the background brush
constexpr int COUNT = 34;
}  // namespace slot
constexpr int NO_SLOT = -1;

struct ControlSpec {
    ControlClass controlClass;
    ControlStyle style;
    ControlText text;
    const char16_t* caption = nullptr;   // buttons only
    int x, y, width, height;             // input rows: y relative to the row's y
    int id = 0;                          // input boxes: id of row 0; row i adds i
    int font = FONT_NONE;                // FontRole, or FONT_NONE for no WM_SETFONT
    int slot = NO_SLOT;                  // handle slot (input boxes: slot of row 0)
};

// One row per input: y = INPUT_ROW_TOP + INPUT_ROW_PITCH * i.
constexpr int MAX_SHOWN_INPUTS = 16;
constexpr int INPUT_ROW_TOP = 150;
constexpr int INPUT_ROW_PITCH = 34;
constexpr int INPUT_ROW_CONTROL_COUNT = 3;
enum InputRowControl : int { ROW_LABEL = 0, ROW_BOX = 1, ROW_UNIT = 2 };
inline constexpr ControlSpec INPUT_ROW_CONTROLS[] = {
    {.controlClass = ControlClass::Static, .style = ControlStyle::RightLabel, .text = ControlText::InputLabel,
     .x = 24, .y = 1, .width = 184, .height = 22, .font = FONT_LABEL},
    {.controlClass = ControlClass::Edit, .style = ControlStyle::InputBox, .text = ControlText::InputDefault,
     .x = 216, .y = -4, .width = 152, .height = 27, .id = ID_FIRST_INPUT_BOX, .font = FONT_EDIT,
     .slot = slot::INPUT_BOXES},
    {.controlClass = ControlClass::Static, .style = ControlStyle::Label, .text = ControlText::InputUnit,
     .x = 374, .y = 0, .width = 78, .height = 22, .font = FONT_SMALL},
};
static_assert(std::size(INPUT_ROW_CONTROLS) == INPUT_ROW_CONTROL_COUNT);
constexpr int inputRowY(int row) { return INPUT_ROW_TOP + INPUT_ROW_PITCH * row; }
// The window holds rows, boxes and values for at most 16 inputs; a tool with
// more shows (and calculates with) its first 16.
int shownInputCount(int inputCount);

constexpr int RIGHT_COLUMN_CONTROL_COUNT = 4;
inline constexpr ControlSpec RIGHT_COLUMN_CONTROLS[] = {
    {.controlClass = ControlClass::Static, .style = ControlStyle::Label, .text = ControlText::Hint,
     .x = 492, .y = 142, .width = 492, .height = 46, .font = FONT_VERDICT, .slot = slot::VERDICT_LABEL},
    {.controlClass = ControlClass::Edit, .style = ControlStyle::ResultBox, .text = ControlText::Empty,
     .x = 492, .y = 196, .width = 492, .height = 232, .id = ID_RESULT_BOX, .font = FONT_RESULT,
     .slot = slot::RESULT_BOX},
    {.controlClass = ControlClass::Static, .style = ControlStyle::Label, .text = ControlText::Note,
     .x = 492, .y = 444, .width = 492, .height = 120, .font = FONT_SMALL, .slot = slot::NOTE_LABEL},
    {.controlClass = ControlClass::Static, .style = ControlStyle::Label, .text = ControlText::Reference,
     .x = 492, .y = 576, .width = 492, .height = 56, .font = FONT_SMALL},
};
static_assert(std::size(RIGHT_COLUMN_CONTROLS) == RIGHT_COLUMN_CONTROL_COUNT);

// The buttons take no font message: the window draws their captions itself.
constexpr int BUTTON_COUNT = 5;
inline constexpr ControlSpec BUTTON_CONTROLS[] = {
    {.controlClass = ControlClass::Button, .style = ControlStyle::OwnerDrawnButton, .text = ControlText::Caption,
     .caption = u"计算 (F5)", .x = 20, .y = 668, .width = 152, .height = 40, .id = ID_CALCULATE,
     .slot = slot::BUTTONS + 0},
    {.controlClass = ControlClass::Button, .style = ControlStyle::OwnerDrawnButton, .text = ControlText::Caption,
     .caption = u"保存记录", .x = 184, .y = 668, .width = 132, .height = 40, .id = ID_SAVE,
     .slot = slot::BUTTONS + 1},
    {.controlClass = ControlClass::Button, .style = ControlStyle::OwnerDrawnButton, .text = ControlText::Caption,
     .caption = u"复制结果", .x = 328, .y = 668, .width = 132, .height = 40, .id = ID_COPY,
     .slot = slot::BUTTONS + 2},
    {.controlClass = ControlClass::Button, .style = ControlStyle::OwnerDrawnButton, .text = ControlText::Caption,
     .caption = u"清空重填", .x = 472, .y = 668, .width = 132, .height = 40, .id = ID_RESET,
     .slot = slot::BUTTONS + 3},
    {.controlClass = ControlClass::Button, .style = ControlStyle::OwnerDrawnButton, .text = ControlText::Caption,
     .caption = u"关于", .x = 616, .y = 668, .width = 110, .height = 40, .id = ID_ABOUT,
     .slot = slot::BUTTONS + 4},
};
static_assert(std::size(BUTTON_CONTROLS) == BUTTON_COUNT);
static_assert(slot::BUTTONS + BUTTON_COUNT == slot::FONTS && slot::FONTS + FONT_COUNT == slot::WHITE);
static_assert(slot::INPUT_BOXES + MAX_SHOWN_INPUTS == slot::RESULT_BOX);
