// The plug-in's two hooks. The materials are not registered yet: the plug-in
// loads with no servers and carries only its point library.
#include <framework/module.h>

void initialize() {}
void cleanup() {}
