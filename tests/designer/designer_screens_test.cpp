// The designer at the size of the operators' screens (1366x768): the journal template at
// 100 %, a multi-selection being dragged with its guides, the inspector on a text object.
// The pictures are written to $FR_DESIGNER_SHOTS when it is set, for a person to look at.
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "screen_shots.h"

#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/designer/object_inspector.h"
#include "report/eval/globals.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "testkit/paths.h"

TEST(DesignerScreens, JournalMultiSelectionWithGuidesAndInspectorAt1366x768)
{
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    {
        TfrDesignerWindow w;
        w.setGeometry(0, 0, 1366, 768);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        ASSERT_TRUE(w.OpenFile(testkit::builtPath(QStringLiteral("Reports/J001.frf"))));
        w.Action(QStringLiteral("zoom_100"))->trigger();
        QApplication::processEvents();
        TfrDesignerCanvas &canvas = w.Canvas();
        EXPECT_EQ(canvas.Zoom(), 100);

        const QImage journal = w.grab().toImage();
        EXPECT_EQ(journal.size(), QSize(1366, 768) * journal.devicePixelRatio());
        EXPECT_GT(colourCount(journal, 3), 20);
        keep(journal, "designer_journal_100.png");

        // Three texts of the data band, dragged by one of them.
        TfrReport &report = w.Document().Report();
        QList<TfrView *> row;
        for (const char *name : {"DataNumPP", "DataNumReis", "DataNameFile"})
            if (TfrView *v = report.FindObject(QString::fromLatin1(name)))
                row.append(v);
        ASSERT_EQ(row.size(), 3);
        w.Document().SetSelection(row);
        const QPoint from = canvas.WidgetRect(*row[1]).center();
        // Down past the header's texts and back to the row: the tops line up with the others'.
        const QPoint to = from + QPoint(0, 3);
        QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= 3; ++i) {
            const QPoint pos = from + (to - from) * i / 3;
            QMouseEvent e(QEvent::MouseMove, QPointF(pos), canvas.mapToGlobal(QPointF(pos)), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&canvas, &e);
        }
        QApplication::processEvents();
        EXPECT_FALSE(canvas.Guides().isEmpty()) << "a dragged row lines up with the texts beside it";
        keep(w.grab().toImage(), "designer_multiselection_guides.png");
        QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, to);

        // The inspector on one text.
        TfrView *text = report.FindObject(QStringLiteral("Title"));
        ASSERT_NE(text, nullptr);
        w.Document().Select(text);
        QApplication::processEvents();
        auto *dock = w.findChild<QDockWidget *>(QStringLiteral("dock_inspector"));
        ASSERT_NE(dock, nullptr);
        EXPECT_TRUE(dock->isVisible());
        EXPECT_GE(dock->width(), 200) << "the inspector has room for names and values";
        EXPECT_GE(w.Inspector().height(), 200);
        keep(w.grab().toImage(), "designer_inspector_text.png");
        w.Document().SetSavedState();
    }
    frDesignerSettings() = TfrDesignerSettings{};
    CurReport = nullptr;
    CurPage = nullptr;
}
