#include "toon_listener.h"

#include "toon_names.h"

// Destroyed at process exit, deleting a listener still held.
CKvSingleHolder<CNewGradsListener> grad_listener;

namespace {

const char* const kRampChannels[] = {"specGrad", "reflGrad", nullptr};
const KvGradListenerConfig kToonRamp = {kToonItemType, kRampChannels, 0.0f, 1.0f, 0.0f, 1.0f, 5};

}  // namespace

void AcquireToonListener() { kv::GradListenerAcquire(grad_listener, kToonRamp); }
void ReleaseToonListener() { kv::GradListenerRelease(grad_listener); }
