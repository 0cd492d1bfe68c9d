// The script editing area (placeholder until it is built: plain text, no check).
#include "report/designer/script_editor.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

struct TfrScriptEditor::Private {
    QPlainTextEdit *edit = nullptr;
};

TfrScriptEditor::TfrScriptEditor(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->edit = new QPlainTextEdit(this);
    layout->addWidget(d->edit);
    connect(d->edit, &QPlainTextEdit::textChanged, this, &TfrScriptEditor::Changed);
}

TfrScriptEditor::~TfrScriptEditor() = default;
QStringList TfrScriptEditor::Lines() const { return d->edit->toPlainText().split(QLatin1Char('\n')); }
void TfrScriptEditor::SetLines(const QStringList &lines) { d->edit->setPlainText(lines.join(QLatin1Char('\n'))); }
bool TfrScriptEditor::Check(QString *) { return true; }
int TfrScriptEditor::CursorLine() const { return d->edit->textCursor().blockNumber(); }
