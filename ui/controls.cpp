#include "ui/controls.h"

int shownInputCount(int inputCount) {
    if (inputCount < 0) return 0;
    return inputCount > MAX_SHOWN_INPUTS ? MAX_SHOWN_INPUTS : inputCount;
}
