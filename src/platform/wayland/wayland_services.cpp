#include "platform/wayland/wayland_services.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_services.h"
#include "platform/wayland/fullscreen_window.h"
#include "platform/wayland/layer_window.h"
#include "startup/startup.h"

namespace platform::wayland {
namespace {

Monitor MonitorOf(const Output& o) {
    return Monitor{o.x, o.y, o.Pixels(), 96.0 * o.Scale()};
}

// The outputs, the primary first: the one the show's primary window is on, else the one at
// the layout's origin, else the first announced.
std::vector<const Output*> OrderedOutputs() {
    Connection* c = Current();
    if (!c) return {};
    std::vector<const Output*> list = c->Outputs();
    ReattachPrimary(list);
    auto first = list.end();
    if (wl_output* shown = PrimaryWindowOutput())
        first = std::find_if(list.begin(), list.end(), [&](auto* o) { return o->proxy == shown; });
    if (first == list.end())
        first = std::find_if(list.begin(), list.end(), [](auto* o) { return !o->x && !o->y; });
    if (first != list.end()) std::rotate(list.begin(), first, first + 1);
    return list;
}

class WaylandScreen : public Screen {
  public:
    Size PrimarySize() override {
        const auto outputs = OrderedOutputs();
        return outputs.empty() ? qt::ScreenService().PrimarySize() : outputs.front()->Pixels();
    }
    double Dpi() override {
        const auto outputs = OrderedOutputs();
        return outputs.empty() ? qt::ScreenService().Dpi() : 96.0 * outputs.front()->Scale();
    }
    // Each output's place in the layout, its size in pixels, 96 dpi times its scale.
    // While the primary window's output is gone its place stays first, so the show goes on
    // on every other output.
    std::vector<Monitor> Monitors() override {
        std::vector<Monitor> monitors;
        if (const std::optional<Monitor> lost = LostPrimaryPlace()) monitors.push_back(*lost);
        for (const Output* o : OrderedOutputs()) monitors.push_back(MonitorOf(*o));
        return monitors.empty() ? Screen::Monitors() : monitors;
    }
};

class WaylandWindows : public Windows {
  public:
    // Wayland has no window titles to look up: the program's own windows hold session locks
    // named after their titles, which the Qt lookup asks for (and X11 windows where XWayland
    // runs).
    bool TopLevelWindowExists(const std::string& title) override {
        return qt::WindowsService().TopLevelWindowExists(title);
    }
    void PumpMessages() override {
        if (Connection* c = Current()) c->Service();
        qt::WindowsService().PumpMessages();
    }
    void WaitForMessages(int milliseconds) override {
        if (Connection* c = Current()) c->Service();
        qt::WindowsService().WaitForMessages(milliseconds);
    }
    void RunMessageLoop() override { qt::WindowsService().RunMessageLoop(); }
    // The program's surfaces hide the pointer as it enters them while the count is negative.
    void ShowCursor(bool show) override {
        count_ += show ? 1 : -1;
        if (Connection* c = Current()) c->HidePointer(count_ < 0);
        qt::WindowsService().ShowCursor(show);
    }
    NativeHandle RootWindow() override { return 0; }
    std::unique_ptr<PreviewWindow> CreatePreviewWindow(const PreviewDesign& design) override {
        return qt::WindowsService().CreatePreviewWindow(design);
    }
    std::unique_ptr<SaverWindow> CreateSaverWindow(SaverEvents& events,
                                                   NativeHandle host) override {
        Connection* c = Current();
        const auto outputs = OrderedOutputs();
        if (host) return qt::WindowsService().CreateSaverWindow(events, host);
        // Without the layer shell (GNOME) the show is Qt's full-screen windows.
        if (!c || !c->LayerShell() || outputs.empty())
            return FullscreenWindow(qt::WindowsService().CreateSaverWindow(events, 0), events,
                                    true);
        return CreateLayerWindow(*c, events, *outputs.front(), MonitorOf(*outputs.front()), true);
    }
    std::unique_ptr<SaverWindow> CreateMonitorWindow(SaverEvents& events,
                                                     const Monitor& monitor) override {
        Connection* c = Current();
        if (!c || !c->LayerShell())
            return FullscreenWindow(qt::WindowsService().CreateMonitorWindow(events, monitor),
                                    events, false);
        for (const Output* o : OrderedOutputs())
            if (MonitorOf(*o).Left == monitor.Left && MonitorOf(*o).Top == monitor.Top &&
                o->Pixels() == monitor.Area)
                return CreateLayerWindow(*c, events, *o, monitor, false);
        return nullptr;
    }

  private:
    int count_ = 0;
};

} // namespace

std::unique_ptr<Connection> ChooseWayland(const StartInfo& start) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::strncmp(platform, "wayland", 7) != 0) return nullptr;
    if (basComon::HostedSaverWindow(start, 1) != 0) return nullptr;
    if (basComon::SwitchOf(start.CommandLine) == "/P") return nullptr;
    return Connection::Open();
}

Services WaylandServices() {
    static WaylandWindows windows;
    static WaylandScreen screen;
    if (Connection* c = Current()) {
        c->outputGone = [](wl_output* output) { OutputGoing(output); };
        c->keyboardLost = [] { ClosePrimaryShow(); };
    }
    Services s = NativeServices();
    s.windows = &windows;
    s.screen = &screen;
    return s;
}

} // namespace platform::wayland
