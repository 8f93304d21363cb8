#include <QString>

#include "codepage.h"
#include "qt_services.h"

namespace platform::qt {
namespace {

class Utf8Text : public Text {
  public:
    std::string ToLower(const std::string& utf8) override {
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
            .toLower()
            .toStdString();
    }
    // Files and paths are UTF-8 here, which carries every text.
    bool FitsCodePage(const std::string&) override { return true; }
    char PathSeparator() override { return '/'; }
    std::string FileTextToUtf8(const std::string& bytes) override {
        return Utf8FromFileBytes(bytes);
    }
};

} // namespace

Text& TextService() {
    static Utf8Text text;
    return text;
}

} // namespace platform::qt
