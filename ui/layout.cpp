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

const ButtonLook& buttonLook(int controlId) {
    return controlId == ID_CALCULATE ? PRIMARY_BUTTON : PLAIN_BUTTON;
}

Rgb verdictColour(int level) {
    if (level < 0 || level >= VERDICT_COLOUR_COUNT) return VERDICT_COLOURS[0];
    return VERDICT_COLOURS[level];
}

const char16_t INPUTS_TITLE[] = u"输入参数";
const char16_t RESULTS_TITLE[] = u"计算结果";

namespace {
int resolveEdge(PaintEdge edge, int far) {
    return edge.from == EdgeFrom::Far ? far - edge.offset : edge.offset;
}
}  // namespace

Box paintStepBox(const PaintStep& step, int clientRight, int clientBottom) {
    return Box{resolveEdge(step.left, clientRight), resolveEdge(step.top, clientBottom),
               resolveEdge(step.right, clientRight), resolveEdge(step.bottom, clientBottom)};
}
