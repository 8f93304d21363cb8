#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <optional>

#include "platform/qt/qt_services.h"

using platform::ControlDesign;
using platform::ControlKind;

namespace {

struct Recorder : platform::SettingsDialogEvents {
    std::vector<int> buttons;
    std::vector<std::optional<std::vector<std::string>>> drops;
    void OnButton(int index) override { buttons.push_back(index); }
    void OnDrop(const std::optional<std::vector<std::string>>& files) override {
        drops.push_back(files);
    }
};

platform::DialogDesign Design() {
    platform::DialogDesign design;
    design.Caption = "LumoraScreenSaver Setting";
    design.Client = {406, 346};
    design.FocusOnOpen = "BTN:0";
    auto add = [&](ControlKind kind, const char* name, int index, const char* text,
                   platform::Rect bounds, int tab, const char* parent = "") {
        ControlDesign control;
        control.Kind = kind;
        control.Name = name;
        control.Index = index;
        control.Text = text;
        control.Bounds = bounds;
        control.TabIndex = tab;
        control.Parent = parent;
        design.Controls.push_back(control);
        return &design.Controls.back();
    };
    add(ControlKind::Button, "BTN", 0, "登録", {8, 312, 73, 337}, 0);
    add(ControlKind::Button, "BTN", 2, "削除", {80, 312, 145, 337}, 5);
    add(ControlKind::Button, "BTN", 1, "閉じる", {328, 312, 393, 337}, 1);
    add(ControlKind::Label, "lblTitle", -1, "表示する画像リスト", {16, 16, 161, 33}, 4, "Frame1");
    add(ControlKind::ListBox, "lstFile", -1, "", {16, 32, 369, 132}, 3, "Frame1")->ToolTip =
        "画像ファイルをドロップしてください";
    add(ControlKind::GroupBox, "Frame1", -1, "画像", {8, 32, 393, 225}, 2);
    return design;
}

class QtDialog : public testing::Test {
  protected:
    void SetUp() override {
        view = platform::qt::ControlsService().CreateSettingsDialog(Design(), events, 1);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowTitle() == "LumoraScreenSaver Setting" && top->findChild<QListWidget*>())
                window = top;
        ASSERT_NE(window, nullptr);
        list = window->findChild<QListWidget*>();
    }
    void TearDown() override {
        view.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QWidget* Control(const char* name) { return window->findChild<QWidget*>(name); }

    // Drags `data` over the list and releases it there, as a file manager does; whether the
    // list took it, and as what.
    std::optional<Qt::DropAction> Drop(QMimeData& data,
                                       Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
        QWidget* target = list->viewport();
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        EXPECT_EQ(enter.isAccepted(), move.isAccepted());
        QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QApplication::processEvents();
        if (!drop.isAccepted()) return std::nullopt;
        EXPECT_TRUE(enter.isAccepted());
        return drop.dropAction();
    }

    Recorder events;
    std::unique_ptr<platform::SettingsDialogView> view;
    QWidget* window = nullptr;
    QListWidget* list = nullptr;
};

// Only files are taken, and only as a copy: a drag taken as a move makes its source delete
// what was dragged.
TEST_F(QtDialog, OnlyFilesAreTakenAndOnlyAsACopy) {
    const QUrl beach = QUrl::fromLocalFile("/home/me/写真/Beach.JPG"),
               spaced = QUrl::fromLocalFile("/tmp/b c.bmp"), web("https://example.com/x.jpg");
    const struct {
        const char* name;
        QList<QUrl> urls;
        QString text;
        Qt::DropActions actions;
        std::optional<std::vector<std::string>> delivered;
    } cases[] = {
        {"files, in order",
         {beach, spaced, web},
         {},
         Qt::CopyAction | Qt::MoveAction,
         std::vector<std::string>{"/home/me/写真/Beach.JPG", "/tmp/b c.bmp"}},
        {"text", {}, "/home/me/not-a-file-list.jpg", Qt::CopyAction | Qt::MoveAction, {}},
        {"web addresses", {web}, {}, Qt::CopyAction, {}},
        {"files that may only be moved", {beach}, {}, Qt::MoveAction, {}},
    };
    for (const auto& c : cases) {
        events.drops.clear();
        QMimeData data;
        if (!c.urls.isEmpty()) data.setUrls(c.urls);
        if (!c.text.isEmpty()) data.setText(c.text);
        const auto taken = Drop(data, c.actions);
        EXPECT_EQ(taken.has_value(), c.delivered.has_value()) << c.name;
        if (taken) {
            EXPECT_EQ(*taken, Qt::CopyAction) << c.name;
        }
        if (c.delivered) {
            EXPECT_EQ(events.drops, (std::vector{c.delivered})) << c.name;
        } else {
            EXPECT_TRUE(events.drops.empty()) << c.name;
        }
    }
    EXPECT_EQ(list->count(), 0) << "the list changes only through the view";
}

TEST_F(QtDialog, FilesOfferedOnEntryStandWhenTheSourceIsGoneAtTheDrop) {
    QMimeData offered, gone;
    offered.setUrls({QUrl::fromLocalFile("/tmp/Sunset.JPG")});
    QWidget* target = list->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &offered, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &gone, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QApplication::processEvents();
    ASSERT_EQ(events.drops.size(), 1u);
    ASSERT_TRUE(events.drops[0].has_value());
    EXPECT_EQ(*events.drops[0], std::vector<std::string>{"/tmp/Sunset.JPG"});
}

TEST_F(QtDialog, ButtonsAndCloseBoxReportTheirIndex) {
    view->Show();
    QTest::mouseClick(Control("BTN:2"), Qt::LeftButton);
    QTest::mouseClick(Control("BTN:0"), Qt::LeftButton);
    window->close(); // the window's close box
    QApplication::processEvents();
    EXPECT_EQ(events.buttons, (std::vector<int>{2, 0, 1}));
    EXPECT_TRUE(window->isVisible()) << "only the program closes its dialog";
    view->Close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(events.buttons.size(), 3u);
}

TEST_F(QtDialog, ListKeepsOrderAndForgetsTheSelectionOnDelete) {
    view->ListAppend("b.jpg");
    view->ListAppend("a.jpg");
    view->ListAppend("");
    EXPECT_EQ(view->ListCount(), 3);
    EXPECT_EQ(list->item(0)->text(), "b.jpg");
    EXPECT_EQ(view->ListSelectedIndex(), -1);
    list->setCurrentRow(1);
    EXPECT_EQ(view->ListSelectedIndex(), 1);
    view->ListDelete(1);
    EXPECT_EQ(view->ListCount(), 2);
    EXPECT_EQ(view->ListSelectedIndex(), -1);
    view->ListDelete(7);
    view->ListDelete(-1);
    EXPECT_EQ(view->ListCount(), 2);
    view->ListClear();
    EXPECT_EQ(view->ListCount(), 0);
    EXPECT_EQ(list->toolTip(), "画像ファイルをドロップしてください");
    view->SetCaption("別の題");
    EXPECT_EQ(view->Caption(), "別の題");
}

TEST_F(QtDialog, ControlsSitWhereTheDesignPutsThemAndTabInItsOrder) {
    if (QGuiApplication::primaryScreen()->logicalDotsPerInch() != 96)
        GTEST_SKIP() << "the screen is not at 96 dpi";
    EXPECT_EQ(window->size(), QSize(406, 346));
    QWidget* frame = Control("Frame1");
    EXPECT_EQ(frame->geometry(), QRect(8, 32, 385, 193));
    EXPECT_EQ(list->parentWidget(), frame);
    EXPECT_EQ(list->geometry(), QRect(16, 32, 353, 100));
    EXPECT_EQ(Control("lblTitle")->geometry(), QRect(16, 16, 145, 17));
    EXPECT_EQ(Control("BTN:1")->geometry(), QRect(328, 312, 65, 25));
    window->resize(700, 500);
    EXPECT_EQ(Control("BTN:1")->geometry(), QRect(328, 312, 65, 25));

    view->Show();
    QApplication::processEvents();
    EXPECT_EQ(window->focusWidget(), Control("BTN:0"));
    std::vector<QWidget*> order;
    QWidget* at = Control("BTN:0");
    do {
        if (at->focusPolicy() & Qt::TabFocus) order.push_back(at);
        at = at->nextInFocusChain();
    } while (at != Control("BTN:0") && order.size() < 10);
    EXPECT_EQ(order,
              (std::vector<QWidget*>{Control("BTN:0"), Control("BTN:1"), list, Control("BTN:2")}));
    view->Close();
}

} // namespace
