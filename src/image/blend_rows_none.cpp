// Processors without a wide build of the blend row loops run the baseline.
#include "image/blend_rows.h"

namespace blend {

const RowLoops* WideRowLoops() { return nullptr; }

}  // namespace blend
