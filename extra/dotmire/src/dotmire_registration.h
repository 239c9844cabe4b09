// Registration of the stipple and dab materials' six servers.
#pragma once

namespace Stipple_Shader {

// "stipple", "stipple.shader.packet", "Stipple", then "dab", "Dab",
// "shader.dab.packet".
void initialize();

}  // namespace Stipple_Shader
