// The main window's geometry, fonts and colours as data.
//
// Everything the window creates or paints at a fixed place is listed here, in
// the order it is created or painted, so the window can be read like a table
// and checked by tests without a Windows header. The Win32 code only walks
// these tables.
#pragma once

#include <cstdint>

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
extern const FontSpec FONT_TABLE[FONT_COUNT];

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
    Caption,         // the spec's own caption (buttons)
};

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
extern const ControlSpec INPUT_ROW_CONTROLS[INPUT_ROW_CONTROL_COUNT];
constexpr int inputRowY(int row) { return INPUT_ROW_TOP + INPUT_ROW_PITCH * row; }
// The window holds rows, boxes and values for at most 16 inputs; a tool with
// more shows (and calculates with) its first 16.
int shownInputCount(int inputCount);

constexpr int RIGHT_COLUMN_CONTROL_COUNT = 4;
extern const ControlSpec RIGHT_COLUMN_CONTROLS[RIGHT_COLUMN_CONTROL_COUNT];

constexpr int BUTTON_COUNT = 5;
constexpr int ID_CALCULATE = 1001;
constexpr int ID_SAVE = 1002;
constexpr int ID_COPY = 1003;
constexpr int ID_RESET = 1004;
constexpr int ID_ABOUT = 1005;
constexpr int ID_FIRST_INPUT_BOX = 2000;
constexpr int ID_RESULT_BOX = 3000;
extern const ControlSpec BUTTON_CONTROLS[BUTTON_COUNT];

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
extern const Rgb VERDICT_COLOURS[VERDICT_COLOUR_COUNT];
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
extern const PaintStep PAINT_STEPS[PAINT_STEP_COUNT];

struct Box {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
// The rectangle of a step for a client area of the given size.
Box paintStepBox(const PaintStep& step, int clientRight, int clientBottom);

extern const char16_t INPUTS_TITLE[];
extern const char16_t RESULTS_TITLE[];
