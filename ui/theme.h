// The main window's theme: its colours and its fonts.
#pragma once

#include <cstdint>
#include <iterator>

// Colours as 0xRRGGBB; the Win32 side turns them into COLORREF.
using Rgb = uint32_t;

constexpr uint8_t rgbRed(Rgb c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
constexpr uint8_t rgbGreen(Rgb c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t rgbBlue(Rgb c) { return static_cast<uint8_t>(c & 0xFF); }

// ---------------------------------------------------------------------------
// Fonts: created once, in this order, into the handle slots of the fonts
// (slot::FONTS in controls.h).
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
constexpr ButtonLook PRIMARY_BUTTON = {.fill = 0x007AA8, .pressedFill = 0x00648A, .border = 0x006A94, .caption = 0xFFFFFF};
constexpr ButtonLook PLAIN_BUTTON = {.fill = 0xFFFFFF, .pressedFill = 0xE2EAF0, .border = 0xCED8E0, .caption = 0x2C3842};
// The calculate button is the primary one; every other id looks plain.
const ButtonLook& buttonLook(int controlId);

constexpr int VERDICT_COLOUR_COUNT = 4;
inline constexpr Rgb VERDICT_COLOURS[] = {0x008060, 0xB08400, 0xD66C00, 0xBE1E2D};
static_assert(std::size(VERDICT_COLOURS) == VERDICT_COLOUR_COUNT);
// Level 0..3 picks its colour; any other value shows as normal.
Rgb verdictColour(int level);
