#include "halftone_road.h"
