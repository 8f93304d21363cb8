#include "frmView.h"

namespace {

constexpr int TwipsPerPixel = 15;

platform::Rect FromTwips(int left, int top, int width, int height) {
    return {left / TwipsPerPixel, top / TwipsPerPixel, (left + width) / TwipsPerPixel,
            (top + height) / TwipsPerPixel};
}

platform::LabelDesign NameLabel(platform::Color color, int left, int top) {
    platform::LabelDesign label;
    label.Caption = "LumoraScr";
    label.TextColor = color;
    label.FontFace = "ＭＳ ゴシック";
    label.FontPoints = 14.25;
    label.FontWeight = 400;
    label.CharSet = 128; // Shift-JIS
    label.Bounds = FromTwips(left, top, 2775, 855);
    return label;
}

} // namespace

platform::PreviewDesign frmView::Design() {
    platform::PreviewDesign design;
    design.Client = {4680 / TwipsPerPixel, 3195 / TwipsPerPixel};
    design.Background = platform::Rgb(0, 0, 0);
    // lblName(0), the dark grey shadow one pixel right and below, is painted first so that
    // lblName(1) in the title-bar colour stands over it.
    design.Labels.push_back(NameLabel(0x606060, 120, 120));
    design.Labels.push_back(NameLabel(platform::SystemColor(2), 105, 105));
    return design;
}
