// Empty hooks for programs that link the framework without being a plug-in
// (tests, benchmarks). A plug-in's own initialize()/cleanup() replace them.
#include "framework/module.h"

__attribute__((weak)) void initialize() {}
__attribute__((weak)) void cleanup() {}
