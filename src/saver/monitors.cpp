#include "monitors.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "calendar/calendar.h"
#include "compose.h"

namespace basComon {

// One monitor's window, canvases and preparer. It hears its window's input and passes it on,
// pointer positions (virtual-screen pixels) moved into the primary window's pixels.
struct OtherMonitors::Show : platform::SaverEvents {
    Show(platform::SaverEvents& target, const platform::Monitor& monitor,
         const platform::Monitor& primary)
        : target(target), monitor(monitor), dx(-primary.Left), dy(-primary.Top) {}
    ~Show() override {
        // The worker stops first (it may be drawing on the spare canvas), then the window goes.
        preparer.reset();
        if (window) window->Close();
    }

    void OnKeyDown(int keyCode) override { target.OnKeyDown(keyCode); }
    void OnMouseDown(int button) override { target.OnMouseDown(button); }
    void OnMouseMove(double x, double y) override { target.OnMouseMove(x + dx, y + dy); }
    void OnCloseRequest() override { target.OnCloseRequest(); }

    bool Covers(const platform::Monitor& m, const platform::Monitor& primary) const {
        return monitor.Left == m.Left && monitor.Top == m.Top && monitor.Area == m.Area &&
               dx == -primary.Left && dy == -primary.Top;
    }

    platform::SaverEvents& target;
    platform::Monitor monitor;
    int dx;
    int dy;
    std::unique_ptr<platform::SaverWindow> window;
    std::unique_ptr<platform::Surface> canvas;
    std::unique_ptr<platform::Surface> spare;
    // What the mark's frame changed on the canvas when not all of it (the reveal copies only
    // that), and whether the canvas holds a frame without a picture made here.
    std::optional<platform::Rect> changed;
    bool blank = false;
    int calendarTop = 0; // the first row the last day row and clock could touch
    std::unique_ptr<PicturePreparer> preparer = std::make_unique<PicturePreparer>();
};

namespace {

bool SameRectangle(const platform::Monitor& a, const platform::Monitor& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Area == b.Area;
}

} // namespace

OtherMonitors::OtherMonitors(platform::SaverEvents& events) : events_(events) {}

OtherMonitors::~OtherMonitors() {
    CloseAll();
}

std::unique_ptr<OtherMonitors::Show> OtherMonitors::Open(const platform::Monitor& monitor,
                                                        bool topmost) {
    platform::Services& sys = platform::Current();
    auto show = std::make_unique<Show>(events_, monitor, primary_);
    show->window = sys.windows->CreateMonitorWindow(*show, monitor);
    show->canvas = sys.drawing->CreateSurface(monitor.Area.Width, monitor.Area.Height);
    show->spare = sys.drawing->CreateSurface(monitor.Area.Width, monitor.Area.Height);
    if (!show->window || !show->canvas) return nullptr;
    show->canvas->Dc().Fill({0, 0, show->canvas->Width(), show->canvas->Height()},
                            platform::Rgb(0, 0, 0));
    show->window->Show();
    show->window->Maximize();
    if (topmost) show->window->MakeTopmost();
    return show;
}

void OtherMonitors::Follow(const std::vector<platform::Monitor>& monitors, bool topmost) {
    if (monitors.empty()) return;
    primary_ = monitors.front();
    std::vector<platform::Monitor> wanted;
    for (std::size_t i = 1; i < monitors.size(); ++i) {
        const platform::Monitor& m = monitors[i];
        if (m.Area.Width <= 0 || m.Area.Height <= 0 || SameRectangle(m, primary_)) continue;
        if (std::any_of(wanted.begin(), wanted.end(),
                        [&](const platform::Monitor& w) { return SameRectangle(w, m); }))
            continue;
        wanted.push_back(m);
    }
    std::vector<std::unique_ptr<Show>> kept;
    for (const platform::Monitor& m : wanted) {
        const auto same = std::find_if(shows_.begin(), shows_.end(), [&](const auto& show) {
            return show && show->Covers(m, primary_);
        });
        if (same != shows_.end()) {
            (*same)->monitor.Dpi = m.Dpi;
            // Hidden by its window if the monitor went and came back since the last look.
            (*same)->window->Show();
            kept.push_back(std::move(*same));
        } else if (std::unique_ptr<Show> show = Open(m, topmost)) {
            kept.push_back(std::move(show));
        }
    }
    // What is left over belongs to monitors that are gone or changed.
    shows_.clear();
    shows_ = std::move(kept);
}

void OtherMonitors::Prepare(const std::string& path) {
    for (const auto& show : shows_)
        if (!show->preparer->Pending())
            show->preparer->Prepare(show->spare, path, show->monitor.Area, show->monitor.Dpi);
}

void OtherMonitors::Recheck() {
    for (const auto& show : shows_) show->preparer->Recheck();
}

bool OtherMonitors::WaitReady(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (const auto& show : shows_) {
        if (!show->preparer->Pending()) continue;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (!show->preparer->WaitReady(static_cast<int>(std::max<long long>(0, left))))
            return false;
    }
    return true;
}

void OtherMonitors::TakeFrames(const std::string& path) {
    for (const auto& show : shows_) {
        std::unique_ptr<platform::Surface> ready = show->preparer->Take();
        const bool prepared = ready != nullptr;
        if (prepared) {
            show->spare = std::move(show->canvas);
            show->canvas = std::move(ready);
            DrawCalendarOver(*show->canvas, show->monitor);
            show->changed.reset();
        } else if (path.empty() && show->blank) {
            // The calendar on black again: only its rows are cleared, drawn and revealed (with
            // the rows of the last one, in case the density changed since).
            const platform::Rect band = CalendarBand(show->monitor.Area, show->monitor.Dpi);
            show->changed = platform::Intersect(
                {0, std::min(band.Top, show->calendarTop), band.Right, band.Bottom},
                {0, 0, show->canvas->Width(), show->canvas->Height()});
            show->canvas->Dc().Fill(*show->changed, platform::Rgb(0, 0, 0));
            DrawCalendarOver(*show->canvas, show->monitor);
        } else {
            // Nothing prepared (an empty list, or a request still running): made here, on the
            // shown canvas, which no worker touches.
            ComposeMonitorFrame(*show->canvas, path, show->monitor);
            show->changed.reset();
        }
        show->blank = !prepared && path.empty();
        show->calendarTop = CalendarBand(show->monitor.Area, show->monitor.Dpi).Top;
    }
}

void OtherMonitors::CopyTile(int tile) {
    for (const auto& show : shows_) {
        platform::Rect r = TileArea(tile, show->monitor.Area);
        if (show->changed) r = platform::Intersect(r, *show->changed);
        if (!show->changed || r.Width() > 0) show->window->Reveal(*show->canvas, r);
    }
}

void OtherMonitors::CloseAll() {
    shows_.clear();
}

} // namespace basComon
