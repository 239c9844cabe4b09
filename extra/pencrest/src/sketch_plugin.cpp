// The plug-in's two hooks.
#include <framework/module.h>

#include "sketch_material.h"

void initialize() { SketchTone_Shader::initialize(); }
void cleanup() {}
