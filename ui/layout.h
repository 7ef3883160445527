// The main window's geometry, fonts and colours as data.
//
// Everything the window creates or paints at a fixed place is listed here, in
// the order it is created or painted, so the window can be read like a table
// and checked by tests without a Windows header. The Win32 code only walks
// these tables.
#pragma once

#include <cstdint>
#include <iterator>

// Colours as 0xRRGGBB; the Win32 side turns them into COLORREF.
using Rgb = uint32_t;

constexpr uint8_t rgbRed(Rgb c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
constexpr uint8_t rgbGreen(Rgb c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t rgbBlue(Rgb c) { return static_cast<uint8_t>(c & 0xFF); }

// ---------------------------------------------------------------------------
// Window
constexpr int CLIENT_WIDTH = 1020;
constexpr int CLIENT_HEIGHT = 720;
// WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: movable and
// minimisable, never resized.
constexpr uint32_t MAIN_WINDOW_STYLE = 0x00CA0000u;
// Both the minimum and the maximum tracking size.
constexpr int TRACK_WIDTH = 1036;
constexpr int TRACK_HEIGHT = 780;

struct WindowPlace { int x; int y; };
// Centres a window of the given outer size on the screen; a negative
// coordinate (window larger than the screen) becomes 0. Integer division
// truncates toward zero, as C++ does.
WindowPlace centreOnScreen(int screenWidth, int screenHeight, int width, int height);

// ---------------------------------------------------------------------------
// Fonts: created once, in this order, into handle slots 24..31.
enum FontRole : int {
    FONT_TITLE = 0,
    FONT_HEADING,
    FONT_LABEL,
    FONT_EDIT,
    FONT_VERDICT,
    FONT_RESULT,
    FONT_BUTTON,
    FONT_SMALL,
    FONT_COUNT,
    FONT_NONE = -1,
};

struct FontSpec {
    const char16_t* face;
    int height;   // character height; passed negative to CreateFontW
    int weight;
};
inline constexpr FontSpec FONT_TABLE[] = {
    {u"Microsoft YaHei UI", 27, 700},   // title
    {u"Microsoft YaHei UI", 14, 400},   // heading
    {u"Microsoft YaHei UI", 14, 400},   // label
    {u"Microsoft YaHei UI", 15, 400},   // edit
    {u"Microsoft YaHei UI", 21, 700},   // verdict
    {u"Consolas", 15, 400},             // result
    {u"Microsoft YaHei UI", 15, 400},   // button
    {u"Microsoft YaHei UI", 12, 400},   // small
};
static_assert(std::size(FONT_TABLE) == FONT_COUNT);

// ---------------------------------------------------------------------------
// Controls. Style bits spelled out so this header needs no windows.h; the
// Win32 side checks them against the system's names at compile time.
constexpr uint32_t STYLE_CHILD = 0x40000000u;
constexpr uint32_t STYLE_VISIBLE = 0x10000000u;
constexpr uint32_t STYLE_VSCROLL = 0x00200000u;
constexpr uint32_t STYLE_SS_RIGHT = 0x0002u;
constexpr uint32_t STYLE_ES_MULTILINE = 0x0004u;
constexpr uint32_t STYLE_ES_AUTOVSCROLL = 0x0040u;
constexpr uint32_t STYLE_ES_AUTOHSCROLL = 0x0080u;
constexpr uint32_t STYLE_ES_READONLY = 0x0800u;
constexpr uint32_t STYLE_BS_OWNERDRAW = 0x000Bu;
constexpr uint32_t EXSTYLE_CLIENTEDGE = 0x00000200u;
constexpr uint32_t CHILD_VISIBLE = STYLE_CHILD | STYLE_VISIBLE;

enum class ControlClass : int { Static, Edit, Button };

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
    uint32_t exStyle;
    uint32_t style;
    ControlText text;
    const char16_t* caption;   // buttons only
    int x, y, width, height;   // input rows: y relative to the row's y
    int id;                    // input boxes: id of row 0; row i adds i
    int font;                  // FontRole, or FONT_NONE for no WM_SETFONT
    int slot;                  // handle slot (input boxes: slot of row 0), or NO_SLOT
};

// One row per input: y = INPUT_ROW_TOP + INPUT_ROW_PITCH * i.
constexpr int MAX_SHOWN_INPUTS = 16;
constexpr int INPUT_ROW_TOP = 150;
constexpr int INPUT_ROW_PITCH = 34;
constexpr int INPUT_ROW_CONTROL_COUNT = 3;
enum InputRowControl : int { ROW_LABEL = 0, ROW_BOX = 1, ROW_UNIT = 2 };
inline constexpr ControlSpec INPUT_ROW_CONTROLS[] = {
    {ControlClass::Static, 0, CHILD_VISIBLE | STYLE_SS_RIGHT, ControlText::InputLabel, nullptr,
     24, 1, 184, 22, 0, FONT_LABEL, NO_SLOT},
    {ControlClass::Edit, EXSTYLE_CLIENTEDGE, CHILD_VISIBLE | STYLE_ES_AUTOHSCROLL, ControlText::InputDefault, nullptr,
     216, -4, 152, 27, ID_FIRST_INPUT_BOX, FONT_EDIT, slot::INPUT_BOXES},
    {ControlClass::Static, 0, CHILD_VISIBLE, ControlText::InputUnit, nullptr,
     374, 0, 78, 22, 0, FONT_SMALL, NO_SLOT},
};
static_assert(std::size(INPUT_ROW_CONTROLS) == INPUT_ROW_CONTROL_COUNT);
constexpr int inputRowY(int row) { return INPUT_ROW_TOP + INPUT_ROW_PITCH * row; }
// The window holds rows, boxes and values for at most 16 inputs; a tool with
// more shows (and calculates with) its first 16.
int shownInputCount(int inputCount);

constexpr int RIGHT_COLUMN_CONTROL_COUNT = 4;
inline constexpr ControlSpec RIGHT_COLUMN_CONTROLS[] = {
    {ControlClass::Static, 0, CHILD_VISIBLE, ControlText::Hint, nullptr,
     492, 142, 492, 46, 0, FONT_VERDICT, slot::VERDICT_LABEL},
    {ControlClass::Edit, EXSTYLE_CLIENTEDGE,
     CHILD_VISIBLE | STYLE_VSCROLL | STYLE_ES_MULTILINE | STYLE_ES_AUTOVSCROLL | STYLE_ES_READONLY,
     ControlText::Empty, nullptr, 492, 196, 492, 232, ID_RESULT_BOX, FONT_RESULT, slot::RESULT_BOX},
    {ControlClass::Static, 0, CHILD_VISIBLE, ControlText::Note, nullptr,
     492, 444, 492, 120, 0, FONT_SMALL, slot::NOTE_LABEL},
    {ControlClass::Static, 0, CHILD_VISIBLE, ControlText::Reference, nullptr,
     492, 576, 492, 56, 0, FONT_SMALL, NO_SLOT},
};
static_assert(std::size(RIGHT_COLUMN_CONTROLS) == RIGHT_COLUMN_CONTROL_COUNT);

constexpr int BUTTON_COUNT = 5;
inline constexpr ControlSpec BUTTON_CONTROLS[] = {
    {ControlClass::Button, 0, CHILD_VISIBLE | STYLE_BS_OWNERDRAW, ControlText::Caption, u"计算 (F5)",
     20, 668, 152, 40, ID_CALCULATE, FONT_NONE, slot::BUTTONS + 0},
    {ControlClass::Button, 0, CHILD_VISIBLE | STYLE_BS_OWNERDRAW, ControlText::Caption, u"保存记录",
     184, 668, 132, 40, ID_SAVE, FONT_NONE, slot::BUTTONS + 1},
    {ControlClass::Button, 0, CHILD_VISIBLE | STYLE_BS_OWNERDRAW, ControlText::Caption, u"复制结果",
     328, 668, 132, 40, ID_COPY, FONT_NONE, slot::BUTTONS + 2},
    {ControlClass::Button, 0, CHILD_VISIBLE | STYLE_BS_OWNERDRAW, ControlText::Caption, u"清空重填",
     472, 668, 132, 40, ID_RESET, FONT_NONE, slot::BUTTONS + 3},
    {ControlClass::Button, 0, CHILD_VISIBLE | STYLE_BS_OWNERDRAW, ControlText::Caption, u"关于",
     616, 668, 110, 40, ID_ABOUT, FONT_NONE, slot::BUTTONS + 4},
};
static_assert(std::size(BUTTON_CONTROLS) == BUTTON_COUNT);
static_assert(slot::BUTTONS + BUTTON_COUNT == slot::FONTS && slot::FONTS + FONT_COUNT == slot::WHITE);
static_assert(slot::INPUT_BOXES + MAX_SHOWN_INPUTS == slot::RESULT_BOX);

// ---------------------------------------------------------------------------
// Colours
namespace colour {
constexpr Rgb WINDOW_BACKGROUND = 0xF4F7F9;
constexpr Rgb HEADER_BAND = 0x006C96;
constexpr Rgb HEADER_ACCENT = 0x0084B0;
constexpr Rgb TITLE_TEXT = 0xFFFFFF;
constexpr Rgb HEADER_LINE_TEXT = 0xD6ECF6;
constexpr Rgb WEB_ADDRESS_TEXT = 0xBEDCEB;
constexpr Rgb PANEL_FILL = 0xFFFFFF;
constexpr Rgb PANEL_BORDER = 0xDAE2E8;
constexpr Rgb SECTION_TITLE = 0x006C96;
constexpr Rgb SEPARATOR = 0xE4EAEE;
constexpr Rgb BOTTOM_BAR = 0xECF1F4;
constexpr Rgb QUIET_TEXT = 0x78848E;   // status, input and unit labels, reference
constexpr Rgb BODY_TEXT = 0x2C3842;    // input boxes, result box, note, plain captions
constexpr Rgb WHITE = 0xFFFFFF;
}  // namespace colour

struct ButtonLook {
    Rgb fill;
    Rgb pressedFill;
    Rgb border;
    Rgb caption;
};
constexpr ButtonLook PRIMARY_BUTTON = {0x007AA8, 0x00648A, 0x006A94, 0xFFFFFF};
constexpr ButtonLook PLAIN_BUTTON = {0xFFFFFF, 0xE2EAF0, 0xCED8E0, 0x2C3842};
const ButtonLook& buttonLook(int controlId);

constexpr int VERDICT_COLOUR_COUNT = 4;
inline constexpr Rgb VERDICT_COLOURS[] = {0x008060, 0xB08400, 0xD66C00, 0xBE1E2D};
static_assert(std::size(VERDICT_COLOURS) == VERDICT_COLOUR_COUNT);
// Level 0..3 picks its colour; any other value shows as normal.
Rgb verdictColour(int level);

// ---------------------------------------------------------------------------
// Painting. DrawTextW flags spelled out (DT_LEFT 0, DT_CENTER 1, DT_RIGHT 2,
// DT_VCENTER 4, DT_SINGLELINE 0x20, DT_END_ELLIPSIS 0x8000).
constexpr uint32_t TEXT_ALIGN_LEFT = 0x0000u;
constexpr uint32_t TEXT_ALIGN_CENTRE = 0x0001u;
constexpr uint32_t TEXT_ALIGN_RIGHT = 0x0002u;
constexpr uint32_t TEXT_ONE_LINE = 0x8024u;   // DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS
constexpr uint32_t TEXT_LEFT = TEXT_ONE_LINE | TEXT_ALIGN_LEFT;
constexpr uint32_t TEXT_RIGHT = TEXT_ONE_LINE | TEXT_ALIGN_RIGHT;
constexpr uint32_t TEXT_CENTRED = TEXT_ONE_LINE | TEXT_ALIGN_CENTRE;
static_assert(TEXT_LEFT == 0x8024u && TEXT_RIGHT == 0x8026u && TEXT_CENTRED == 0x8025u);

// An edge measured from the client rectangle's origin, or back from its
// right (R) or bottom (B) edge.
enum class EdgeFrom : uint8_t { Origin, Far };
struct PaintEdge {
    EdgeFrom from;
    int offset;
};
constexpr PaintEdge at(int offset) { return {EdgeFrom::Origin, offset}; }
constexpr PaintEdge fromFar(int offset) { return {EdgeFrom::Far, offset}; }

enum class PaintKind : int { Fill, Panel, Text };
enum class PaintText : int { None, ToolName, HeaderLine, WebAddress, InputsTitle, ResultsTitle, Status };

struct PaintStep {
    PaintKind kind;
    PaintEdge left, top, right, bottom;   // right and bottom exclusive
    Rgb colour;                           // fill, or text colour
    Rgb border;                           // panels only
    PaintText text;
    int font;                             // texts only
    uint32_t align;                       // TEXT_ALIGN_*, texts only
};

constexpr int PAINT_STEP_COUNT = 14;
inline constexpr PaintStep PAINT_STEPS[] = {
    // 1: window background
    {PaintKind::Fill, at(0), at(0), fromFar(0), fromFar(0), colour::WINDOW_BACKGROUND, 0, PaintText::None, FONT_NONE, 0},
    // 2: header band
    {PaintKind::Fill, at(0), at(0), fromFar(0), at(88), colour::HEADER_BAND, 0, PaintText::None, FONT_NONE, 0},
    // 3: accent strip
    {PaintKind::Fill, at(0), at(0), at(8), at(88), colour::HEADER_ACCENT, 0, PaintText::None, FONT_NONE, 0},
    // 4: the tool's name
    {PaintKind::Text, at(26), at(12), at(726), at(50), colour::TITLE_TEXT, 0, PaintText::ToolName, FONT_TITLE, TEXT_ALIGN_LEFT},
    // 5: category and subtitle
    {PaintKind::Text, at(28), at(48), at(748), at(76), colour::HEADER_LINE_TEXT, 0, PaintText::HeaderLine, FONT_HEADING, TEXT_ALIGN_LEFT},
    // 6: the maker's web address, kept 26 pixels from the right edge
    {PaintKind::Text, fromFar(240), at(8), fromFar(26), at(34), colour::WEB_ADDRESS_TEXT, 0, PaintText::WebAddress, FONT_SMALL, TEXT_ALIGN_RIGHT},
    // 7, 8: the two panels
    {PaintKind::Panel, at(20), at(96), at(460), at(648), colour::PANEL_FILL, colour::PANEL_BORDER, PaintText::None, FONT_NONE, 0},
    {PaintKind::Panel, at(476), at(96), at(1000), at(648), colour::PANEL_FILL, colour::PANEL_BORDER, PaintText::None, FONT_NONE, 0},
    // 9, 10: section titles
    {PaintKind::Text, at(36), at(104), at(336), at(134), colour::SECTION_TITLE, 0, PaintText::InputsTitle, FONT_HEADING, TEXT_ALIGN_LEFT},
    {PaintKind::Text, at(492), at(104), at(792), at(134), colour::SECTION_TITLE, 0, PaintText::ResultsTitle, FONT_HEADING, TEXT_ALIGN_LEFT},
    // 11, 12: separators under the titles
    {PaintKind::Fill, at(36), at(133), at(444), at(134), colour::SEPARATOR, 0, PaintText::None, FONT_NONE, 0},
    {PaintKind::Fill, at(492), at(133), at(984), at(134), colour::SEPARATOR, 0, PaintText::None, FONT_NONE, 0},
    // 13: bottom bar
    {PaintKind::Fill, at(0), at(660), fromFar(0), at(720), colour::BOTTOM_BAR, 0, PaintText::None, FONT_NONE, 0},
    // 14: status text
    {PaintKind::Text, at(740), at(704), at(1004), at(720), colour::QUIET_TEXT, 0, PaintText::Status, FONT_SMALL, TEXT_ALIGN_RIGHT},
};
static_assert(std::size(PAINT_STEPS) == PAINT_STEP_COUNT);

struct Box {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
// The rectangle of a step for a client area of the given size.
Box paintStepBox(const PaintStep& step, int clientRight, int clientBottom);

extern const char16_t INPUTS_TITLE[];
extern const char16_t RESULTS_TITLE[];
