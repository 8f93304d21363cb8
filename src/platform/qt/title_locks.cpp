#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <map>
#include <memory>

#include "qt_internal.h"
#include "session_lock.h"
#include "startup/startup.h"

// Wayland gives a client no way to find another client's windows by title, so there a shown
// top-level window of this program holds the session lock of its title, and the title lookup
// asks for that lock. On X11 the windows themselves are looked up.
namespace platform::qt {
namespace {

bool OnWayland() {
    return qGuiApp && QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

class TitleLocks : public QObject {
  public:
    bool eventFilter(QObject* object, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::WindowTitleChange)
            return false;
        if (!object->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(object);
        if (!widget->isWindow()) return false;
        held_.erase(widget);
        const QString title = widget->windowTitle();
        if (type == QEvent::Hide || !widget->isVisible() || title.isEmpty()) return false;
        auto lock = std::make_unique<SessionLock>(basComon::SessionLockName(title.toStdString()));
        if (lock->Result() != SessionLock::State::Held) return false;
        if (!watched_.count(widget)) {
            watched_[widget] = true;
            connect(widget, &QObject::destroyed, this, [this, widget] {
                held_.erase(widget);
                watched_.erase(widget);
            });
        }
        held_[widget] = std::move(lock);
        return false;
    }

  private:
    std::map<QObject*, std::unique_ptr<SessionLock>> held_;
    std::map<QObject*, bool> watched_;
};

} // namespace

void HoldTitleLocks() {
    if (!OnWayland()) return;
    static TitleLocks* locks = nullptr;
    if (locks) return;
    locks = new TitleLocks;
    qGuiApp->installEventFilter(locks);
}

bool TitleLockHeld(const std::string& title) {
    return OnWayland() && SessionLockHeld(basComon::SessionLockName(title));
}

} // namespace platform::qt
