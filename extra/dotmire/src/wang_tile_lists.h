// The point lists of the eight recursive tiles, written into the build tree
// by embed_point_data from the point table and data/wang_tile_transforms.txt.
#pragma once

#include "point_table.h"

namespace Stipple_Shader {

extern const PatternPoint kWangTile0A[509], kWangTile0B[7618];
extern const PatternPoint kWangTile1A[503], kWangTile1B[7602];
extern const PatternPoint kWangTile2A[510], kWangTile2B[7622];
extern const PatternPoint kWangTile3A[513], kWangTile3B[7626];
extern const PatternPoint kWangTile4A[502], kWangTile4B[7620];
extern const PatternPoint kWangTile5A[517], kWangTile5B[7617];
extern const PatternPoint kWangTile6A[506], kWangTile6B[7639];
extern const PatternPoint kWangTile7A[502], kWangTile7B[7622];

}  // namespace Stipple_Shader
