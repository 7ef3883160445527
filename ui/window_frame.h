// The main window's frame: the client area the layout is drawn for, the one
// outer size the window keeps, and where it opens on the screen.
#pragma once

constexpr int CLIENT_WIDTH = 1020;
constexpr int CLIENT_HEIGHT = 720;
// Both the minimum and the maximum tracking size: the window is never resized.
constexpr int TRACK_WIDTH = 1036;
constexpr int TRACK_HEIGHT = 780;

struct WindowPlace { int x; int y; };
// Centres a window of the given outer size on the screen; a negative
// coordinate (window larger than the screen) becomes 0. Integer division
// truncates toward zero, as C++ does.
WindowPlace centreOnScreen(int screenWidth, int screenHeight, int width, int height);
