#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <map>

#include "qt_internal.h"
#include "qt_services.h"

namespace platform::qt {
namespace {

using DroppedFiles = std::optional<std::vector<std::string>>;

DroppedFiles FilesOf(const QMimeData* data) {
    std::vector<std::string> files;
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    if (files.empty()) return std::nullopt;
    return files;
}

// A list that takes a drag of files, only as a copy, and looks at them when they are released.
// Anything else is refused, so that its source keeps its data (a drop accepted as a move makes
// the source delete what was dragged).
class DropList : public QListWidget {
  public:
    explicit DropList(QWidget* parent) : QListWidget(parent) {
        setSelectionMode(QAbstractItemView::SingleSelection);
        setSortingEnabled(false);
        setDragDropMode(QAbstractItemView::DropOnly);
        setDropIndicatorShown(false);
    }
    std::function<void(const DroppedFiles&)> dropped;

  protected:
    // The file list is read as the drag comes in, while its source is sure to answer: a
    // source may end as soon as it has let go.
    void dragEnterEvent(QDragEnterEvent* event) override {
        offered_ = FilesOf(event->mimeData());
        TakeAsCopy(event);
    }
    void dragMoveEvent(QDragMoveEvent* event) override { TakeAsCopy(event); }
    void dragLeaveEvent(QDragLeaveEvent*) override { offered_.reset(); }
    void dropEvent(QDropEvent* event) override {
        // The list read on entry stands: asking again would wait on a source that may be gone.
        DroppedFiles files = offered_ ? std::move(offered_) : FilesOf(event->mimeData());
        offered_.reset();
        if (!files || !(event->possibleActions() & Qt::CopyAction)) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        // Handled after the drop is over, so that a message box does not hold the source.
        QMetaObject::invokeMethod(
            this,
            [this, files] {
                if (dropped) dropped(files);
            },
            Qt::QueuedConnection);
    }

  private:
    void TakeAsCopy(QDropEvent* event) {
        if (offered_ && (event->possibleActions() & Qt::CopyAction)) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            event->ignore();
        }
    }

    DroppedFiles offered_;
};

class DialogWidget : public QWidget {
  public:
    DialogWidget()
        : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {}
    std::function<void()> closeBox;
    bool closing = false;

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (closing) return event->accept();
        event->ignore();
        if (closeBox) closeBox();
    }
};

// A small picture frame with a sun over hills, drawn rather than shipped.
QIcon DialogIcon() {
    QPixmap picture(16, 16);
    picture.fill(QColor(0, 0, 64));
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 200, 0));
    painter.drawEllipse(9, 2, 5, 5);
    painter.setBrush(QColor(0, 160, 64));
    painter.drawEllipse(-4, 9, 14, 12);
    painter.drawEllipse(6, 11, 14, 10);
    painter.setPen(Qt::white);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, 15, 15);
    painter.end();
    return QIcon(picture);
}

std::string KeyOf(const std::string& name, int index) {
    return index < 0 ? name : name + ":" + std::to_string(index);
}

class QtSettingsDialog : public SettingsDialogView {
  public:
    QtSettingsDialog(const DialogDesign& design, SettingsDialogEvents& events, int closeButtonIndex)
        : widget_(new DialogWidget) {
        EnsureJapaneseUiFont();
        QScreen* screen = QGuiApplication::primaryScreen();
        scale_ = screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
        widget_->setWindowTitle(QString::fromStdString(design.Caption));
        widget_->setWindowIcon(DialogIcon());
        widget_->resize(Scaled(design.Client.Width), Scaled(design.Client.Height));
        widget_->closeBox = [&events, closeButtonIndex] { events.OnButton(closeButtonIndex); };

        // Group boxes first, so that the controls inside them find their parent.
        std::vector<ControlDesign> controls = design.Controls;
        std::stable_partition(controls.begin(), controls.end(), [](const ControlDesign& c) {
            return c.Kind == ControlKind::GroupBox;
        });
        std::vector<std::pair<int, QWidget*>> focusable;
        for (const ControlDesign& control : controls) {
            QWidget* made = Make(control, events);
            if (made->focusPolicy() != Qt::NoFocus) focusable.emplace_back(control.TabIndex, made);
        }
        std::stable_sort(focusable.begin(), focusable.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 1; i < focusable.size(); ++i)
            QWidget::setTabOrder(focusable[i - 1].second, focusable[i].second);
        focusOnOpen_ = design.FocusOnOpen;
    }
    ~QtSettingsDialog() override {
        if (counted_) WindowGone();
        if (widget_ && QCoreApplication::instance()) widget_->deleteLater();
    }

    void SetCaption(const std::string& caption) override {
        if (widget_) widget_->setWindowTitle(QString::fromStdString(caption));
    }
    std::string Caption() override {
        return widget_ ? widget_->windowTitle().toStdString() : std::string();
    }

    void Show() override {
        if (!widget_) return;
        widget_->show();
        widget_->activateWindow();
        if (QWidget* focus = Find(focusOnOpen_)) focus->setFocus(Qt::ActiveWindowFocusReason);
        if (!counted_) WindowOpened();
        counted_ = true;
    }

    void Close() override {
        if (!widget_) return;
        widget_->closing = true;
        widget_->hide();
        if (counted_) WindowGone();
        counted_ = false;
    }

    void ListClear() override {
        if (list_) list_->clear();
    }
    using SettingsDialogView::ListAppend;
    void ListAppend(const std::string& line) override {
        if (list_) list_->addItem(QString::fromStdString(line));
    }
    void ListAppend(const std::vector<std::string>& lines) override {
        if (!list_) return;
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(lines.size()));
        for (const std::string& line : lines) texts << QString::fromStdString(line);
        list_->setUpdatesEnabled(false);
        list_->addItems(texts);
        list_->setUpdatesEnabled(true);
    }
    void ListDelete(int index) override {
        if (!list_ || index < 0 || index >= list_->count()) return;
        delete list_->takeItem(index);
        list_->clearSelection();
        list_->setCurrentItem(nullptr, QItemSelectionModel::Clear);
    }
    int ListCount() override { return list_ ? list_->count() : 0; }
    int ListSelectedIndex() override {
        if (!list_) return -1;
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        return selected.isEmpty() ? -1 : list_->row(selected.front());
    }

    void MessageBox(const std::string& text, const std::string& title) override {
        QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                        QString::fromStdString(text), QMessageBox::Ok, widget_);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    }

  private:
    int Scaled(int pixels) const { return static_cast<int>(std::lround(pixels * scale_)); }

    QWidget* Make(const ControlDesign& control, SettingsDialogEvents& events) {
        QWidget* parent = widget_;
        if (auto group = named_.find(control.Parent);
            !control.Parent.empty() && group != named_.end())
            parent = group->second;
        const QString text = QString::fromStdString(control.Text);
        QWidget* made = nullptr;
        switch (control.Kind) {
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(text, parent);
            // The caption sits on the frame's top line, where a dialog's group caption belongs.
            group->setStyleSheet("QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
                                 " margin-top: 0.6em; }"
                                 "QGroupBox::title { subcontrol-origin: margin; left: 6px;"
                                 " padding: 0 2px; }");
            made = group;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            made = label;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new DropList(parent);
            list->dropped = [&events](const DroppedFiles& files) { events.OnDrop(files); };
            list_ = list;
            made = list;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            const int index = control.Index;
            QObject::connect(button, &QPushButton::clicked,
                             [&events, index] { events.OnButton(index); });
            made = button;
            break;
        }
        }
        if (!control.ToolTip.empty()) made->setToolTip(QString::fromStdString(control.ToolTip));
        made->setObjectName(QString::fromStdString(KeyOf(control.Name, control.Index)));
        made->setGeometry(Scaled(control.Bounds.Left), Scaled(control.Bounds.Top),
                          Scaled(control.Bounds.Width()), Scaled(control.Bounds.Height()));
        named_[KeyOf(control.Name, control.Index)] = made;
        if (control.Index >= 0 && !named_.count(control.Name)) named_[control.Name] = made;
        return made;
    }

    QWidget* Find(const std::string& key) const {
        auto found = named_.find(key);
        if (found == named_.end()) found = named_.find(key.substr(0, key.find(':')));
        return found == named_.end() ? nullptr : found->second;
    }

    QPointer<DialogWidget> widget_;
    QPointer<DropList> list_;
    std::map<std::string, QWidget*> named_;
    std::string focusOnOpen_;
    double scale_ = 1.0;
    bool counted_ = false;
};

class QtControls : public Controls {
  public:
    std::unique_ptr<SettingsDialogView> CreateSettingsDialog(const DialogDesign& design,
                                                             SettingsDialogEvents& events,
                                                             int closeButtonIndex) override {
        return std::make_unique<QtSettingsDialog>(design, events, closeButtonIndex);
    }
};

} // namespace

Controls& ControlsService() {
    static QtControls controls;
    return controls;
}

} // namespace platform::qt
