#include <array>
#include <string_view>

#include "settings.h"

namespace basComon {
namespace {

// Every kind of picture file the list takes, in the order the refusal message names them.
constexpr std::array<std::string_view, 13> Extensions = {
    "jpg", "jpeg", "jpe", "jfif", "bmp", "png", "gif",
    "webp", "heic", "heif", "avif", "tif", "tiff",
};

// Formats a system may be without: the dialog tries one such picture of a drop to find out.
constexpr std::array<std::string_view, 4> OptionalFormats = {"webp", "heic", "heif", "avif"};

} // namespace

std::string PictureExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

bool IsPictureExtension(const std::string& extension) {
    if (extension.empty()) return false;
    for (std::string_view known : Extensions)
        if (known == extension) return true;
    return false;
}

bool IsOptionalFormat(const std::string& extension) {
    for (std::string_view known : OptionalFormats)
        if (known == extension) return true;
    return false;
}

std::string PictureExtensionList() {
    std::string list;
    for (std::string_view known : Extensions) {
        if (!list.empty()) list += ',';
        list += "*.";
        list += known;
    }
    return list;
}

} // namespace basComon
