#pragma once

namespace platform {

struct Size {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const Size&, const Size&) = default;
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
};

} // namespace platform
