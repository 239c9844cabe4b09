// The plug-in's two hooks.
#include <framework/module.h>

#include "gooch_material.h"

void initialize() { Gooch_Shader::initialize(); }
void cleanup() {}
