// Painting of the main window and the colours of its controls.
#pragma once

#include <windows.h>

#include "ui/theme.h"

constexpr COLORREF toColorRef(Rgb colour) {
    return RGB(rgbRed(colour), rgbGreen(colour), rgbBlue(colour));
}

// WM_PAINT: the whole surface from fixed coordinates, between BeginPaint and
// EndPaint.
void paintMainWindow(HWND window);
// Draws the whole surface into a device context (no BeginPaint here).
void paintSurface(HDC dc, int clientRight, int clientBottom);
// WM_DRAWITEM for the five owner-drawn buttons.
void drawButton(const DRAWITEMSTRUCT& item);
// WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC: sets the control's colours and returns
// the brush of its background.
HBRUSH editColours(HDC dc);
HBRUSH staticColours(HDC dc, HWND control);

void fillBox(HDC dc, int x, int y, int width, int height, Rgb colour);
void frameBox(HDC dc, int x, int y, int width, int height, Rgb colour);
void drawTextIn(HDC dc, int x, int y, int width, int height, const char16_t* text, Rgb colour,
                HFONT font, UINT extraFlags);
