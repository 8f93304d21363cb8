#pragma once
// A device context that draws nothing and records every call, for call-by-call checks.
#include <string>
#include <vector>

#include "platform/drawing.h"

namespace fakes {

struct DcCall {
    enum class Kind {
        CreateFont,
        SelectFont,
        DeleteFont,
        SetBkMode,
        SetTextColor,
        DrawText,
        CopyFrom,
        Fill
    };
    explicit DcCall(Kind what) : What(what) {}
    Kind What;
    platform::LogFont Font;          // CreateFont
    platform::FontHandle Handle = 0; // CreateFont: the new handle; Select/Delete: the argument
    platform::FontHandle Result = 0; // SelectFont: the font it replaced
    platform::BkMode Mode = platform::BkMode::Opaque;
    platform::Color Color = 0;             // SetTextColor, Fill
    std::string Text;                      // DrawText
    platform::Rect Rect;                   // DrawText, Fill, CopyFrom (destination)
    unsigned Format = 0;                   // DrawText
    platform::Color TextColor = 0;         // DrawText: the colour in effect
    platform::FontHandle SelectedFont = 0; // DrawText: the font in effect
};

class RecordingDc : public platform::DeviceContext {
  public:
    // The font the context holds before anyone selects one.
    static constexpr platform::FontHandle StockFont = 7;

    platform::FontHandle CreateFontIndirect(const platform::LogFont& font) override;
    platform::FontHandle SelectFont(platform::FontHandle font) override;
    bool DeleteFont(platform::FontHandle font) override;
    void SetBkMode(platform::BkMode mode) override;
    void SetTextColor(platform::Color color) override;
    void DrawText(const std::string& text, const platform::Rect& rect, unsigned format) override;
    void CopyFrom(int x, int y, int width, int height, platform::DeviceContext& source, int sx,
                  int sy) override;
    void Fill(const platform::Rect& rect, platform::Color color) override;

    std::vector<DcCall> calls;
    platform::FontHandle selected = StockFont;
    std::vector<platform::FontHandle> liveFonts; // created and not yet deleted
    bool failFontCreation = false;

    std::vector<DcCall> Only(DcCall::Kind kind) const;

  private:
    platform::FontHandle next_ = 100;
    platform::Color color_ = 0;
};

} // namespace fakes
