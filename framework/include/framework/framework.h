// Everything a plug-in uses from the framework.
#pragma once

#include "framework/adaptor_material.h"
#include "framework/adaptor_module.h"
#include "framework/adaptor_packet.h"
#include "framework/com.h"
#include "framework/errors.h"
#include "framework/globals.h"
#include "framework/host_wrappers.h"
#include "framework/module.h"
#include "framework/threading.h"
