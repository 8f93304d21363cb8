#include "recording_dc.h"

#include <algorithm>

namespace fakes {

platform::FontHandle RecordingDc::CreateFontIndirect(const platform::LogFont& font) {
    DcCall call(DcCall::Kind::CreateFont);
    call.Font = font;
    if (!failFontCreation) {
        call.Handle = next_++;
        liveFonts.push_back(call.Handle);
    }
    calls.push_back(call);
    return call.Handle;
}

platform::FontHandle RecordingDc::SelectFont(platform::FontHandle font) {
    DcCall call(DcCall::Kind::SelectFont);
    call.Handle = font;
    const bool known =
        font == StockFont || std::find(liveFonts.begin(), liveFonts.end(), font) != liveFonts.end();
    // Like the system, a handle that is no font selects nothing and reports no previous font.
    if (known) {
        call.Result = selected;
        selected = font;
    }
    calls.push_back(call);
    return call.Result;
}

bool RecordingDc::DeleteFont(platform::FontHandle font) {
    DcCall call(DcCall::Kind::DeleteFont);
    call.Handle = font;
    calls.push_back(call);
    const auto it = std::find(liveFonts.begin(), liveFonts.end(), font);
    if (it == liveFonts.end()) return false;
    liveFonts.erase(it);
    return true;
}

void RecordingDc::SetBkMode(platform::BkMode mode) {
    DcCall call(DcCall::Kind::SetBkMode);
    call.Mode = mode;
    calls.push_back(call);
}

void RecordingDc::SetTextColor(platform::Color color) {
    DcCall call(DcCall::Kind::SetTextColor);
    call.Color = color;
    color_ = color;
    calls.push_back(call);
}

void RecordingDc::DrawText(const std::string& text, const platform::Rect& rect, unsigned format) {
    DcCall call(DcCall::Kind::DrawText);
    call.Text = text;
    call.Rect = rect;
    call.Format = format;
    call.TextColor = color_;
    call.SelectedFont = selected;
    calls.push_back(call);
}

void RecordingDc::CopyFrom(int x, int y, int width, int height, platform::DeviceContext&, int,
                           int) {
    DcCall call(DcCall::Kind::CopyFrom);
    call.Rect = {x, y, x + width, y + height};
    calls.push_back(call);
}

void RecordingDc::Fill(const platform::Rect& rect, platform::Color color) {
    DcCall call(DcCall::Kind::Fill);
    call.Rect = rect;
    call.Color = color;
    calls.push_back(call);
}

std::vector<DcCall> RecordingDc::Only(DcCall::Kind kind) const {
    std::vector<DcCall> out;
    for (const DcCall& call : calls)
        if (call.What == kind) out.push_back(call);
    return out;
}

} // namespace fakes
