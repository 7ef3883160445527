// The main window's painted surface as data: every fill, panel and text, in
// the order it is painted, at a fixed place or at a fixed distance from the
// client area's far edges. The Win32 code only walks this table.
#pragma once

#include <cstdint>
#include <iterator>

#include "ui/theme.h"

// Where a text sits across its box; always one line, centred vertically and
// cut with an ellipsis (the Windows half turns this into DrawTextW flags).
enum TextAlign : uint32_t { TEXT_ALIGN_LEFT, TEXT_ALIGN_CENTRE, TEXT_ALIGN_RIGHT };

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
    Rgb border = 0;                       // panels only
    PaintText text = PaintText::None;     // texts only, as are font and align
    int font = FONT_NONE;
    TextAlign align = TEXT_ALIGN_LEFT;
};

constexpr int PAINT_STEP_COUNT = 14;
inline constexpr PaintStep PAINT_STEPS[] = {
    // 1: window background
    {.kind = PaintKind::Fill, .left = at(0), .top = at(0), .right = fromFar(0), .bottom = fromFar(0),
     .colour = colour::WINDOW_BACKGROUND},
    // 2: header band
    {.kind = PaintKind::Fill, .left = at(0), .top = at(0), .right = fromFar(0), .bottom = at(88),
     .colour = colour::HEADER_BAND},
    // 3: accent strip
    {.kind = PaintKind::Fill, .left = at(0), .top = at(0), .right = at(8), .bottom = at(88),
     .colour = colour::HEADER_ACCENT},
    // 4: the tool's name
    {.kind = PaintKind::Text, .left = at(26), .top = at(12), .right = at(726), .bottom = at(50),
     .colour = colour::TITLE_TEXT, .text = PaintText::ToolName, .font = FONT_TITLE, .align = TEXT_ALIGN_LEFT},
    // 5: category and subtitle
    {.kind = PaintKind::Text, .left = at(28), .top = at(48), .right = at(748), .bottom = at(76),
     .colour = colour::HEADER_LINE_TEXT, .text = PaintText::HeaderLine, .font = FONT_HEADING, .align = TEXT_ALIGN_LEFT},
    // 6: the maker's web address, kept 26 pixels from the right edge
    {.kind = PaintKind::Text, .left = fromFar(240), .top = at(8), .right = fromFar(26), .bottom = at(34),
     .colour = colour::WEB_ADDRESS_TEXT, .text = PaintText::WebAddress, .font = FONT_SMALL, .align = TEXT_ALIGN_RIGHT},
    // 7, 8: the two panels
    {.kind = PaintKind::Panel, .left = at(20), .top = at(96), .right = at(460), .bottom = at(648),
     .colour = colour::PANEL_FILL, .border = colour::PANEL_BORDER},
    {.kind = PaintKind::Panel, .left = at(476), .top = at(96), .right = at(1000), .bottom = at(648),
     .colour = colour::PANEL_FILL, .border = colour::PANEL_BORDER},
    // 9, 10: section titles
    {.kind = PaintKind::Text, .left = at(36), .top = at(104), .right = at(336), .bottom = at(134),
     .colour = colour::SECTION_TITLE, .text = PaintText::InputsTitle, .font = FONT_HEADING, .align = TEXT_ALIGN_LEFT},
    {.kind = PaintKind::Text, .left = at(492), .top = at(104), .right = at(792), .bottom = at(134),
     .colour = colour::SECTION_TITLE, .text = PaintText::ResultsTitle, .font = FONT_HEADING, .align = TEXT_ALIGN_LEFT},
    // 11, 12: separators under the titles
    {.kind = PaintKind::Fill, .left = at(36), .top = at(133), .right = at(444), .bottom = at(134),
     .colour = colour::SEPARATOR},
    {.kind = PaintKind::Fill, .left = at(492), .top = at(133), .right = at(984), .bottom = at(134),
     .colour = colour::SEPARATOR},
    // 13: bottom bar
    {.kind = PaintKind::Fill, .left = at(0), .top = at(660), .right = fromFar(0), .bottom = at(720),
     .colour = colour::BOTTOM_BAR},
    // 14: status text
    {.kind = PaintKind::Text, .left = at(740), .top = at(704), .right = at(1004), .bottom = at(720),
     .colour = colour::QUIET_TEXT, .text = PaintText::Status, .font = FONT_SMALL, .align = TEXT_ALIGN_RIGHT},
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
