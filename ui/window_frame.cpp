#include "ui/window_frame.h"

WindowPlace centreOnScreen(int screenWidth, int screenHeight, int width, int height) {
    WindowPlace place{(screenWidth - width) / 2, (screenHeight - height) / 2};
    if (place.x < 0) place.x = 0;
    if (place.y < 0) place.y = 0;
    return place;
}
