// The script editor dialog.
#include "report/designer/script_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "report/designer/dialog_buttons.h"
#include "report/designer/script_editor.h"
#include "report/eval/ui_hooks.h"

namespace {
constexpr int kMbYesNo = 4, kMbIconQuestion = 32, kMrYes = 6;
}

TfrScriptDialog::TfrScriptDialog(const QString &title, const QStringList &lines, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("script_dialog"));
    setWindowTitle(title.isEmpty() ? tr("Скрипт") : tr("Скрипт: %1").arg(title));
    auto *layout = new QVBoxLayout(this);

    m_editor = new TfrScriptEditor(this);
    m_editor->setObjectName(QStringLiteral("script_editor"));
    m_editor->SetLines(lines);
    layout->addWidget(m_editor, 1);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("check_message"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_message);

    auto *bottom = new QHBoxLayout;
    m_cursor = new QLabel(this);
    m_cursor->setObjectName(QStringLiteral("cursor_status"));
    bottom->addWidget(m_cursor, 1);
    auto *check = new QPushButton(tr("Проверить"), this);
    check->setObjectName(QStringLiteral("check_button"));
    check->setAutoDefault(false);
    bottom->addWidget(check);
    auto *buttons = frDialogButtons(this);
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    connect(check, &QPushButton::clicked, this, &TfrScriptDialog::CheckScript);
    connect(m_editor, &TfrScriptEditor::CursorMoved, this, &TfrScriptDialog::showCursor);
    // The verdict is about the text it was given.
    connect(m_editor, &TfrScriptEditor::Changed, m_message, &QLabel::clear);
    showCursor(0, 0);
    resize(760, 520);
    m_editor->setFocus();
}

QStringList TfrScriptDialog::Lines() const { return m_editor->Lines(); }

bool TfrScriptDialog::CheckScript()
{
    QString message;
    if (m_editor->Check(&message)) {
        if (frScriptHasIgnoredText(m_editor->Lines())) {
            m_message->setStyleSheet(QStringLiteral("color: #E65100;"));
            m_message->setText(tr("Ошибок нет, но выполнится только первая инструкция: остальное "
                                  "заключите вместе с ней в begin … end."));
            return true;
        }
        m_message->setStyleSheet(QStringLiteral("color: #1B5E20;"));
        m_message->setText(tr("Ошибок нет."));
        return true;
    }
    m_message->setStyleSheet(QStringLiteral("color: #B71C1C;"));
    m_message->setText(message);
    showCursor(m_editor->CursorLine(), m_editor->CursorColumn());
    return false;
}

void TfrScriptDialog::accept()
{
    // The engine runs a script with errors as far as it compiles; the user may keep it.
    if (!CheckScript()) {
        const QString question = tr("В скрипте ошибка:\n%1\n\nСохранить скрипт с ошибкой?").arg(m_message->text());
        if (frMessageBox(question, tr("Скрипт"), kMbYesNo | kMbIconQuestion) != kMrYes)
            return;
    }
    QDialog::accept();
}

void TfrScriptDialog::showCursor(int line, int column)
{
    m_cursor->setText(tr("Строка %1, столбец %2").arg(line + 1).arg(column + 1));
}
