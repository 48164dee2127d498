#pragma once

// The two 2 × 2 checkerboards of the chart: navy and white in the halo of
// the primary node; magenta and white in the halo of the other selected
// nodes and in the bar of a dragged canvas edge.

#include <QBrush>

namespace tessaly::view {

QBrush navy_checkerboard();
QBrush magenta_checkerboard();

}  // namespace tessaly::view
