// The toon plug-in's gradient listener: new toon materials get default ramps
// in specGrad and reflGrad. It lives from the first toon material object to
// the last.
#pragma once

#include "extensions/new_grads_listener.h"

extern CKvSingleHolder<CNewGradsListener> grad_listener;

void AcquireToonListener();
void ReleaseToonListener();
