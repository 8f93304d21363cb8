#include <QCloseEvent>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <vector>

#include "qt_internal.h"
#include "qt_surface.h"
#include "shown_parts.h"

namespace platform::qt {
namespace {

const QColor kNavy(0, 0, 64);

// The full-screen window. It paints from the images the saver revealed its frames from, so
// whatever the system asks it to repaint shows what was last revealed there. On X11 it puts
// them on the window itself, without Qt's backing store (a full-screen image of its own).
class SaverWidget : public QWidget {
  public:
    SaverWidget(SaverEvents& events, std::shared_ptr<ShownParts> shown, bool direct)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), events_(events),
          shown_(std::move(shown)), direct_(direct && PutsImagesDirectly()) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        if (direct_) {
            setAttribute(Qt::WA_PaintOnScreen);
            winId();
            windowHandle()->installEventFilter(this);
        }
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, kNavy);
        setPalette(colours);
    }
    bool closing = false;
    // Pointer positions on the whole desktop instead of in the window.
    bool globalPositions = false;

    QPaintEngine* paintEngine() const override {
        return direct_ ? nullptr : QWidget::paintEngine();
    }
    // Without a backing store nothing is flushed when the window appears: it is painted anew.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (direct_ && event->type() == QEvent::Expose && watched == windowHandle() &&
            windowHandle()->isExposed())
            update();
        return false;
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        const double ratio = devicePixelRatioF();
        if (direct_) {
            const NativeHandle window = static_cast<NativeHandle>(winId());
            for (const QRect& area : event->region()) {
                const QRect pixels = QRectF(area.x() * ratio, area.y() * ratio,
                                            area.width() * ratio, area.height() * ratio)
                                         .toAlignedRect();
                QRegion rest(pixels);
                for (const ShownParts::Part& part : shown_->parts) {
                    for (const QRect& r : part.region.intersected(pixels))
                        PutImage(window, *part.image, r);
                    rest -= part.region;
                }
                for (const QRect& r : rest) FillWindow(window, r, kNavy.rgb());
            }
            return;
        }
        QPainter painter(this);
        for (const QRect& area : event->region()) {
            // The asked-for part in window pixels; what no image covers is navy.
            const QRect pixels = QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio,
                                        area.height() * ratio)
                                     .toAlignedRect();
            QRegion rest(area);
            for (const ShownParts::Part& part : shown_->parts) {
                for (const QRect& r : part.region.intersected(pixels)) {
                    const QRectF target(r.x() / ratio, r.y() / ratio, r.width() / ratio,
                                        r.height() / ratio);
                    painter.drawImage(target, *part.image, QRectF(r));
                    rest -= target.toAlignedRect();
                }
            }
            for (const QRect& beyond : rest) painter.fillRect(beyond, kNavy);
        }
    }
    void keyPressEvent(QKeyEvent* event) override { events_.OnKeyDown(event->key()); }
    void mousePressEvent(QMouseEvent* event) override {
        events_.OnMouseDown(static_cast<int>(event->button()));
    }
    void mouseMoveEvent(QMouseEvent* event) override { Moved(*event); }
    // A window that appears under the pointer hears where the pointer is, as the system's
    // own windows do: that position is the reference for later moves.
    void enterEvent(QEnterEvent* event) override { Moved(*event); }
    // A window manager's close asks the saver to end; the saver then closes the window.
    void closeEvent(QCloseEvent* event) override {
        if (closing) return event->accept();
        event->ignore();
        events_.OnCloseRequest();
    }

  private:
    void Moved(const QSinglePointEvent& event) {
        const QPointF at =
            (globalPositions ? event.globalPosition() : event.position()) * devicePixelRatioF();
        events_.OnMouseMove(at.x(), at.y());
    }

    SaverEvents& events_;
    std::shared_ptr<ShownParts> shown_;
    const bool direct_;
};

QRect ScreenGeometry() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 640, 480);
}

// The screen whose rectangle in device pixels is the monitor's (as the screen service reports
// it), or null.
QScreen* ScreenOf(const Monitor& monitor) {
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        const double ratio = screen->devicePixelRatio();
        if (qRound(g.x() * ratio) == monitor.Left && qRound(g.y() * ratio) == monitor.Top &&
            qRound(g.width() * ratio) == monitor.Area.Width &&
            qRound(g.height() * ratio) == monitor.Area.Height)
            return screen;
    }
    return nullptr;
}

class OwnSaverWindow : public SaverWindow {
  public:
    // The primary screen's window; it also hears the process's termination signals.
    explicit OwnSaverWindow(SaverEvents& events) {
        const QRect screen = ScreenGeometry();
        const double ratio = qGuiApp->devicePixelRatio();
        Make(events, screen, QSize(qRound(screen.width() * ratio), qRound(screen.height() * ratio)),
             true);
        SetTerminationHandler([&events] { events.OnCloseRequest(); });
        primary_ = true;
    }

    // Another monitor's window, over its rectangle.
    OwnSaverWindow(SaverEvents& events, const Monitor& monitor) {
        QScreen* screen = ScreenOf(monitor);
        const double ratio = screen ? screen->devicePixelRatio() : qGuiApp->devicePixelRatio();
        monitorGeometry_ = screen ? screen->geometry()
                                  : QRectF(monitor.Left / ratio, monitor.Top / ratio,
                                           monitor.Area.Width / ratio,
                                           monitor.Area.Height / ratio)
                                        .toAlignedRect();
        // Painted through Qt: a window made for a monitor that came back during the show was
        // left unpainted when put on the window directly.
        Make(events, monitorGeometry_, QSize(monitor.Area.Width, monitor.Area.Height), false);
        monitor_ = monitor;
        widget_->globalPositions = true;
        if (screen) {
            widget_->setScreen(screen);
            // A monitor that goes away leaves its window to be moved onto another one: it is
            // hidden at once rather than cover that monitor's show until the saver's next look.
            SaverWidget* widget = widget_;
            QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, widget,
                             [widget, screen](QScreen* gone) {
                                 if (gone == screen) widget->hide();
                             });
        }
        widget_->setGeometry(monitorGeometry_);
    }
    ~OwnSaverWindow() override { Close(); }

    void Show() override {
        if (!widget_ || widget_->isVisible()) return;
        // A monitor window hidden when its monitor went, shown again as it is back.
        if (!primary_ && counted_) {
            if (QScreen* screen = ScreenOf(monitor_)) widget_->setScreen(screen);
            widget_->setGeometry(monitorGeometry_);
        }
        widget_->show();
        // The keyboard stays with the primary window.
        if (primary_) widget_->activateWindow();
        if (!counted_) WindowOpened();
        counted_ = true;
    }

    // The geometry is set explicitly, so the window covers the screen without a window
    // manager; with one, the full-screen state keeps panels from showing through.
    void Maximize() override {
        if (!widget_) return;
        WaitUntilMapped();
        widget_->setGeometry(primary_ ? ScreenGeometry() : monitorGeometry_);
        widget_->setWindowState(widget_->windowState() | Qt::WindowFullScreen);
    }

    void MakeTopmost() override {
        if (!widget_) return;
        widget_->winId();
        WaitUntilMapped();
        QWindow* window = widget_->windowHandle();
        window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
        widget_->raise();
    }

    Size ClientSize() override {
        if (!widget_) return Size{};
        const double ratio = widget_->devicePixelRatioF();
        return Size{qRound(widget_->width() * ratio), qRound(widget_->height() * ratio)};
    }

    // A copy of the window's own, made on first use only: the show reveals its canvases.
    DeviceContext& Dc() override {
        if (!dc_) {
            kept_ = QImage(pixels_.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
            kept_.fill(kNavy);
            dc_ = std::make_unique<ImageDc>(kept_, [this](const QRect& area) { Shown(kept_, area); });
        }
        return *dc_;
    }

    void Reveal(Surface& canvas, const Rect& area) override {
        const QImage& image = ImageOf(canvas);
        if (image.isNull()) return SaverWindow::Reveal(canvas, area);
        Shown(image, QRect(area.Left, area.Top, area.Width(), area.Height()));
    }

    void SetCaption(const std::string& caption) override {
        if (widget_) widget_->setWindowTitle(QString::fromStdString(caption));
    }

    void Close() override {
        if (!widget_) return;
        if (primary_) SetTerminationHandler({});
        widget_->closing = true;
        widget_->hide();
        widget_->deleteLater();
        widget_ = nullptr;
        shown_->parts.clear();
        if (counted_) WindowGone();
        counted_ = false;
    }

  private:
    void Make(SaverEvents& events, const QRect& geometry, QSize pixels, bool direct) {
        pixels_ = pixels;
        widget_ = new SaverWidget(events, shown_, direct);
        widget_->setGeometry(geometry);
    }

    // A state asked for between the map request and the window manager taking the window is
    // lost, so a shown window is first given a moment to appear.
    void WaitUntilMapped() {
        QWindow* window = widget_->windowHandle();
        for (int round = 0; window && widget_->isVisible() && !window->isExposed() && round < 100;
             ++round) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
            if (!window->isExposed()) QThread::msleep(10);
        }
    }

    void Shown(const QImage& image, const QRect& area) {
        if (!widget_ || area.isEmpty()) return;
        shown_->Reveal(&image, area);
        const double ratio = widget_->devicePixelRatioF();
        widget_->update(
            QRectF(area.x() / ratio, area.y() / ratio, area.width() / ratio, area.height() / ratio)
                .toAlignedRect());
    }

    std::shared_ptr<ShownParts> shown_ = std::make_shared<ShownParts>();
    QSize pixels_;
    QImage kept_;
    std::unique_ptr<ImageDc> dc_;
    QPointer<SaverWidget> widget_;
    bool counted_ = false;
    bool primary_ = false;
    Monitor monitor_;
    QRect monitorGeometry_;
};

} // namespace

std::unique_ptr<SaverWindow> CreateOwnSaverWindow(SaverEvents& events) {
    return std::make_unique<OwnSaverWindow>(events);
}

std::unique_ptr<SaverWindow> CreateMonitorSaverWindow(SaverEvents& events, const Monitor& monitor) {
    return std::make_unique<OwnSaverWindow>(events, monitor);
}

} // namespace platform::qt
