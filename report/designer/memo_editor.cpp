// The text editor of an object.
#include "report/designer/memo_editor.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "report/designer/data_tree.h"
#include "report/designer/designer_document.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/expression_builder.h"
#include "report/designer/object_editors_p.h"
#include "report/designer/script_editor.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/view.h"

namespace {

// Lines as the template keeps them: an empty editor is no line at all.
QStringList linesOf(const QString &text)
{
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

QStringList normalized(QStringList lines)
{
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TfrMemoEditor::TfrMemoEditor(TfrDesignerDocument &doc, const TfrView &view, QWidget *parent)
    : QDialog(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("memo_editor"));
    setWindowTitle(tr("Текст: %1").arg(view.Name));
    const bool linesLocked = view.Restrictions & frrfDontEditMemo;
    const bool scriptLocked = view.Restrictions & frrfDontEditScript;

    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("memo_tabs"));
    layout->addWidget(m_tabs, 1);

    auto *textPage = new QWidget(m_tabs);
    auto *textLayout = new QVBoxLayout(textPage);
    m_lines = new QPlainTextEdit(textPage);
    m_lines->setObjectName(QStringLiteral("memo_lines"));
    m_lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    m_lines->setFont(mono);
    m_lines->setPlainText(view.Memo.join(QLatin1Char('\n')));
    m_lines->setReadOnly(linesLocked);
    textLayout->addWidget(m_lines, 1);
    auto *insertRow = new QHBoxLayout;
    auto addButton = [&](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, textPage);
        button->setObjectName(QString::fromLatin1(name));
        button->setEnabled(!linesLocked);
        insertRow->addWidget(button);
        return button;
    };
    QPushButton *field = addButton("insert_field", tr("Поле…"));
    QPushButton *variable = addButton("insert_variable", tr("Переменная…"));
    QPushButton *expression = addButton("insert_expression", tr("Выражение…"));
    insertRow->addStretch(1);
    if (linesLocked) {
        auto *locked = new QLabel(tr("Текст этого объекта защищён от изменения"), textPage);
        locked->setObjectName(QStringLiteral("memo_locked"));
        insertRow->addWidget(locked);
    }
    textLayout->addLayout(insertRow);
    m_tabs->addTab(textPage, tr("Текст"));
    connect(field, &QPushButton::clicked, this, [this] { chooseFromTree(tr("Вставить поле")); });
    connect(variable, &QPushButton::clicked, this, [this] { chooseFromTree(tr("Вставить переменную")); });
    connect(expression, &QPushButton::clicked, this, &TfrMemoEditor::buildExpression);

    m_script = new TfrScriptEditor(m_tabs);
    m_script->setObjectName(QStringLiteral("memo_script"));
    m_script->SetLines(view.scriptLines);
    m_script->setEnabled(!scriptLocked);
    m_tabs->addTab(m_script, tr("Скрипт"));

    auto *buttons = frDialogButtons(this);
    layout->addWidget(buttons);

    // Enter belongs to the lines; Ctrl+Enter takes the dialog's OK.
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QDialog::accept);
    buttons->button(QDialogButtonBox::Ok)->setToolTip(tr("Ctrl+Enter"));

    m_lines->setFocus();
    resize(720, 480);
}

QStringList TfrMemoEditor::Lines() const { return linesOf(m_lines->toPlainText()); }

QStringList TfrMemoEditor::Script() const
{
    return normalized(m_script->Lines());
}

void TfrMemoEditor::InsertText(const QString &text)
{
    if (m_lines->isReadOnly())
        return;
    m_lines->insertPlainText(text);
    m_lines->setFocus();
}

void TfrMemoEditor::buildExpression()
{
    // The expression goes into brackets of the text, where an inline format may follow it.
    TfrExpressionBuilder builder(&m_doc, this);
    builder.SetInlineFormatAllowed(true);
    if (builder.exec() == QDialog::Accepted && !builder.Expression().isEmpty())
        InsertText(QLatin1Char('[') + builder.Expression() + QLatin1Char(']'));
}

void TfrMemoEditor::chooseFromTree(const QString &caption)
{
    QDialog chooser(this);
    chooser.setObjectName(QStringLiteral("insert_chooser"));
    chooser.setWindowTitle(caption);
    auto *layout = new QVBoxLayout(&chooser);
    auto *tree = new TfrDataTree(m_doc, &chooser);
    tree->setObjectName(QStringLiteral("chooser_tree"));
    tree->Refresh();
    layout->addWidget(tree, 1);
    auto *description = new QLabel(&chooser);
    description->setWordWrap(true);
    layout->addWidget(description);
    auto *buttons = frDialogButtons(&chooser);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    layout->addWidget(buttons);
    connect(tree->Tree(), &QTreeWidget::currentItemChanged, &chooser, [=] {
        ok->setEnabled(!tree->CurrentInsertText().isEmpty());
        description->setText(tree->CurrentDescription());
    });
    QString chosen;
    connect(tree, &TfrDataTree::InsertRequested, &chooser, [&](const QString &text) {
        chosen = text;
        chooser.accept();
    });
    chooser.resize(420, 520);
    if (chooser.exec() != QDialog::Accepted)
        return;
    if (chosen.isEmpty())
        chosen = tree->CurrentInsertText();
    if (!chosen.isEmpty())
        InsertText(QLatin1Char('[') + chosen + QLatin1Char(']'));
}

bool frEditMemo(QWidget *parent, TfrDesignerDocument &doc, const QString &objectName)
{
    TfrPage *page = doc.CurrentPage();
    TfrView *view = page ? page->FindObject(objectName) : nullptr;
    if (!view)
        return false;
    TfrMemoEditor editor(doc, *view, parent);
    if (editor.exec() != QDialog::Accepted)
        return false;
    // Undo may have replaced the objects while the dialog was open: find it again.
    view = doc.CurrentPage() ? doc.CurrentPage()->FindObject(objectName) : nullptr;
    if (!view)
        return false;
    const QStringList lines = editor.Lines();
    const QStringList script = editor.Script();
    const bool linesChange = !(view->Restrictions & frrfDontEditMemo) &&
                             lines.join(QLatin1Char('\n')) != view->Memo.join(QLatin1Char('\n'));
    const bool scriptChange = !(view->Restrictions & frrfDontEditScript) && script != normalized(view->scriptLines);
    if (!linesChange && !scriptChange)
        return false;
    TfrReport &report = doc.Report();
    doc.Edit(TfrMemoEditor::tr("Текст"), [&] {
        if (linesChange)
            report.SetProperty(*view, QStringLiteral("Memo"), TfrVariant(lines.join(QLatin1String("\r\n"))));
        if (scriptChange) {
            // The script has no property of its own: set it and tell the document.
            view->scriptLines = script;
            frNotifyFieldChanged(doc, *view, QStringLiteral("Script"));
        }
    });
    return true;
}
