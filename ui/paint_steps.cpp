#include "ui/paint_steps.h"

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
