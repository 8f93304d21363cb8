#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "qt_internal.h"

namespace platform::qt {
namespace {

// Stand-ins for the Windows Japanese faces, best first.
const std::vector<QString>& GothicFaces() {
    static const std::vector<QString> faces = {"IPAGothic",        "IPAexGothic",
                                               "Noto Sans CJK JP", "Noto Sans Mono CJK JP",
                                               "VL Gothic",        "TakaoGothic"};
    return faces;
}

const std::vector<QString>& ProportionalGothicFaces() {
    static const std::vector<QString> faces = {"IPAPGothic", "IPAexGothic",  "Noto Sans CJK JP",
                                               "VL PGothic", "TakaoPGothic", "IPAGothic"};
    return faces;
}

QString FirstInstalled(const std::vector<QString>& faces) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : faces)
        if (installed.contains(face, Qt::CaseInsensitive)) return face;
    return faces.front();
}

int Clamp(long long value, int low, int high) {
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

} // namespace

QString MappedFace(const std::string& face) {
    static std::map<std::string, QString> cache;
    if (auto found = cache.find(face); found != cache.end()) return found->second;
    const QString name = QString::fromStdString(face).trimmed();
    const QString folded = name.toCaseFolded().normalized(QString::NormalizationForm_KC);
    QString mapped = name;
    if (folded == "ms gothic" || folded == "ms ゴシック" || folded == "ms mincho" ||
        folded == "ms 明朝")
        mapped = FirstInstalled(GothicFaces());
    else if (folded == "ms pgothic" || folded == "ms pゴシック" || folded == "ms ui gothic" ||
             folded == "meiryo" || folded == "メイリオ")
        mapped = FirstInstalled(ProportionalGothicFaces());
    cache.emplace(face, mapped);
    return mapped;
}

namespace {

QFont MakeFont(const LogFont& record) {
    QFont font;
    const QString face = MappedFace(record.FaceName);
    if (!face.isEmpty()) font.setFamilies({face, FirstInstalled(GothicFaces())});
    // GDI weights run past the heaviest face weight; 0 means the default one.
    const int weight = record.Weight <= 0 ? 400 : Clamp(record.Weight, 100, 900);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(record.Italic != 0);
    font.setUnderline(record.Underline != 0);
    font.setStrikeOut(record.StrikeOut != 0);
    font.setHintingPreference(QFont::PreferFullHinting);

    // A positive height is the character cell (ascent plus descent), a negative one the
    // em height; 0 asks for the default size.
    const long long height = record.Height == 0 ? 16 : std::llabs(record.Height);
    font.setPixelSize(Clamp(height, 1, 2000));
    if (record.Height > 0) {
        const double cell = QFontMetricsF(font).height();
        if (cell > 0) font.setPixelSize(Clamp(std::llround(height * height / cell), 1, 2000));
    }
    // A width asks for a narrower or wider glyph: the half-width digit gets that advance. A
    // synthetic bold adds a fixed amount that the stretch does not scale, so the stretch is
    // corrected against the measured advance.
    if (record.Width > 0) {
        const double wanted = record.Width;
        const double natural = QFontMetricsF(font).horizontalAdvance(QChar('0'));
        int stretch = natural > 0 ? Clamp(std::llround(100.0 * wanted / natural), 1, 4000) : 100;
        int best = stretch;
        double bestError = 1e9;
        for (int attempt = 0; attempt < 5; ++attempt) {
            font.setStretch(stretch);
            const double advance = QFontMetricsF(font).horizontalAdvance(QChar('0'));
            const double error = std::abs(advance - wanted);
            if (error < bestError) bestError = error, best = stretch;
            if (error < 0.25 || advance <= 0) break;
            int next = Clamp(std::llround(stretch * wanted / advance), 1, 4000);
            if (next == stretch) next += advance > wanted ? -1 : 1;
            stretch = Clamp(next, 1, 4000);
        }
        font.setStretch(best);
    }
    return font;
}

} // namespace

QFont FontFromLogFont(const LogFont& record) {
    // Finding the stretch measures the face up to six times, which cost more than the text the
    // font then draws; the saver asks for the same two records at every frame.
    static std::mutex guard;
    static std::vector<std::pair<LogFont, QFont>> made;
    {
        const std::lock_guard<std::mutex> lock(guard);
        for (const auto& [key, font] : made)
            if (key == record) return font;
    }
    QFont font = MakeFont(record);
    const std::lock_guard<std::mutex> lock(guard);
    if (made.size() >= 16) made.erase(made.begin());
    made.emplace_back(record, font);
    return font;
}

void EnsureJapaneseUiFont() {
    QFont font = QApplication::font();
    if (QFontMetricsF(font).inFontUcs4(0x753B)) return; // 画
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    families << FirstInstalled(GothicFaces());
    font.setFamilies(families);
    QApplication::setFont(font);
}

} // namespace platform::qt
