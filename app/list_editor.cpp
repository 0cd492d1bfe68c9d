#include "app/list_editor.h"

#include "app/application.h"
#include "app/message_box.h"
#include "report/eval/errors.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

QString frNoListEntryText()
{
    return QStringLiteral("Не выбрана строка списка.\nВыберите строку в списке и повторите действие.");
}

TListEditor::TListEditor(const Names &names, QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton(names.add, QStringLiteral("Добавить"), QStyle::SP_FileDialogNewFolder,
                                 &TListEditor::AddClick));
    m_editButton = addButton(names.editEntry, QStringLiteral("Изменить"), QStyle::SP_FileDialogContentsView,
                             &TListEditor::EditClick);
    buttons->addWidget(m_editButton);
    m_deleteButton = addButton(names.remove, QStringLiteral("Удалить"), QStyle::SP_TrashIcon, &TListEditor::DeleteClick);
    buttons->addWidget(m_deleteButton);
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
    m_upButton = addButton(names.up, QStringLiteral("Вверх"), QStyle::SP_ArrowUp, &TListEditor::UpClick);
    moves->addWidget(m_upButton);
    m_downButton = addButton(names.down, QStringLiteral("Вниз"), QStyle::SP_ArrowDown, &TListEditor::DownClick);
    moves->addWidget(m_downButton);
    moves->addStretch();
    grid->addLayout(moves, 1, 1);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &TListEditor::updateButtons);
    connect(m_list, &QListWidget::currentRowChanged, this, &TListEditor::updateButtons);
    connect(m_list->model(), &QAbstractItemModel::rowsInserted, this, &TListEditor::updateButtons);
    connect(m_list->model(), &QAbstractItemModel::rowsRemoved, this, &TListEditor::updateButtons);
    connect(m_list->model(), &QAbstractItemModel::modelReset, this, &TListEditor::updateButtons);
    updateButtons();
}

TListEditor::~TListEditor()
{
    // The list reports its own teardown after the buttons are gone.
    m_list->disconnect(this);
    m_list->model()->disconnect(this);
}

void TListEditor::updateButtons()
{
    const int index = selectedIndex();
    m_editButton->setEnabled(index >= 0);
    m_deleteButton->setEnabled(index >= 0);
    m_upButton->setEnabled(index > 0);
    m_downButton->setEnabled(index >= 0 && index < m_list->count() - 1);
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
        throw EfrError(frNoListEntryText());
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
    if (!m_blankRefusal.isEmpty() && m_edit->text().trimmed().isEmpty()) {
        frWarning(this, m_blankRefusal);
        m_edit->setFocus();
        return;
    }
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
    if (index < 0)
        throw EfrError(frNoListEntryText());
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
