#include <QGuiApplication>
#include <charconv>
#include <cstdlib>
#include <string>
#include <vector>

#include "qt_internal.h"
#include "x11_include.h"

namespace platform::qt {
namespace {

bool xErrorSeen = false;

int NoteError(Display*, XErrorEvent*) {
    xErrorSeen = true;
    return 0;
}

Display* OwnDisplay() {
    static Display* display = [] {
        const char* name = std::getenv("DISPLAY");
        return name && name[0] ? XOpenDisplay(nullptr) : nullptr;
    }();
    return display;
}

// A property's bytes (8-bit formats only); empty when it is missing.
std::string Property(Display* display, Window window, Atom property, Atom* type = nullptr) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, AnyPropertyType, &actualType,
                           &format, &count, &after, &data) == Success &&
        data && format == 8)
        value.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    if (type) *type = actualType;
    return value;
}

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// WM_NAME in UTF-8, whatever encoding the window's owner used; nothing when it has none.
std::optional<std::string> WmName(Display* display, Window window) {
    Atom type = None;
    const std::string raw = Property(display, window, XA_WM_NAME, &type);
    if (type == None) return std::nullopt;
    if (raw.empty() || type == XA_STRING) return Latin1ToUtf8(raw);
    if (type == XInternAtom(display, "UTF8_STRING", False)) return raw;
    XTextProperty property{};
    if (!XGetWMName(display, window, &property)) return raw;
    char** list = nullptr;
    int count = 0;
    std::string converted = raw;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) == Success && count > 0)
        converted = list[0];
    if (list) XFreeStringList(list);
    if (property.value) XFree(property.value);
    return converted;
}

// Titles match without regard to case, as the Windows title lookup compares them.
bool SameTitle(const std::string& name, const std::string& title) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
               .compare(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                        Qt::CaseInsensitive) == 0;
}

bool Titled(Display* display, Window window, const std::string& title) {
    static Atom netWmName = None;
    if (netWmName == None) netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    const std::string name = Property(display, window, netWmName, &type);
    // A window without a name has no title at all, not an empty one.
    if (type != None && SameTitle(name, title)) return true;
    const auto wmName = WmName(display, window);
    return wmName && SameTitle(*wmName, title);
}

std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children)
        result.assign(children, children + count);
    if (children) XFree(children);
    return result;
}

// Window managers put each client into a frame, so the clients are found a level or two below
// the root's children.
bool FindTitled(Display* display, Window window, const std::string& title, int depth) {
    for (Window child : Children(display, window)) {
        if (Titled(display, child, title)) return true;
        if (depth > 1 && FindTitled(display, child, title, depth - 1)) return true;
    }
    return false;
}

bool InClientList(Display* display, Window root, const std::string& title) {
    const Atom list = XInternAtom(display, "_NET_CLIENT_LIST", True);
    if (list == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, root, list, 0, 65536, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32) {
        const auto* windows = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = Titled(display, static_cast<Window>(windows[i]), title);
    }
    if (data) XFree(data);
    return found;
}

} // namespace

Display* XDisplay() {
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        if (Display* display = x11->display()) return display;
    return OwnDisplay();
}

bool WithoutXErrors(Display* display, const std::function<void()>& calls) {
    if (!display) return false;
    XSync(display, False);
    xErrorSeen = false;
    auto* previous = XSetErrorHandler(NoteError);
    calls();
    XSync(display, False);
    XSetErrorHandler(previous);
    return !xErrorSeen;
}

std::optional<Size> XWindowSize(NativeHandle window) {
    Display* display = XDisplay();
    if (!display || window <= 0) return std::nullopt;
    XWindowAttributes attributes{};
    Status status = 0;
    const bool clean = WithoutXErrors(display, [&] {
        status = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    });
    if (!clean || !status) return std::nullopt;
    return Size{attributes.width, attributes.height};
}

bool XTopLevelWindowExists(const std::string& title) {
    Display* display = XDisplay();
    if (!display) return false;
    bool found = false;
    // A window may vanish while it is looked at; that is no reason to stop.
    WithoutXErrors(display, [&] {
        const Window root = DefaultRootWindow(display);
        found = InClientList(display, root, title) || FindTitled(display, root, title, 3);
    });
    return found;
}

std::optional<double> XftDpi() {
    Display* display = XDisplay();
    if (!display) return std::nullopt;
    // Read from the root window each time rather than from the copy Xlib took when it
    // connected, so a change of the desktop's scaling shows in the next frame.
    std::string resources;
    WithoutXErrors(display, [&] {
        resources = Property(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
    });
    std::size_t at = 0;
    while (at < resources.size()) {
        std::size_t end = resources.find('\n', at);
        if (end == std::string::npos) end = resources.size();
        const std::string line = resources.substr(at, end - at);
        at = end + 1;
        static const std::string key = "Xft.dpi:";
        if (line.compare(0, key.size(), key) != 0) continue;
        std::size_t first = key.size();
        while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) ++first;
        double dpi = 0;
        // Not strtod: the number must not depend on the locale's decimal point.
        const auto [stop, error] =
            std::from_chars(line.data() + first, line.data() + line.size(), dpi);
        // Densities outside what any display has are a broken setting, not a wish.
        if (error == std::errc() && stop != line.data() + first && dpi >= 24 && dpi <= 1200)
            return dpi;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace platform::qt
