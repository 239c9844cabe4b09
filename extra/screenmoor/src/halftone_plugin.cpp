// The plug-in's two hooks.
#include <framework/module.h>

#include "halftone_material.h"

void initialize() { Halftone2_Shader::initialize(); }
void cleanup() {}
