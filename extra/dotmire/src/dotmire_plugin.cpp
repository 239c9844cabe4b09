// The plug-in's two hooks: registration of the stipple and dab materials.
#include <framework/module.h>

#include "dotmire_registration.h"

void initialize() { Stipple_Shader::initialize(); }
void cleanup() {}
