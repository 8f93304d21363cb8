#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "qt_internal.h"

namespace platform::qt {
namespace {

// How often the preview looks whether its host window still exists.
constexpr int kHostCheckMs = 250;

QColor Resolve(Color color, const QPalette& palette) {
    if (color & 0x80000000u) {
        switch (color & 0xFF) {
        case 2: // active title bar
        case 13:
            return palette.color(QPalette::Highlight);
        case 9:
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 5:
            return palette.color(QPalette::Base);
        case 15:
            return palette.color(QPalette::Button);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

class PreviewWidget : public QWidget {
  public:
    explicit PreviewWidget(const PreviewDesign& design)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), design_(design) {
        setFixedSize(design.Client.Width, design.Client.Height);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Resolve(design_.Background, palette()));
        for (const LabelDesign& label : design_.Labels) {
            LogFont record;
            // The window is laid out in pixels at 96 dpi, so are its fonts.
            record.Height = -static_cast<int>(std::lround(label.FontPoints * 96.0 / 72.0));
            record.Weight = label.FontWeight;
            record.FaceName = label.FontFace;
            const QRect box(label.Bounds.Left, label.Bounds.Top, label.Bounds.Width(),
                            label.Bounds.Height());
            painter.save();
            painter.setClipRect(box);
            painter.setFont(FontFromLogFont(record));
            painter.setPen(Resolve(label.TextColor, palette()));
            painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                             QString::fromStdString(label.Caption));
            painter.restore();
        }
    }

  private:
    PreviewDesign design_;
};

class QtPreviewWindow : public PreviewWindow {
  public:
    explicit QtPreviewWindow(const PreviewDesign& design) : widget_(new PreviewWidget(design)) {
        hostCheck_.setInterval(kHostCheckMs);
        QObject::connect(&hostCheck_, &QTimer::timeout, [this] { CheckHost(); });
    }
    ~QtPreviewWindow() override {
        hostCheck_.stop();
        if (counted_) WindowGone();
        if (widget_ && QCoreApplication::instance()) widget_->deleteLater();
    }

    void SetPosition(int left, int top) override {
        if (widget_) widget_->move(left, top);
    }
    void SetCaption(const std::string& caption) override {
        if (widget_) widget_->setWindowTitle(QString::fromStdString(caption));
    }

    // A host that does not exist leaves the preview a window of its own, as the system's
    // own re-parenting would.
    void MakeChildOf(NativeHandle host) override {
        if (!widget_ || host <= 0 || !XWindowSize(host)) return;
        widget_->winId();
        QWindow* hostWindow = QWindow::fromWinId(static_cast<WId>(host));
        if (!hostWindow) return;
        const QPoint at = widget_->pos();
        widget_->windowHandle()->setParent(hostWindow);
        widget_->move(at);
        host_ = host;
        hostCheck_.start();
    }

    void Show() override {
        if (!widget_) return;
        widget_->show();
        if (!counted_) WindowOpened();
        counted_ = true;
    }

    NativeHandle Handle() override {
        return widget_ ? static_cast<NativeHandle>(widget_->winId()) : 0;
    }

  private:
    // The host took the preview with it: nothing is left to show, so the program may end.
    void CheckHost() {
        if (XWindowSize(host_)) return;
        hostCheck_.stop();
        if (counted_) WindowGone();
        counted_ = false;
    }

    QPointer<PreviewWidget> widget_;
    QTimer hostCheck_;
    NativeHandle host_ = 0;
    bool counted_ = false;
};

} // namespace

std::unique_ptr<PreviewWindow> CreateQtPreviewWindow(const PreviewDesign& design) {
    return std::make_unique<QtPreviewWindow>(design);
}

} // namespace platform::qt
