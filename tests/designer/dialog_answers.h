// Answering the designer's dialogs in tests: a modal dialog is answered once it is open,
// through its controls found by their object names.
#pragma once

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Answers the next modal dialog of type D with fn once it is open (dialogs nest: the
// handler of one may open the next). Returns the timer so a test can see it was answered.
template <class D> inline std::shared_ptr<QTimer> whenOpen(std::function<void(D *)> fn)
{
    auto timer = std::make_shared<QTimer>();
    timer->setInterval(10);
    auto started = std::make_shared<int>(0);
    QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), fn, started] {
        if (++*started > 500) { // 5 s: nothing opened
            t->stop();
            return;
        }
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        t->stop();
        fn(dialog);
    });
    timer->start();
    return timer;
}

template <class W> inline W *child(QWidget *parent, const char *name)
{
    auto *w = parent->findChild<W *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no control " << name;
    return w;
}

inline void clickOk(QWidget *dialog)
{
    auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttons"));
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Ok)->click();
}

inline void clickCancel(QWidget *dialog)
{
    auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttons"));
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Cancel)->click();
}

inline void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    edit->del();
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The "…" of a property in the inspector's grid, as a person presses it.
template <class Inspector> inline void pressEllipsis(Inspector &inspector, const QString &property)
{
    QAbstractItemView *view = inspector.PropertyView();
    const int row = inspector.PropertyRow(property);
    ASSERT_GE(row, 0) << property.toStdString() << " is not listed";
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(index));
    ASSERT_NE(editor, nullptr);
    ASSERT_FALSE(editor->actions().isEmpty()) << property.toStdString() << " has no button";
    editor->actions().constFirst()->trigger();
    QApplication::processEvents();
}
