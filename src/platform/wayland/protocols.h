// The generated Wayland protocol headers, made safe for C++: some requests name a parameter
// "namespace", a C++ keyword, which is renamed while they are read.
#pragma once

#include <wayland-client.h>

#define namespace namespace_
#include "xdg-shell-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
#include "fractional-scale-v1-client-protocol.h"
#endif
#undef namespace
