#pragma once
// Xlib, included after every Qt and program header: its macros would otherwise rewrite them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// Clashes with Windows::RootWindow(); DefaultRootWindow() does the same job.
#undef RootWindow
