#include "platform/wayland/fullscreen_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <set>

namespace platform::wayland {
namespace {

constexpr int ActivationMs = 2000;
constexpr int LossGraceMs = 300;

bool ProgramActive() {
    return QGuiApplication::focusWindow() != nullptr;
}

// For tests only: when LUMORA_TRACE_OUTPUTS names a file, each top-level window exposed at its
// screen's whole size adds the line "<output name> <width>x<height> fullscreen" (pixels).
class OutputTrace : public QObject {
  public:
    static void Install() {
        static OutputTrace* trace = nullptr;
        const char* path = std::getenv("LUMORA_TRACE_OUTPUTS");
        if (trace || !path || !*path || !qGuiApp) return;
        trace = new OutputTrace(path);
        qGuiApp->installEventFilter(trace);
    }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::Expose || !object->isWindowType()) return false;
        auto* window = static_cast<QWindow*>(object);
        QScreen* screen = window->screen();
        if (!window->isTopLevel() || !window->isExposed() || !screen || traced_.count(window))
            return false;
        const double ratio = window->devicePixelRatio();
        const QSize pixels = (QSizeF(window->size()) * ratio).toSize();
        if (pixels != (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize())
            return false;
        traced_.insert(window);
        connect(window, &QObject::destroyed, this, [this, window] { traced_.erase(window); });
        if (std::FILE* file = std::fopen(path_.c_str(), "a")) {
            std::fprintf(file, "%s %dx%d fullscreen\n", screen->name().toUtf8().constData(),
                         pixels.width(), pixels.height());
            std::fclose(file);
        }
        return false;
    }

  private:
    explicit OutputTrace(const char* path) : path_(path) {}
    std::string path_;
    std::set<QObject*> traced_;
};

// Ends the show when the program does not get the keyboard in time, or loses it for good.
class ActivationWatch : public QObject {
  public:
    explicit ActivationWatch(SaverEvents& events) : events_(events) {
        deadline_.setSingleShot(true);
        loss_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] {
            if (ProgramActive()) return Activated();
            std::fprintf(stderr,
                         "lumorascr: the desktop did not give the show's window the keyboard "
                         "within %d s; the show ends without having taken any input\n",
                         ActivationMs / 1000);
            End();
        });
        connect(&loss_, &QTimer::timeout, this, [this] {
            if (!ProgramActive()) End();
        });
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (focus && !active_) Activated();
            if (active_) focus ? loss_.stop() : loss_.start(LossGraceMs);
        });
        if (ProgramActive()) Activated();
        else deadline_.start(ActivationMs);
    }

  private:
    void Activated() {
        active_ = true;
        deadline_.stop();
    }
    void End() {
        if (ended_) return;
        ended_ = true;
        deadline_.stop();
        loss_.stop();
        events_.OnCloseRequest();
    }

    SaverEvents& events_;
    QTimer deadline_;
    QTimer loss_;
    bool active_ = false;
    bool ended_ = false;
};

class Fullscreen : public SaverWindow {
  public:
    Fullscreen(std::unique_ptr<SaverWindow> window, SaverEvents& events, bool primary)
        : window_(std::move(window)), events_(events), primary_(primary) {
        OutputTrace::Install();
    }
    ~Fullscreen() override { watch_.reset(); }

    void Show() override {
        window_->Show();
        if (primary_ && !watch_ && qGuiApp) watch_ = std::make_unique<ActivationWatch>(events_);
    }
    void Maximize() override { window_->Maximize(); }
    void MakeTopmost() override { window_->MakeTopmost(); }
    Size ClientSize() override { return window_->ClientSize(); }
    DeviceContext& Dc() override { return window_->Dc(); }
    void SetCaption(const std::string& caption) override { window_->SetCaption(caption); }
    void Close() override {
        watch_.reset();
        window_->Close();
    }

  private:
    std::unique_ptr<SaverWindow> window_;
    SaverEvents& events_;
    bool primary_;
    std::unique_ptr<ActivationWatch> watch_;
};

} // namespace

std::unique_ptr<SaverWindow> FullscreenWindow(std::unique_ptr<SaverWindow> window,
                                              SaverEvents& events, bool primary) {
    if (!window) return nullptr;
    return std::make_unique<Fullscreen>(std::move(window), events, primary);
}

} // namespace platform::wayland
