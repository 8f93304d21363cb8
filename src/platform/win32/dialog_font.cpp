#include "dialog_font.h"

#include <iterator>

#include "gdi_handles.h"
#include "win32_windows.h"

namespace platform::win32 {
namespace {

// True when the face draws every character of `sample` with a glyph of its own.
bool HasGlyphs(const LOGFONTW& lf, const wchar_t* sample) {
    UniqueFont font(CreateFontIndirectW(&lf));
    MemoryDc dc;
    if (!font || !dc.Get()) return false;
    SelectGuard keep(dc.Get(), font.Get());
    WORD glyphs[8] = {};
    const int n = lstrlenW(sample);
    if (GetGlyphIndicesW(dc.Get(), sample, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS) !=
        static_cast<DWORD>(n))
        return false;
    for (int i = 0; i < n; ++i)
        if (glyphs[i] == 0xFFFF) return false;
    return true;
}

} // namespace

HFONT CreateDialogFont(int dpi) {
    LOGFONTW lf{};
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        lf = metrics.lfMessageFont;
    else
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    // The system gives the metrics at the screen's dots per inch.
    const int screenDpi = ScreenDpi();
    if (dpi > 0 && dpi != screenDpi) lf.lfHeight = MulDiv(lf.lfHeight, dpi, screenDpi);

    // The captions are Japanese: a message font without those glyphs would show boxes.
    constexpr wchar_t Sample[] = L"\u753B\u50CF\u767B\u9332"; // 画像登録
    if (!HasGlyphs(lf, Sample)) {
        const wchar_t* const faces[] = {
            L"Yu Gothic UI", L"Meiryo UI",
            L"MS UI Gothic", L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF",
            L"IPAPGothic",   L"IPAGothic"};
        LOGFONTW candidate = lf;
        candidate.lfCharSet = SHIFTJIS_CHARSET;
        for (const wchar_t* face : faces) {
            lstrcpynW(candidate.lfFaceName, face, LF_FACESIZE);
            if (HasGlyphs(candidate, Sample)) {
                lf = candidate;
                break;
            }
        }
    }
    return CreateFontIndirectW(&lf);
}

int WindowDpi(HWND window) {
    // Present from Windows 10 version 1607 on; looked up so that older systems still start.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi();
}

} // namespace platform::win32
