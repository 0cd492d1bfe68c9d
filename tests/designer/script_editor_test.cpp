// The script editor as a person uses it: the syntax check lands on the failing line with
// the interpreter's message, the lines come back exactly as they were given, the language
// is highlighted, OK with an error asks before keeping the script, and the page's script
// is edited as one step that Cancel leaves untouched.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <deque>
#include <gtest/gtest.h>

#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/script_dialog.h"
#include "report/designer/script_editor.h"
#include "report/designer/script_styles.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

constexpr int kYes = 6, kNo = 7;

// Message boxes answered in order; what they said is kept.
class ScriptEditor : public testing::Test {
protected:
    void SetUp() override
    {
        saved = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            asked.append(text);
            if (answers.empty())
                return kNo;
            const int a = answers.front();
            answers.pop_front();
            return a;
        };
    }
    void TearDown() override { frUiHooks().MessageBox = saved; }

    std::function<int(const QString &, const QString &, int)> saved;
    std::deque<int> answers;
    QStringList asked;
};

QString text(const QWidget *dialog, const char *name)
{
    const auto *label = dialog->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

} // namespace

// "Проверить" puts the cursor on the line the interpreter names and shows its message;
// errors on the first, a middle and the last line, and after a comment spanning lines.
TEST_F(ScriptEditor, CheckPutsTheCursorOnTheFailingLineWithTheInterpretersMessage)
{
    struct Case {
        const char *what;
        QStringList lines;
        int line;            // from 0
        const char *message; // part of the interpreter's text
    };
    const Case cases[] = {
        {"first line", {QStringLiteral("begin if a > 1 b := 2;"), QStringLiteral("  c := 3"), QStringLiteral("end")},
         0, "Need \"then\" here"},
        {"middle line",
         {QStringLiteral("begin"), QStringLiteral("  a := 1;"), QStringLiteral("  while a < 3 a := a + 1;"),
          QStringLiteral("  b := 2"), QStringLiteral("end")},
         2, "Need \"do\" here"},
        {"last line",
         {QStringLiteral("begin"), QStringLiteral("  a := 1;"), QStringLiteral("  b := (a + 2 end")},
         2, "Need \")\" here"},
        {"after a comment over two lines",
         {QStringLiteral("begin { a comment"), QStringLiteral("  over lines } a := 1;"),
          QStringLiteral("  for i := 1 do a := a + i"), QStringLiteral("end")},
         2, "Need \"to\" here"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TfrScriptDialog dialog(QStringLiteral("Memo1"), c.lines);
        dialog.show();
        dialog.Editor()->SetCursor(0, 0);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("check_button")), Qt::LeftButton);
        EXPECT_EQ(dialog.Editor()->CursorLine(), c.line);
        const QString message = text(&dialog, "check_message");
        EXPECT_TRUE(message.contains(QLatin1String(c.message))) << message.toStdString();
        EXPECT_TRUE(message.startsWith(QStringLiteral("Line %1/").arg(c.line + 1))) << message.toStdString();
        EXPECT_TRUE(text(&dialog, "cursor_status").startsWith(QStringLiteral("Строка %1,").arg(c.line + 1)))
            << text(&dialog, "cursor_status").toStdString();
        EXPECT_EQ(dialog.Lines(), c.lines) << "checking changes no text";
    }

    // A correct script passes and the cursor stays where it was.
    const QStringList good{QStringLiteral("begin"), QStringLiteral("  if [Amount] > 100 then Memo1.Visible := False"),
                           QStringLiteral("  else x := 'it''s' // fine"), QStringLiteral("end")};
    TfrScriptDialog dialog(QString(), good);
    dialog.show();
    dialog.Editor()->SetCursor(3, 1);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("check_button")), Qt::LeftButton);
    EXPECT_EQ(text(&dialog, "check_message"), QStringLiteral("Ошибок нет."));
    EXPECT_EQ(dialog.Editor()->CursorLine(), 3);
    EXPECT_EQ(dialog.Editor()->CursorColumn(), 1);

    // The same verdicts without the dialog.
    QString message;
    int line = -1, column = -1;
    EXPECT_TRUE(frCheckScript(good, &message, &line, &column));
    EXPECT_TRUE(frCheckScript({}));
    EXPECT_FALSE(frCheckScript(cases[1].lines, &message, &line, &column));
    EXPECT_EQ(line, 2);
    EXPECT_EQ(column, cases[1].lines[2].indexOf(QStringLiteral("a < 3")) + 5) << "just after the condition";
}

// The interpreter stops, without a word, at a statement that begins with a Cyrillic name;
// the check names it and its place. In strings, comments and bracket groups such names are fine.
TEST_F(ScriptEditor, CheckFindsANameThatIsNotLatin)
{
    const QStringList bad{QStringLiteral("begin"), QStringLiteral("  a := [Сумма] * 2; // Итого"),
                          QStringLiteral("  Итого := a"), QStringLiteral("end")};
    QString message;
    int line = -1, column = -1;
    EXPECT_FALSE(frCheckScript(bad, &message, &line, &column));
    EXPECT_EQ(line, 2);
    EXPECT_EQ(column, 2);
    EXPECT_TRUE(message.contains(QStringLiteral("«Итого»"))) << message.toStdString();
    EXPECT_TRUE(message.startsWith(QStringLiteral("Строка 3/3"))) << message.toStdString();

    TfrScriptDialog dialog(QString(), bad);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("check_button")), Qt::LeftButton);
    EXPECT_EQ(dialog.Editor()->CursorLine(), 2);

    EXPECT_TRUE(frCheckScript({QStringLiteral("begin"), QStringLiteral("  s := 'Привет' + [Имя]; { Итого }"),
                               QStringLiteral("  Memo1.Visible := [Сумма] > 0"), QStringLiteral("end")}));
}

// Text after the first statement never runs; the check says so instead of "no errors".
TEST_F(ScriptEditor, CheckWarnsAboutTextAfterTheFirstStatement)
{
    struct Row {
        QStringList lines;
        bool ignored;
    };
    const Row rows[] = {
        {{QStringLiteral("a := 1;"), QStringLiteral("b := 2")}, true},
        {{QStringLiteral("begin a := 1 end;"), QStringLiteral("b := 2")}, true},
        {{QStringLiteral("begin a := 1 end"), QStringLiteral("// only a comment")}, false},
        {{QStringLiteral("begin"), QStringLiteral("  a := 1;"), QStringLiteral("  b := 2"), QStringLiteral("end")}, false},
        {{QStringLiteral("Memo1.Visible := False")}, false},
        {{QStringLiteral("if a > 1 then b := 2 else b := 3")}, false},
        {{}, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.lines.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(frScriptHasIgnoredText(r.lines), r.ignored);
        TfrScriptDialog dialog(QString(), r.lines);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("check_button")), Qt::LeftButton);
        EXPECT_EQ(text(&dialog, "check_message").contains(QStringLiteral("begin … end")), r.ignored)
            << text(&dialog, "check_message").toStdString();
        EXPECT_TRUE(text(&dialog, "check_message").startsWith(QStringLiteral("Ошибок нет")));
    }
}

// Lines come back as they went in while nobody edits them (tabs, trailing blanks, empty
// lines, an empty script, Russian text); after an edit, one entry per line.
TEST_F(ScriptEditor, LinesComeBackExactly)
{
    const QList<QStringList> scripts = {
        {},
        {QString()},
        {QStringLiteral("begin"), QStringLiteral("\tx := 1;  "), QString(), QStringLiteral("end"), QString()},
        {QStringLiteral("begin x := [Сумма] * 2 end // итог")},
        {QStringLiteral("a\rb"), QStringLiteral("c")},
    };
    TfrScriptEditor editor;
    editor.show();
    for (const QStringList &lines : scripts) {
        editor.SetLines(lines);
        EXPECT_EQ(editor.Lines(), lines) << lines.join(QLatin1Char('|')).toStdString();
    }
    editor.SetLines({QStringLiteral("begin"), QStringLiteral("end")});
    editor.SetCursor(0, 5);
    editor.EditArea()->setFocus();
    QTest::keyClick(editor.EditArea(), Qt::Key_Return);
    QTest::keyClicks(editor.EditArea(), QStringLiteral("x := 1"));
    QStringList edited = editor.Lines();
    ASSERT_EQ(edited.size(), 3);
    EXPECT_EQ(edited[0], QStringLiteral("begin"));
    EXPECT_EQ(edited[1].trimmed(), QStringLiteral("x := 1"));
    EXPECT_EQ(edited[2], QStringLiteral("end"));
    EXPECT_EQ(editor.CursorLine(), 1);
}

// Keywords, strings, comments, numbers and bracketed expressions each get their style, as
// the interpreter reads them (quotes inside brackets, a doubled quote inside a string, a
// comment over lines).
TEST_F(ScriptEditor, HighlightsTheScriptLanguage)
{
    const QByteArray script = QStringLiteral(
        "begin { note\n"
        "  over lines } if [T.\"a]b\"] > 10.5 then\n"
        "  s := 'it''s // no comment' else s := 'x'; // tail\n"
        "  WHILE i < 3 do Inc(i) end").toUtf8();
    const std::vector<unsigned char> styles = frScriptStyles(script);
    ASSERT_EQ(styles.size(), size_t(script.size()));
    auto styleOf = [&](const char *piece, int occurrence = 0) {
        qsizetype at = -1;
        for (int i = 0; i <= occurrence; ++i)
            at = script.indexOf(piece, at + 1);
        EXPECT_GE(at, 0) << piece;
        const qsizetype length = qstrlen(piece);
        const unsigned char first = styles[size_t(at)];
        for (qsizetype i = at; i < at + length; ++i)
            if (styles[size_t(i)] != first)
                return -1; // mixed
        return int(first);
    };
    struct Row {
        const char *piece;
        int occurrence;
        int style;
    };
    const Row rows[] = {
        {"begin", 0, frssKeyword},      {"{ note\n  over lines }", 0, frssComment},
        {"if", 0, frssKeyword},         {"[T.\"a]b\"]", 0, frssBracket},
        {"10.5", 0, frssNumber},        {"then", 0, frssKeyword},
        {"'it''s // no comment'", 0, frssString}, {"else", 0, frssKeyword},
        {"// tail", 0, frssComment},    {"WHILE", 0, frssKeyword},
        {"Inc", 0, frssIdentifier},     {"3", 0, frssNumber},
        {"end", 0, frssKeyword},        {":=", 0, frssDefault},
    };
    for (const Row &r : rows)
        EXPECT_EQ(styleOf(r.piece, r.occurrence), r.style) << r.piece;
    EXPECT_EQ(styles[size_t(script.indexOf("> 10"))], frssDefault);

    // The editor shows those styles.
    TfrScriptEditor editor;
    editor.show();
    editor.SetLines({QStringLiteral("begin x := [Сумма] * 2; // итог"), QStringLiteral("  y := 'a' end")});
    EXPECT_EQ(editor.StyleAt(0, 0), frssKeyword);
    EXPECT_EQ(editor.StyleAt(0, 12), frssBracket) << "inside [Сумма]";
    EXPECT_EQ(editor.StyleAt(0, 21), frssNumber);
    EXPECT_EQ(editor.StyleAt(0, 25), frssComment);
    EXPECT_EQ(editor.StyleAt(1, 7), frssString);
    EXPECT_EQ(editor.StyleAt(1, 11), frssKeyword);
}

// OK on a script with an error asks; "Нет" keeps the dialog open on the error, "Да" keeps
// the script as written. Cancel gives nothing back.
TEST_F(ScriptEditor, OkWithAnErrorAsksAndCancelGivesNothingBack)
{
    const QStringList wrong{QStringLiteral("begin"), QStringLiteral("  a := 1 b := 2"), QStringLiteral("end")};
    {
        TfrScriptDialog dialog(QString(), wrong);
        dialog.show();
        answers = {kNo};
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << "the user wanted to fix it";
        EXPECT_EQ(dialog.result(), 0);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].contains(QStringLiteral("Need \";\" or \"end\" here"))) << asked[0].toStdString();
        EXPECT_EQ(dialog.Editor()->CursorLine(), 1);
        answers = {kYes};
        dialog.accept();
        EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
        EXPECT_EQ(dialog.Lines(), wrong);
    }

    // Through the entry function: Cancel leaves the caller's lines alone, OK returns them.
    QStringList script = wrong;
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TfrScriptDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Editor()->SetLines({QStringLiteral("begin end")});
        dialog->reject();
    });
    EXPECT_FALSE(frEditScript(nullptr, QStringLiteral("Memo1"), script));
    EXPECT_EQ(script, wrong);
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TfrScriptDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Editor()->SetLines({QStringLiteral("begin x := 1 end")});
        dialog->accept();
    });
    EXPECT_TRUE(frEditScript(nullptr, QStringLiteral("Memo1"), script));
    EXPECT_EQ(script, QStringList{QStringLiteral("begin x := 1 end")});
}

// "Скрипт отчёта…" edits the current page's script as one undo step; Cancel and an OK
// without a change leave the template and the history as they were.
TEST_F(ScriptEditor, PageScriptIsOneStepAndCancelChangesNothing)
{
    TfrDesignerDocument doc;
    doc.Edit(QStringLiteral("second page"), [&] { doc.Report().AddPage()->Name = QStringLiteral("Page2"); });
    doc.SetCurrentPage(1);
    const QByteArray start = doc.Snapshot();
    const int steps = doc.UndoStack().count();
    auto answer = [](const QStringList &lines, bool ok) {
        QTimer::singleShot(0, [lines, ok] {
            auto *dialog = qobject_cast<TfrScriptDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (!lines.isEmpty())
                dialog->Editor()->SetLines(lines);
            ok ? dialog->accept() : dialog->reject();
        });
    };
    answer({QStringLiteral("begin Page2.Visible := False end")}, false);
    EXPECT_FALSE(frEditReportScript(nullptr, doc));
    EXPECT_EQ(doc.Snapshot(), start);
    answer({}, true);
    EXPECT_FALSE(frEditReportScript(nullptr, doc)) << "OK without a change";
    EXPECT_EQ(doc.UndoStack().count(), steps);

    const QStringList script{QStringLiteral("begin"), QStringLiteral("  Page2.Visible := False"), QStringLiteral("end")};
    answer(script, true);
    EXPECT_TRUE(frEditReportScript(nullptr, doc));
    EXPECT_EQ(doc.UndoStack().count(), steps + 1);
    EXPECT_EQ(doc.Report().Page(1)->scriptLines, script);
    EXPECT_TRUE(doc.Report().Page(0)->scriptLines.isEmpty());

    // Kept through a save and a load.
    TfrReport copy;
    {
        const QByteArray bytes = doc.Snapshot();
        TfrStream stream(bytes);
        ASSERT_TRUE(copy.LoadFromStream(stream));
    }
    EXPECT_EQ(copy.Page(1)->scriptLines, script);

    doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), start);
}
