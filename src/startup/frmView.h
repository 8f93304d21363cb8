#pragma once
#include "platform/windows.h"

// The preview window: the program's name with a shadow on black, placed inside the host window
// that the display settings hand over. It has no behaviour of its own.
class frmView {
public:
    static platform::PreviewDesign Design();
};
