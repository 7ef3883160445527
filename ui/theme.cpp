#include "ui/theme.h"

#include "ui/controls.h"

const ButtonLook& buttonLook(int controlId) {
    return controlId == ID_CALCULATE ? PRIMARY_BUTTON : PLAIN_BUTTON;
}

Rgb verdictColour(int level) {
    if (level < 0 || level >= VERDICT_COLOUR_COUNT) return VERDICT_COLOURS[0];
    return VERDICT_COLOURS[level];
}
