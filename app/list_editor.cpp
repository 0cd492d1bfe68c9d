#include "app/list_editor.h"

#include "app/application.h"
#include "report/eval/errors.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The classic list's error for an index it does not hold.
[[noreturn]] void raiseListIndexError(int index)
{
    throw EfrError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

} // namespace

TListEditor::TListEditor(const Names &names, QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton(names.add, QStringLiteral("Добавить"), QStyle::SP_FileDialogNewFolder,
                                 &TListEditor::AddClick));
    buttons->addWidget(addButton(names.editEntry, QStringLiteral("Изменить"),
                                 QStyle::SP_FileDialogContentsView, &TListEditor::EditClick));
    buttons->addWidget(addButton(names.remove, QStringLiteral("Удалить"), QStyle::SP_TrashIcon,
                                 &TListEditor::DeleteClick));
    buttons->addSpacing(12);

    m_inline = new QWidget(this);
    auto *inlineRow = new QHBoxLayout(m_inline);
    inlineRow->setContentsMargins(0, 0, 0, 0);
    m_edit = new QLineEdit(m_inline);
    m_edit->setObjectName(QString::fromLatin1(names.edit));
    m_edit->setMaxLength(kMaxEntryLength);
    m_edit->installEventFilter(this);
    inlineRow->addWidget(m_edit, 1);
    inlineRow->addWidget(addButton(names.ok, QStringLiteral("OK"), QStyle::SP_DialogApplyButton,
                                   &TListEditor::OkClick));
    inlineRow->addWidget(addButton(names.cancel, QStringLiteral("Отмена"), QStyle::SP_DialogCancelButton,
                                   &TListEditor::CancelClick));
    m_inline->hide();
    buttons->addWidget(m_inline, 1);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 0, 1, 2);

    m_list = new QListWidget(this);
    m_list->setObjectName(QString::fromLatin1(names.list));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->addWidget(m_list, 1, 0);

    auto *moves = new QVBoxLayout;
    moves->addWidget(addButton(names.up, QStringLiteral("Вверх"), QStyle::SP_ArrowUp, &TListEditor::UpClick));
    moves->addWidget(addButton(names.down, QStringLiteral("Вниз"), QStyle::SP_ArrowDown,
                               &TListEditor::DownClick));
    moves->addStretch();
    grid->addLayout(moves, 1, 1);
}

QToolButton *TListEditor::addButton(const char *name, const QString &tip, int icon,
                                    void (TListEditor::*handler)())
{
    auto *button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setIcon(style()->standardIcon(QStyle::StandardPixmap(icon)));
    connect(button, &QToolButton::clicked, this, [this, handler] { frGuard([&] { (this->*handler)(); }); });
    return button;
}

bool TListEditor::inlineEditorShown() const
{
    return !m_inline->isHidden();
}

QStringList TListEditor::entries() const
{
    QStringList result;
    result.reserve(m_list->count());
    for (int i = 0; i < m_list->count(); ++i)
        result << m_list->item(i)->text();
    return result;
}

void TListEditor::setEntries(const QStringList &entries)
{
    m_list->clear();
    m_list->addItems(entries);
}

int TListEditor::selectedIndex() const
{
    const int row = m_list->currentRow();
    if (row < 0 || !m_list->item(row)->isSelected())
        return -1;
    return row;
}

void TListEditor::selectIndex(int index)
{
    if (index < 0) {
        m_list->clearSelection();
        m_list->setCurrentRow(-1);
        return;
    }
    m_list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void TListEditor::showInlineEditor()
{
    m_inline->show();
    m_edit->setFocus();
}

void TListEditor::hideInlineEditor()
{
    m_inline->hide();
}

void TListEditor::AddClick()
{
    selectIndex(-1);
    m_edit->clear();
    showInlineEditor();
}

void TListEditor::EditClick()
{
    const int index = selectedIndex();
    if (index < 0)
        raiseListIndexError(index);
    m_edit->setText(m_list->item(index)->text());
    showInlineEditor();
}

void TListEditor::DeleteClick()
{
    const int index = selectedIndex();
    if (index < 0)
        return;
    delete m_list->takeItem(index);
}

void TListEditor::OkClick()
{
    const int index = selectedIndex();
    if (index < 0)
        m_list->addItem(m_edit->text());
    else
        m_list->item(index)->setText(m_edit->text());
    hideInlineEditor();
}

void TListEditor::CancelClick()
{
    m_edit->clear();
    hideInlineEditor();
}

void TListEditor::UpClick()
{
    const int index = selectedIndex();
    if (index <= 0)
        return;
    m_list->insertItem(index - 1, m_list->takeItem(index));
    selectIndex(index - 1);
}

void TListEditor::DownClick()
{
    const int index = selectedIndex();
    const int last = m_list->count() - 1;
    if (index >= last)
        return;
    // With nothing selected in a non-empty list the move names index -1, as the classic list did.
    if (index < 0)
        raiseListIndexError(index);
    m_list->insertItem(index + 1, m_list->takeItem(index));
    selectIndex(index + 1);
}

void TListEditor::EditKeyUp(int key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        OkClick();
}

bool TListEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        frGuard([&] { EditKeyUp(key->key(), key->modifiers()); });
    }
    return QWidget::eventFilter(watched, event);
}
