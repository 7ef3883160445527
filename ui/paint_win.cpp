// The window's own surface, its owner-drawn buttons and its control colours.
// Every fill and outline makes its own brush or pen and deletes it at once;
// only the fonts and the two brushes of the state record outlive a paint.
#include "ui/paint_win.h"

#include "engine/text.h"
#include "engine/wide_win.h"
#include "ui/command_text.h"
#include "ui/main_window_win.h"
#include "ui/paint_steps.h"

namespace {

// Every painted text: one line, centred vertically, cut with an ellipsis.
constexpr UINT ONE_LINE = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

HBRUSH whiteBrush() { return static_cast<HBRUSH>(mainWindow.handles[slot::WHITE]); }

UINT alignFlags(TextAlign align) {
    switch (align) {
    case TEXT_ALIGN_LEFT: return DT_LEFT;
    case TEXT_ALIGN_CENTRE: return DT_CENTER;
    case TEXT_ALIGN_RIGHT: return DT_RIGHT;
    }
    return DT_LEFT;
}

void paintStep(HDC dc, const PaintStep& step, int clientRight, int clientBottom) {
    const Box box = paintStepBox(step, clientRight, clientBottom);
    switch (step.kind) {
    case PaintKind::Fill:
        fillBox(dc, box.left, box.top, box.width(), box.height(), step.colour);
        return;
    case PaintKind::Panel:
        fillBox(dc, box.left, box.top, box.width(), box.height(), step.colour);
        frameBox(dc, box.left, box.top, box.width(), box.height(), step.border);
        return;
    case PaintKind::Text: break;
    }

    char16_t buffer[HEADER_LINE_CAPACITY];
    const char16_t* text = u"";
    switch (step.text) {
    case PaintText::ToolName: text = mainWindow.tool->name; break;
    case PaintText::HeaderLine:
        formatHeaderLine(*mainWindow.tool, buffer, HEADER_LINE_CAPACITY);
        text = buffer;
        break;
    case PaintText::WebAddress:
        textCopy(buffer, WEB_ADDRESS_CAPACITY, MAKER_WEB_ADDRESS);
        text = buffer;
        break;
    case PaintText::InputsTitle: text = INPUTS_TITLE; break;
    case PaintText::ResultsTitle: text = RESULTS_TITLE; break;
    case PaintText::Status: text = mainWindow.StatusText; break;
    case PaintText::None: break;
    }
    drawTextIn(dc, box.left, box.top, box.width(), box.height(), text, step.colour, fontOf(step.font), alignFlags(step.align));
}

}  // namespace

void fillBox(HDC dc, int x, int y, int width, int height, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(toColorRef(colour));
    const RECT rect = {x, y, x + width, y + height};
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void frameBox(HDC dc, int x, int y, int width, int height, Rgb colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, toColorRef(colour));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x, y, x + width, y + height);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
}

void drawTextIn(HDC dc, int x, int y, int width, int height, const char16_t* text, Rgb colour, HFONT font,
                UINT extraFlags) {
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(colour));
    RECT rect = {x, y, x + width, y + height};
    DrawTextW(dc, wide(text), -1, &rect, extraFlags | ONE_LINE);
    SelectObject(dc, oldFont);
}

void paintSurface(HDC dc, int clientRight, int clientBottom) {
    for (const PaintStep& step : PAINT_STEPS) paintStep(dc, step, clientRight, clientBottom);
}

void paintMainWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    paintSurface(dc, client.right, client.bottom);
    EndPaint(window, &paint);
}

void drawButton(const DRAWITEMSTRUCT& item) {
    const ButtonLook& look = buttonLook(static_cast<int>(item.CtlID));
    const RECT& rect = item.rcItem;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    fillBox(item.hDC, rect.left, rect.top, width, height, pressed ? look.pressedFill : look.fill);
    frameBox(item.hDC, rect.left, rect.top, width, height, look.border);

    wchar_t caption[BUTTON_CAPTION_CAPACITY];
    caption[0] = 0;
    GetWindowTextW(item.hwndItem, caption, BUTTON_CAPTION_CAPACITY);
    HGDIOBJ oldFont = SelectObject(item.hDC, fontOf(FONT_BUTTON));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, toColorRef(look.caption));
    RECT textRect = rect;
    DrawTextW(item.hDC, caption, -1, &textRect, DT_CENTER | ONE_LINE);
    SelectObject(item.hDC, oldFont);
}

HBRUSH editColours(HDC dc) {
    SetTextColor(dc, toColorRef(colour::BODY_TEXT));
    SetBkColor(dc, toColorRef(colour::WHITE));
    return whiteBrush();
}

HBRUSH staticColours(HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    Rgb text = colour::QUIET_TEXT;
    if (control == windowAt(slot::VERDICT_LABEL)) {
        text = verdictColour(mainWindow.level);
    } else if (control == windowAt(slot::RESULT_BOX) || control == windowAt(slot::NOTE_LABEL)) {
        text = colour::BODY_TEXT;
    }
    SetTextColor(dc, toColorRef(text));
    return whiteBrush();
}
