#include "ui/look/TextInputGuard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <tuple>

using savrona::TextInputGuard;

namespace {

enum class BoxKind { LineEdit, PlainTextEdit, TextEdit, EditableComboBox };

const char* nameOf(BoxKind kind);

void PrintTo(BoxKind kind, std::ostream* out) {
    *out << nameOf(kind);
}

const char* nameOf(BoxKind kind) {
    switch (kind) {
    case BoxKind::LineEdit:
        return "LineEdit";
    case BoxKind::PlainTextEdit:
        return "PlainTextEdit";
    case BoxKind::TextEdit:
        return "TextEdit";
    case BoxKind::EditableComboBox:
        return "EditableComboBox";
    }
    return "";
}

const auto allBoxKinds = ::testing::Values(BoxKind::LineEdit, BoxKind::PlainTextEdit,
                                           BoxKind::TextEdit, BoxKind::EditableComboBox);

const QString shownText = QStringLiteral("Classic Lasagna");

QWidget* makeBox(BoxKind kind, QWidget* parent) {
    switch (kind) {
    case BoxKind::LineEdit:
        return new QLineEdit(shownText, parent);
    case BoxKind::PlainTextEdit:
        return new QPlainTextEdit(shownText, parent);
    case BoxKind::TextEdit: {
        auto* box = new QTextEdit(parent);
        box->setPlainText(shownText);
        return box;
    }
    case BoxKind::EditableComboBox: {
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setEditText(shownText);
        return box;
    }
    }
    return nullptr;
}

QString textOf(const QWidget& box) {
    if (const auto* line = qobject_cast<const QLineEdit*>(&box))
        return line->text();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&box))
        return plain->toPlainText();
    if (const auto* rich = qobject_cast<const QTextEdit*>(&box))
        return rich->toPlainText();
    return qobject_cast<const QComboBox*>(&box)->currentText();
}

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta;
}

// The texts of the key presses, modifier keys aside, that reach whatever
// watches a widget.
class KeyPressWatcher : public QObject {
public:
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!isModifierKey(key->key()))
                texts.append(key->text());
        }
        return QObject::eventFilter(watched, event);
    }
};

// An active window with one text box, a button that owns Alt+A and a disabled
// one that owns Alt+D; the guard is installed while the test runs.
class GuardedWindowTest : public ::testing::Test {
protected:
    void open(BoxKind kind) {
        window.resize(400, 200);
        box = makeBox(kind, &window);
        box->setGeometry(10, 10, 300, 80);
        auto* add = new QPushButton(QStringLiteral("&Add"), &window);
        add->move(10, 120);
        QObject::connect(add, &QPushButton::clicked, add, [this] { ++addClicks; });
        auto* remove = new QPushButton(QStringLiteral("&Delete"), &window);
        remove->move(110, 120);
        remove->setEnabled(false);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        box->setFocus();
        // The widget the keyboard reaches: the box, or its line edit.
        keyTarget = QApplication::focusWidget();
        ASSERT_NE(keyTarget, nullptr);
    }

    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    void press(Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers) {
        QTest::sendKeyEvent(QTest::Click, keyTarget, key, text, modifiers);
        QCoreApplication::processEvents();
    }

    TextInputGuard guard{*qApp};
    QWidget window;
    QWidget* box = nullptr;
    QWidget* keyTarget = nullptr;
    int addClicks = 0;
};

// Alt+key.

struct KeyCase {
    const char* name;
    Qt::Key key;
    QString text;
    Qt::KeyboardModifiers modifiers;
    bool types;
    int addClicks;
};

const KeyCase keyCases[] = {
    {"AltQ", Qt::Key_Q, "q", Qt::AltModifier, false, 0},
    {"AltX", Qt::Key_X, "x", Qt::AltModifier, false, 0},
    {"AltShiftQ", Qt::Key_Q, "Q", Qt::AltModifier | Qt::ShiftModifier, false, 0},
    {"AltShiftZ", Qt::Key_Z, "Z", Qt::AltModifier | Qt::ShiftModifier, false, 0},
    {"AltDigit", Qt::Key_7, "7", Qt::AltModifier, false, 0},
    {"AltSpace", Qt::Key_Space, " ", Qt::AltModifier, false, 0},
    {"AltOfDisabledButton", Qt::Key_D, "d", Qt::AltModifier, false, 0},
    {"AltOfButton", Qt::Key_A, "a", Qt::AltModifier, false, 1},
    {"Letter", Qt::Key_Q, "q", Qt::NoModifier, true, 0},
    {"ShiftLetter", Qt::Key_Q, "Q", Qt::ShiftModifier, true, 0},
    {"ControlAltAsAltGr", Qt::Key_Q, "@", Qt::ControlModifier | Qt::AltModifier, true, 0},
    {"AltGr", Qt::Key_E, QStringLiteral("\u20ac"), Qt::GroupSwitchModifier, true, 0},
};

void PrintTo(const KeyCase& row, std::ostream* out) {
    *out << row.name;
}

class AccessKeyTest : public GuardedWindowTest,
                      public ::testing::WithParamInterface<std::tuple<BoxKind, KeyCase>> {};

TEST_P(AccessKeyTest, AltKeyNeverTypesAndAButtonOwningItStillFires) {
    const auto& [kind, row] = GetParam();
    ASSERT_NO_FATAL_FAILURE(open(kind));
    press(row.key, row.text, row.modifiers);
    // A button's access key clicks it after a moment.
    EXPECT_TRUE(QTest::qWaitFor([&] { return addClicks >= row.addClicks; }, 1000));
    if (row.types) {
        EXPECT_TRUE(textOf(*box).contains(row.text)) << textOf(*box).toStdString();
        EXPECT_EQ(textOf(*box).size(), shownText.size() + row.text.size());
    } else {
        EXPECT_EQ(textOf(*box), shownText);
    }
    EXPECT_EQ(addClicks, row.addClicks);
}

INSTANTIATE_TEST_SUITE_P(Keys, AccessKeyTest,
                         ::testing::Combine(allBoxKinds, ::testing::ValuesIn(keyCases)),
                         [](const ::testing::TestParamInfo<std::tuple<BoxKind, KeyCase>>& info) {
                             return std::string(nameOf(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

// Pastes.

struct ClipboardCase {
    const char* name;
    std::function<void(QClipboard&)> fill;
    QString pasted; // empty where nothing may be pasted
};

const ClipboardCase clipboardCases[] = {
    {"Cleared", [](QClipboard& clipboard) { clipboard.clear(); }, {}},
    // What an X11 clipboard nobody owns offers: Qt's multi-line boxes crash on it.
    {"NoFormats", [](QClipboard& clipboard) { clipboard.setMimeData(new QMimeData); }, {}},
    {"PictureOnly",
     [](QClipboard& clipboard) {
         QImage picture(4, 4, QImage::Format_RGB32);
         picture.fill(Qt::red);
         clipboard.setImage(picture);
     },
     {}},
    {"OtherData",
     [](QClipboard& clipboard) {
         auto* data = new QMimeData;
         data->setData(QStringLiteral("application/x-savrona-test"), "bytes");
         clipboard.setMimeData(data);
     },
     {}},
    {"EmptyText", [](QClipboard& clipboard) { clipboard.setText(QString()); }, {}},
    {"Text", [](QClipboard& clipboard) { clipboard.setText(QStringLiteral("pasted")); },
     QStringLiteral("pasted")},
};

struct PasteKey {
    const char* name;
    Qt::Key key;
    QString text; // as X11 gives it
    Qt::KeyboardModifiers modifiers;
};

const PasteKey pasteKeys[] = {
    {"ControlV", Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier},
    {"ShiftInsert", Qt::Key_Insert, QString(), Qt::ShiftModifier},
};

void PrintTo(const ClipboardCase& row, std::ostream* out) {
    *out << row.name;
}

void PrintTo(const PasteKey& row, std::ostream* out) {
    *out << row.name;
}

class PasteKeyTest
    : public GuardedWindowTest,
      public ::testing::WithParamInterface<std::tuple<BoxKind, ClipboardCase, PasteKey>> {};

TEST_P(PasteKeyTest, PastesTextOnlyAndTheKeyStillReachesTheBoxWatchers) {
    const auto& [kind, clipboard, key] = GetParam();
    ASSERT_NO_FATAL_FAILURE(open(kind));
    KeyPressWatcher watcher;
    keyTarget->installEventFilter(&watcher);
    clipboard.fill(*QGuiApplication::clipboard());

    press(key.key, key.text, key.modifiers);

    if (clipboard.pasted.isEmpty()) {
        EXPECT_EQ(textOf(*box), shownText);
    } else {
        EXPECT_TRUE(textOf(*box).contains(clipboard.pasted)) << textOf(*box).toStdString();
        EXPECT_EQ(textOf(*box).size(), shownText.size() + clipboard.pasted.size());
    }
    // A paste key counts as a key typed wherever the key presses are watched.
    EXPECT_EQ(watcher.texts, QStringList{key.text});
}

INSTANTIATE_TEST_SUITE_P(
    Pastes, PasteKeyTest,
    ::testing::Combine(allBoxKinds, ::testing::ValuesIn(clipboardCases),
                       ::testing::ValuesIn(pasteKeys)),
    [](const ::testing::TestParamInfo<std::tuple<BoxKind, ClipboardCase, PasteKey>>& info) {
        return std::string(nameOf(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name +
               "_" + std::get<2>(info.param).name;
    });

// Drops reach a multi-line box's viewport, and the line edit of the others.
class DropTest : public GuardedWindowTest,
                 public ::testing::WithParamInterface<std::tuple<BoxKind, bool>> {};

TEST_P(DropTest, DropsTextOnly) {
    const auto& [kind, withText] = GetParam();
    ASSERT_NO_FATAL_FAILURE(open(kind));
    QWidget* area = box;
    if (auto* scrolled = qobject_cast<QAbstractScrollArea*>(box))
        area = scrolled->viewport();
    else if (auto* combo = qobject_cast<QComboBox*>(box))
        area = combo->lineEdit();
    QMimeData data;
    if (withText)
        data.setText(QStringLiteral("dropped"));
    else
        data.setData(QStringLiteral("application/x-savrona-test"), "bytes");
    const QPoint where(5, 5);

    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(area, &enter);
    QDragMoveEvent move(where, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(area, &move);
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(area, &drop);

    EXPECT_EQ(drop.isAccepted(), withText);
    EXPECT_EQ(textOf(*box).size(), shownText.size() + (withText ? 7 : 0));
}

INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::Combine(allBoxKinds, ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<BoxKind, bool>>& info) {
                             return std::string(nameOf(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_Text" : "_NoText");
                         });

// The context menu of a multi-line box, open while the clipboard changes.
class ContextMenuTest : public GuardedWindowTest,
                        public ::testing::WithParamInterface<std::tuple<BoxKind, bool>> {
protected:
    QMenu* contextMenu() {
        if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
            return plain->createStandardContextMenu();
        return qobject_cast<QTextEdit*>(box)->createStandardContextMenu();
    }
};

TEST_P(ContextMenuTest, PasteItemPastesOnlyWhatTheClipboardStillHolds) {
    const auto& [kind, emptied] = GetParam();
    ASSERT_NO_FATAL_FAILURE(open(kind));
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    QMenu* menu = contextMenu();
    menu->popup(window.mapToGlobal(QPoint(20, 20)));
    QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
    ASSERT_NE(paste, nullptr);
    ASSERT_TRUE(paste->isEnabled());

    if (emptied)
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
    else
        QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    EXPECT_EQ(paste->isEnabled(), !emptied);
    paste->trigger();

    EXPECT_EQ(textOf(*box).size(), shownText.size() + (emptied ? 0 : 5));
    delete menu;
}

INSTANTIATE_TEST_SUITE_P(Menus, ContextMenuTest,
                         ::testing::Combine(::testing::Values(BoxKind::PlainTextEdit,
                                                              BoxKind::TextEdit),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<BoxKind, bool>>& info) {
                             return std::string(nameOf(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_Emptied" : "_Changed");
                         });

} // namespace
