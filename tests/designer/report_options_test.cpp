// The report options dialog through its controls, started from the designer window's
// "Отчёт → Параметры отчёта…": what it sets is in the template after a save and a load,
// OK is one undo step, Cancel and an OK without a change leave everything as it was.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/designer/report_options_dialog.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

class ReportOptions : public testing::Test {
protected:
    void SetUp() override
    {
        // The window's settings and recovery files go to a folder of this test.
        ASSERT_TRUE(dir.isValid());
        frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
        frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        saved = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            asked.append(text);
            return 1;
        };
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = saved;
        frDesignerSettings() = TfrDesignerSettings{};
        CurReport = nullptr;
    }

    template <class T>
    static T *control(QWidget *dialog, const char *name)
    {
        T *w = dialog->findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Runs fn on the modal dialog; a dialog fn leaves open is cancelled.
    static void answer(std::function<void(TfrReportOptionsDialog &)> fn)
    {
        QTimer::singleShot(0, [fn] {
            auto *dialog = qobject_cast<TfrReportOptionsDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fn(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static std::unique_ptr<TfrReport> reloaded(const TfrDesignerDocument &doc)
    {
        auto copy = std::make_unique<TfrReport>();
        const QByteArray bytes = doc.Snapshot();
        TfrStream stream(bytes);
        EXPECT_TRUE(copy->LoadFromStream(stream));
        return copy;
    }

    QTemporaryDir dir;
    std::function<int(const QString &, const QString &, int)> saved;
    QStringList asked;
};

} // namespace

// Name, author, description, version, two passes, the default printer and a password, set
// in the dialog, are what the template holds afterwards, also after a save and a load.
TEST_F(ReportOptions, SetsWhatItSaysAsOneStep)
{
    TfrDesignerWindow w;
    TfrDesignerDocument &doc = w.Document();
    const QByteArray start = doc.Snapshot();
    const int steps = doc.UndoStack().count();
    answer([](TfrReportOptionsDialog &d) {
        typeInto(control<QLineEdit>(&d, "report_name"), QStringLiteral("Journal"));
        typeInto(control<QLineEdit>(&d, "report_author"), QStringLiteral("Office"));
        control<QPlainTextEdit>(&d, "report_comment")->setPlainText(QStringLiteral("Первая строка\nвторая"));
        typeInto(control<QLineEdit>(&d, "version_major"), QStringLiteral("2"));
        typeInto(control<QLineEdit>(&d, "version_minor"), QStringLiteral("5"));
        typeInto(control<QLineEdit>(&d, "version_build"), QStringLiteral("117"));
        QTest::mouseClick(control<QCheckBox>(&d, "double_pass"), Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>(&d, "print_to_default"), Qt::LeftButton);
        auto *password = control<QLineEdit>(&d, "password");
        EXPECT_FALSE(password->isEnabled()) << "no password without protection";
        QTest::mouseClick(control<QCheckBox>(&d, "password_protected"), Qt::LeftButton);
        EXPECT_TRUE(password->isEnabled());
        typeInto(password, QStringLiteral("s3cret"));
        d.accept();
    });
    w.Action(QStringLiteral("action_report_options"))->trigger();
    EXPECT_EQ(doc.UndoStack().count(), steps + 1);
    EXPECT_TRUE(asked.isEmpty()) << asked.join(QLatin1Char('\n')).toStdString();

    const std::unique_ptr<TfrReport> copy = reloaded(doc);
    for (const TfrReport *r : std::initializer_list<const TfrReport *>{&doc.Report(), copy.get()}) {
        EXPECT_EQ(r->DocInfo.name, QStringLiteral("Journal"));
        EXPECT_EQ(r->DocInfo.author, QStringLiteral("Office"));
        EXPECT_EQ(r->DocInfo.comment, QStringLiteral("Первая строка\r\nвторая"));
        EXPECT_EQ(r->DocInfo.versionMajor, QStringLiteral("2"));
        EXPECT_EQ(r->DocInfo.versionMinor, QStringLiteral("5"));
        EXPECT_EQ(r->DocInfo.versionRelease, QString());
        EXPECT_EQ(r->DocInfo.versionBuild, QStringLiteral("117"));
        EXPECT_TRUE(r->DoublePassReport);
        EXPECT_TRUE(r->PrintToDefault);
        EXPECT_TRUE(r->docPasswordProtected);
        EXPECT_EQ(r->docPassword, QStringLiteral("s3cret"));
    }

    // The dialog shows what is set; switching protection off drops the password.
    answer([](TfrReportOptionsDialog &d) {
        EXPECT_EQ(control<QLineEdit>(&d, "report_name")->text(), QStringLiteral("Journal"));
        EXPECT_EQ(control<QPlainTextEdit>(&d, "report_comment")->toPlainText(), QStringLiteral("Первая строка\nвторая"));
        EXPECT_TRUE(control<QCheckBox>(&d, "double_pass")->isChecked());
        QTest::mouseClick(control<QCheckBox>(&d, "password_protected"), Qt::LeftButton);
        d.accept();
    });
    w.Action(QStringLiteral("action_report_options"))->trigger();
    EXPECT_FALSE(doc.Report().docPasswordProtected);
    EXPECT_TRUE(doc.Report().docPassword.isEmpty());
    EXPECT_EQ(doc.Report().DocInfo.name, QStringLiteral("Journal"));

    doc.UndoStack().undo();
    doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), start);
    doc.SetSavedState();
    ASSERT_TRUE(w.close());
}

// Cancel after changing everything, and OK without a change (a description with line
// breaks included), leave the template byte for byte and the history as they were.
TEST_F(ReportOptions, CancelAndUnchangedOkLeaveNoTrace)
{
    TfrDesignerDocument doc;
    doc.Edit(QStringLiteral("setup"), [&] {
        doc.Report().DocInfo.comment = QStringLiteral("a\r\nb");
        doc.Report().docPassword = QStringLiteral("kept");
    });
    const QByteArray start = doc.Snapshot();
    const int steps = doc.UndoStack().count();
    answer([](TfrReportOptionsDialog &d) {
        typeInto(control<QLineEdit>(&d, "report_name"), QStringLiteral("x"));
        QTest::mouseClick(control<QCheckBox>(&d, "double_pass"), Qt::LeftButton);
        control<QPlainTextEdit>(&d, "report_comment")->setPlainText(QStringLiteral("other"));
        d.reject();
    });
    EXPECT_FALSE(frEditReportOptions(nullptr, doc));
    EXPECT_EQ(doc.Snapshot(), start);
    answer([](TfrReportOptionsDialog &d) { d.accept(); });
    EXPECT_FALSE(frEditReportOptions(nullptr, doc));
    EXPECT_EQ(doc.Snapshot(), start);
    EXPECT_EQ(doc.UndoStack().count(), steps);
}

// Protection without a password is refused with a message and the dialog stays; the
// printer list is the platform's printers with the virtual printer last, the selected one
// shown.
TEST_F(ReportOptions, RefusesProtectionWithoutPasswordAndListsPrinters)
{
    TfrDesignerDocument doc;
    TfrReportOptionsDialog d(doc.Report());
    d.show();
    QTest::mouseClick(control<QCheckBox>(&d, "password_protected"), Qt::LeftButton);
    d.accept();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("пароль"))) << asked[0].toStdString();

    auto *printers = control<QComboBox>(&d, "printer");
    const TfrPaperService &paper = frPaper();
    ASSERT_EQ(printers->count(), paper.Printers().size());
    EXPECT_EQ(printers->itemText(printers->count() - 1), paper.Printers().last());
    EXPECT_EQ(printers->currentIndex(), paper.PrinterIndex());
}
