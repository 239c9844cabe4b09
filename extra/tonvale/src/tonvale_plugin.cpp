// The plug-in's two hooks.
#include <framework/module.h>

#include "xtoon_material.h"

void initialize() { XToon_Shader::initialize(); }
void cleanup() {}
