#pragma once
#include <vector>

namespace platform {

struct Size {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// One monitor of the desktop: its rectangle in virtual-screen pixels (the primary monitor's
// top-left corner is the origin on Windows; X11 has no such rule) and its density.
struct Monitor {
    int Left = 0;
    int Top = 0;
    Size Area;
    double Dpi = 96;
    friend bool operator==(const Monitor&, const Monitor&) = default;
};

class Screen {
public:
    virtual ~Screen() = default;
    // Size in whole pixels of the area the saver covers: the primary screen, or the window
    // the saver was asked to draw into.
    virtual Size PrimarySize() = 0;
    // Dots per inch of the display that area is on, as the system's scaling setting gives it
    // (96 at 100 %).
    virtual double Dpi() = 0;
    // Every monitor of the desktop, the primary one first. Where the system knows of one area
    // only, that area at the origin.
    virtual std::vector<Monitor> Monitors() { return {Monitor{0, 0, PrimarySize(), Dpi()}}; }
};

} // namespace platform
