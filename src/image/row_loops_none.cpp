// Processors without a wide build of the row loops run the baseline.
#include "image/row_loops.h"

const RowLoops* WideRowLoops() { return nullptr; }
