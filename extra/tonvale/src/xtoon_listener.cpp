#include "xtoon_listener.h"

#include "xtoon_channels.h"

namespace XToon_Shader {

// Destroyed at process exit, deleting a listener still held.
CKvSingleHolder<CNewGradsListener> grad_listener;

namespace {

const char* const kRampChannels[] = {"topColor.R",    "topColor.G",    "topColor.B", "bottomColor.R",
                                     "bottomColor.G", "bottomColor.B", "specGrad",   "reflGrad",
                                     nullptr};
const KvGradListenerConfig kXToonRamp = {kXToonItemType, kRampChannels, 0.0f, 1.0f, 0.0f, 1.0f, 5};

}  // namespace

void AcquireXToonListener() { kv::GradListenerAcquire(grad_listener, kXToonRamp); }
void ReleaseXToonListener() { kv::GradListenerRelease(grad_listener); }

}  // namespace XToon_Shader
