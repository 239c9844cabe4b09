// The X-toon plug-in's gradient listener: new X-toon materials get default
// ramps in their colour, specular and reflection gradients. It lives from the
// first X-toon material object to the last.
#pragma once

#include "extensions/new_grads_listener.h"

namespace XToon_Shader {

using CNewGradsListener = ::CNewGradsListener;

extern CKvSingleHolder<CNewGradsListener> grad_listener;

void AcquireXToonListener();
void ReleaseXToonListener();

}  // namespace XToon_Shader
