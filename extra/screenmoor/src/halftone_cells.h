// The halftone cell lattice and the shapes drawn in its cells. Pure: no host.
#pragma once

#include <cstdint>

namespace Halftone2_Shader {

// Half-cell shift of a pattern's odd rows (sx) and odd columns (sy):
// none for dots to adaptive, (0.5, 0) for circle to diamond, (0.5, 0.5) for
// cross to diamCheck. Patterns outside 0..9 are not staggered.
void PatternStagger(int32_t pattern, float* sx, float* sy);

// Lattice coordinates of a pattern coordinate: u * tiles + offset and
// v * tiles + offset. A coordinate below 0 continues the lattice (cells are
// floored), so no tile count leaves a seam where a screen coordinate crosses
// 0 (texture coordinates come in as |u| and |v|). A coordinate that is not
// finite reads as 0.
struct CellLattice {
    float x;
    float y;
};
CellLattice LatticeOf(float u, float v, float tiles, float offset);

// Position (fx, fy) in [0, 1) inside the cell of `pattern` at lattice point
// `p`, after its stagger. Cells are those of kv::shader::PlaceInTile (the
// floor), so negative lattice coordinates stay inside their cell and odd
// negative rows stagger like odd positive ones.
void InCellPosition(int32_t pattern, CellLattice p, float* fx, float* fy);

// Paper fraction (0 inside the shape, 1 outside, a ramp one tenth wide just
// inside the edge) of `pattern` at in-cell position (fx, fy) for ink level t.
// Values outside 0..9 draw the adaptive pattern.
float CellCoverage(int32_t pattern, float fx, float fy, float t);

}  // namespace Halftone2_Shader
