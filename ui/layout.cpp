#include "ui/layout.h"

WindowPlace centreOnScreen(int screenWidth, int screenHeight, int width, int height) {
    WindowPlace place{(screenWidth - width) / 2, (screenHeight - height) / 2};
    if (place.x < 0) place.x = 0;
    if (place.y < 0) place.y = 0;
    return place;
}

int shownInputCount(int inputCount) {
    if (inputCount < 0) return 0;
    return inputCount > MAX_SHOWN_INPUTS ? MAX_SHOWN_INPUTS : inputCount;
}

const FontSpec FONT_TABLE[FONT_COUNT] = {
    {u"Microsoft YaHei UI", 27, 700},   // title
    {u"Microsoft YaHei UI", 14, 400},   // heading
    {u"Microsoft YaHei UI", 14, 400},   // label
    {u"Microsoft YaHei UI", 15, 400},   // edit
    {u"Microsoft YaHei UI", 21, 700},   // verdict
    {u"Consolas", 15, 400},             // result
    {u"Microsoft YaHei UI", 15, 400},   // button
    {u"Microsoft YaHei UI", 12, 400},   // small
};
static_assert(sizeof(FONT_TABLE) / sizeof(FONT_TABLE[0]) == 8);

namespace {
constexpr uint32_t CHILD = STYLE_CHILD | STYLE_VISIBLE;
}

const ControlSpec INPUT_ROW_CONTROLS[INPUT_ROW_CONTROL_COUNT] = {
    {ControlClass::Static, 0, CHILD | STYLE_SS_RIGHT, ControlText::InputLabel, nullptr,
     24, 1, 184, 22, 0, FONT_LABEL, NO_SLOT},
    {ControlClass::Edit, EXSTYLE_CLIENTEDGE, CHILD | STYLE_ES_AUTOHSCROLL, ControlText::InputDefault, nullptr,
     216, -4, 152, 27, ID_FIRST_INPUT_BOX, FONT_EDIT, 0},
    {ControlClass::Static, 0, CHILD, ControlText::InputUnit, nullptr,
     374, 0, 78, 22, 0, FONT_SMALL, NO_SLOT},
};
static_assert(INPUT_ROW_CONTROL_COUNT == 3);

const ControlSpec RIGHT_COLUMN_CONTROLS[RIGHT_COLUMN_CONTROL_COUNT] = {
    {ControlClass::Static, 0, CHILD, ControlText::Hint, nullptr,
     492, 142, 492, 46, 0, FONT_VERDICT, 17},
    {ControlClass::Edit, EXSTYLE_CLIENTEDGE,
     CHILD | STYLE_VSCROLL | STYLE_ES_MULTILINE | STYLE_ES_AUTOVSCROLL | STYLE_ES_READONLY,
     ControlText::Empty, nullptr, 492, 196, 492, 232, ID_RESULT_BOX, FONT_RESULT, 16},
    {ControlClass::Static, 0, CHILD, ControlText::Note, nullptr,
     492, 444, 492, 120, 0, FONT_SMALL, 18},
    {ControlClass::Static, 0, CHILD, ControlText::Reference, nullptr,
     492, 576, 492, 56, 0, FONT_SMALL, NO_SLOT},
};
static_assert(RIGHT_COLUMN_CONTROL_COUNT == 4);

const ControlSpec BUTTON_CONTROLS[BUTTON_COUNT] = {
    {ControlClass::Button, 0, CHILD | STYLE_BS_OWNERDRAW, ControlText::Caption, u"计算 (F5)",
     20, 668, 152, 40, ID_CALCULATE, FONT_NONE, 19},
    {ControlClass::Button, 0, CHILD | STYLE_BS_OWNERDRAW, ControlText::Caption, u"保存记录",
     184, 668, 132, 40, ID_SAVE, FONT_NONE, 20},
    {ControlClass::Button, 0, CHILD | STYLE_BS_OWNERDRAW, ControlText::Caption, u"复制结果",
     328, 668, 132, 40, ID_COPY, FONT_NONE, 21},
    {ControlClass::Button, 0, CHILD | STYLE_BS_OWNERDRAW, ControlText::Caption, u"清空重填",
     472, 668, 132, 40, ID_RESET, FONT_NONE, 22},
    {ControlClass::Button, 0, CHILD | STYLE_BS_OWNERDRAW, ControlText::Caption, u"关于",
     616, 668, 110, 40, ID_ABOUT, FONT_NONE, 23},
};
static_assert(BUTTON_COUNT == 5);

const ButtonLook& buttonLook(int controlId) {
    return controlId == ID_CALCULATE ? PRIMARY_BUTTON : PLAIN_BUTTON;
}

const Rgb VERDICT_COLOURS[VERDICT_COLOUR_COUNT] = {0x008060, 0xB08400, 0xD66C00, 0xBE1E2D};
static_assert(sizeof(VERDICT_COLOURS) / sizeof(VERDICT_COLOURS[0]) == 4);

Rgb verdictColour(int level) {
    if (level < 0 || level >= VERDICT_COLOUR_COUNT) return VERDICT_COLOURS[0];
    return VERDICT_COLOURS[level];
}

const char16_t INPUTS_TITLE[] = u"输入参数";
const char16_t RESULTS_TITLE[] = u"计算结果";

const PaintStep PAINT_STEPS[PAINT_STEP_COUNT] = {
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
static_assert(sizeof(PAINT_STEPS) / sizeof(PAINT_STEPS[0]) == 14);

namespace {
int resolveEdge(PaintEdge edge, int far) {
    return edge.from == EdgeFrom::Far ? far - edge.offset : edge.offset;
}
}  // namespace

Box paintStepBox(const PaintStep& step, int clientRight, int clientBottom) {
    return Box{resolveEdge(step.left, clientRight), resolveEdge(step.top, clientBottom),
               resolveEdge(step.right, clientRight), resolveEdge(step.bottom, clientBottom)};
}
