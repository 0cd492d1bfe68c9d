// The text editor and the expression builder over the designer at the size of the
// operators' screens (1366x768): both must fit on the screen. The pictures are written to
// $FR_DESIGNER_SHOTS when it is set, for a person to look at.
#include <QApplication>
#include <QDir>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QPainter>
#include <QScreen>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "screen_shots.h"

#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/designer/designer_editors.h"
#include "report/designer/expression_builder.h"
#include "report/designer/format_dialog.h"
#include "report/designer/highlight_dialog.h"
#include "report/designer/memo_editor.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "testkit/paths.h"

namespace {

// The window with the dialog drawn where it stands on the screen.
QImage screen(QWidget &window, QWidget &dialog)
{
    // On a real display (Xvfb) the screen itself; offscreen the grabs put together.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    QImage image(1366, 768, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    QPainter p(&image);
    p.drawPixmap(window.frameGeometry().topLeft(), window.grab());
    p.drawPixmap(dialog.geometry().topLeft(), dialog.grab());
    return image;
}

void expectOnScreen(const QWidget &dialog)
{
    const QRect screen(0, 0, 1366, 768);
    EXPECT_TRUE(screen.contains(dialog.frameGeometry()))
        << dialog.objectName().toStdString() << " does not fit: " << dialog.frameGeometry().width() << "x"
        << dialog.frameGeometry().height();
}

} // namespace

TEST(ObjectEditorScreens, TextEditorAndExpressionBuilderFitAt1366x768)
{
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    const auto restore = qScopeGuard([] { frDesignerSettings() = TfrDesignerSettings{}; });

    TfrDesignerWindow w;
    w.setGeometry(0, 0, 1366, 768);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.OpenFile(testkit::builtPath(QStringLiteral("Reports/J001.frf"))));
    QApplication::processEvents();
    TfrDesignerDocument &doc = w.Document();

    // A text with an expression in it.
    TfrView *text = nullptr;
    for (const auto &v : doc.CurrentPage()->Objects)
        if (v->Typ == otMemo && v->Memo.join(QString()).contains(QLatin1Char('[')) && w.Canvas().visibleRegion().contains(w.Canvas().WidgetRect(*v).center())) {
            text = v.get();
            break;
        }
    ASSERT_NE(text, nullptr);

    bool editorSeen = false, builderSeen = false;
    QTimer editorTimer;
    editorTimer.setInterval(20);
    QObject::connect(&editorTimer, &QTimer::timeout, [&] {
        auto *editor = qobject_cast<TfrMemoEditor *>(QApplication::activeModalWidget());
        if (!editor)
            return;
        editorTimer.stop();
        editorSeen = true;
        QTest::qWait(50);
        expectOnScreen(*editor);
        keep(screen(w, *editor), "i24-text-editor.png");

        QTimer builderTimer;
        builderTimer.setInterval(20);
        QObject::connect(&builderTimer, &QTimer::timeout, [&] {
            auto *builder = qobject_cast<TfrExpressionBuilder *>(QApplication::activeModalWidget());
            if (!builder)
                return;
            builderTimer.stop();
            builderSeen = true;
            builder->findChild<QLineEdit *>(QStringLiteral("expression_edit"))
                ->setText(QStringLiteral("IF([Amount] > 1000, 'крупный', 'обычный' +)"));
            builder->findChild<QPushButton *>(QStringLiteral("check_button"))->click();
            QTest::qWait(50);
            expectOnScreen(*builder);
            // The builder stands over the text editor, which stands over the window.
            QImage image = screen(w, *editor);
            if (QGuiApplication::platformName() != QLatin1String("xcb")) {
                QPainter p(&image);
                p.drawPixmap(builder->geometry().topLeft(), builder->grab());
            }
            keep(image, "i24-expression-builder.png");
            builder->reject();
        });
        builderTimer.start();
        editor->findChild<QPushButton *>(QStringLiteral("insert_expression"))->click();
        editor->reject();
    });
    editorTimer.start();
    QTest::mouseDClick(&w.Canvas(), Qt::LeftButton, Qt::NoModifier, w.Canvas().WidgetRect(*text).center());
    EXPECT_TRUE(editorSeen);
    EXPECT_TRUE(builderSeen);
    EXPECT_FALSE(doc.IsModified()) << "looking changes nothing";
}

TEST(ObjectEditorScreens, HighlightAndFormatDialogsFitAt1366x768)
{
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    const auto restore = qScopeGuard([] { frDesignerSettings() = TfrDesignerSettings{}; });

    TfrDesignerWindow w;
    w.setGeometry(0, 0, 1366, 768);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.OpenFile(testkit::builtPath(QStringLiteral("Reports/J001.frf"))));
    TfrDesignerDocument &doc = w.Document();
    for (const auto &v : doc.CurrentPage()->Objects)
        if (v->Typ == otMemo && v->Memo.join(QString()).contains(QLatin1Char('['))) {
            doc.Select(v.get());
            break;
        }
    ASSERT_EQ(doc.Selection().size(), 1);

    bool seen = false;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *d = qobject_cast<TfrHighlightDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        timer.stop();
        seen = true;
        d->findChild<QLineEdit *>(QStringLiteral("highlight_condition"))->setText(QStringLiteral("[Amount] > 1000"));
        d->findChild<QCheckBox *>(QStringLiteral("style_italic"))->setChecked(true);
        QTest::qWait(50);
        expectOnScreen(*d);
        keep(screen(w, *d), "i24-highlight.png");
        d->reject();
    });
    timer.start();
    frEditProperty(&w, doc, QStringLiteral("Highlight"));
    EXPECT_TRUE(seen);

    seen = false;
    QObject::disconnect(&timer, nullptr, nullptr, nullptr);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *d = qobject_cast<TfrFormatDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        timer.stop();
        seen = true;
        d->findChild<QListWidget *>(QStringLiteral("format_category"))->setCurrentRow(1);
        d->findChild<QListWidget *>(QStringLiteral("format_variant"))->setCurrentRow(2);
        d->findChild<QSpinBox *>(QStringLiteral("format_decimals"))->setValue(2);
        QTest::qWait(50);
        expectOnScreen(*d);
        keep(screen(w, *d), "i24-display-format.png");
        d->reject();
    });
    timer.start();
    frEditProperty(&w, doc, QStringLiteral("DisplayFormat"));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(doc.IsModified());
}
