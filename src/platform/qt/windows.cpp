#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <thread>

#include "qt_internal.h"
#include "qt_services.h"
#include "x11_include.h"

namespace platform::qt {
namespace {

int openWindows = 0;
QEventLoop* runningLoop = nullptr;

class QtWindows : public Windows {
  public:
    bool TopLevelWindowExists(const std::string& title) override {
        return TitleLockHeld(title) || XTopLevelWindowExists(title);
    }

    void PumpMessages() override {
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    // The event dispatcher sleeps until an event or the timer comes; events that arrive are
    // dispatched at once.
    void WaitForMessages(int milliseconds) override {
        if (milliseconds <= 0) return;
        if (!QCoreApplication::instance()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            return;
        }
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        timer.start(milliseconds);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

    // A loop of its own: QCoreApplication::quit() would first try to close every window.
    void RunMessageLoop() override {
        if (!QCoreApplication::instance() || openWindows == 0 || runningLoop) return;
        QEventLoop loop;
        runningLoop = &loop;
        loop.exec();
        runningLoop = nullptr;
    }

    // The pointer is hidden over the program's windows while the count is negative, as the
    // system's display count works.
    void ShowCursor(bool show) override {
        cursorCount_ += show ? 1 : -1;
        if (!qGuiApp) return;
        const bool hide = cursorCount_ < 0;
        if (hide && !hidden_) QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        if (!hide && hidden_) QGuiApplication::restoreOverrideCursor();
        hidden_ = hide;
    }

    NativeHandle RootWindow() override {
        Display* display = XDisplay();
        return display ? static_cast<NativeHandle>(DefaultRootWindow(display)) : 0;
    }

    std::unique_ptr<PreviewWindow> CreatePreviewWindow(const PreviewDesign& design) override {
        return CreateQtPreviewWindow(design);
    }

    std::unique_ptr<SaverWindow> CreateSaverWindow(SaverEvents& events,
                                                   NativeHandle host) override {
        return host ? CreateHostedSaverWindow(events, host) : CreateOwnSaverWindow(events);
    }

    std::unique_ptr<SaverWindow> CreateMonitorWindow(SaverEvents& events,
                                                     const Monitor& monitor) override {
        if (!qGuiApp) return nullptr;
        return CreateMonitorSaverWindow(events, monitor);
    }

  private:
    int cursorCount_ = 0;
    bool hidden_ = false;
};

} // namespace

void WindowOpened() {
    ++openWindows;
}

void WindowGone() {
    if (openWindows > 0 && --openWindows == 0) QuitMessageLoop();
}

void QuitMessageLoop() {
    if (runningLoop) runningLoop->quit();
}

int OpenWindows() {
    return openWindows;
}

Windows& WindowsService() {
    static QtWindows windows;
    return windows;
}

} // namespace platform::qt
