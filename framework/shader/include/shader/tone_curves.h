// Falloff curves of the surface-flow patterns, in 32-bit floats. Their
// arguments are unbounded and each curve has a pole (depthOffset at
// x = (e + 1)/(e - 1), normalOffset at x = e/(e - 1) for k < 0): a zero
// divisor or a result that is not finite gives 0.
#pragma once

namespace kv::shader {

// e = exp(k); a = x (e - 1); 2a / ((e + 1) - a). 0 for k = 0; e - 1 at x = 1.
float depthOffset(float x, float k);

// e = exp(-k); (y x) / (e + x (1 - e)). x y for k = 0; tends to y as k grows.
float normalOffset(float x, float y, float k);

}  // namespace kv::shader
