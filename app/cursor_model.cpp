#include "app/cursor_model.h"

#include "app/application.h"
#include "app/message_box.h"
#include "app/number_input.h"
#include "report/eval/errors.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace {

QString normalizedLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TfrCursorModel

TfrCursorModel::TfrCursorModel(TfrTableCursor *cursor, QList<TfrGridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_cursor(cursor), m_columns(std::move(columns))
{
    refreshFields();
    // The cursor reports changes after making them; the views only need to hear of them.
    connect(cursor, &TfrTableCursor::dataReset, this, [this] {
        beginResetModel();
        refreshFields();
        endResetModel();
    });
    connect(cursor, &TfrTableCursor::rowInserted, this, [this](int row) {
        beginInsertRows({}, row, row);
        endInsertRows();
    });
    connect(cursor, &TfrTableCursor::rowRemoved, this, [this](int row) {
        beginRemoveRows({}, row, row);
        endRemoveRows();
    });
    connect(cursor, &TfrTableCursor::rowChanged, this, [this](int row) {
        if (row < 0 || row >= rowCount())
            return;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
    });
    auto indicatorChanged = [this] {
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    };
    connect(cursor, &TfrTableCursor::currentRowChanged, this, indicatorChanged);
    connect(cursor, &TfrTableCursor::stateChanged, this, indicatorChanged);
}

void TfrCursorModel::refreshFields()
{
    m_fieldOfColumn.clear();
    for (const TfrGridColumn &column : m_columns)
        m_fieldOfColumn << (m_cursor && m_cursor->Active() ? m_cursor->FindField(column.field) : -1);
}

int TfrCursorModel::fieldOfColumn(int column) const
{
    return column >= 0 && column < m_fieldOfColumn.size() ? m_fieldOfColumn.at(column) : -1;
}

bool TfrCursorModel::numberRange(int column, qint64 &minimum, qint64 &maximum) const
{
    const int field = fieldOfColumn(column);
    if (field < 0 || !m_cursor)
        return false;
    qint64 limit = 0;
    switch (m_cursor->FieldKind(field)) {
    case TfrFieldKind::fkSmallInt:
        limit = std::numeric_limits<qint16>::max();
        break;
    case TfrFieldKind::fkInteger:
        limit = std::numeric_limits<qint32>::max();
        break;
    case TfrFieldKind::fkLargeInt:
        limit = std::numeric_limits<qint64>::max();
        break;
    default:
        return false;
    }
    const TfrGridColumn &c = m_columns.at(column);
    minimum = c.maximum > 0 ? std::max<qint64>(c.minimum, 0) : 0;
    maximum = c.maximum > 0 ? std::min(c.maximum, limit) : limit;
    return true;
}

int TfrCursorModel::textLimit(int column) const
{
    const int field = fieldOfColumn(column);
    if (field < 0 || !m_cursor || m_cursor->FieldKind(field) != TfrFieldKind::fkString)
        return 0;
    return m_cursor->FieldDef(field).size;
}

int TfrCursorModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_cursor || !m_cursor->Active())
        return 0;
    return m_cursor->RowCount();
}

int TfrCursorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TfrCursorModel::data(const QModelIndex &index, int role) const
{
    const int field = fieldOfColumn(index.column());
    if (!index.isValid() || field < 0 || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole) {
        if (m_columns.at(index.column()).groupDigits) {
            bool ok = false;
            const qint64 n = m_cursor->RowValue(index.row(), field).toString().toLongLong(&ok);
            if (ok)
                return frGroupDigits(n);
        }
        return m_cursor->RowDisplayText(index.row(), field);
    }
    if (role == Qt::ToolTipRole && m_columns.at(index.column()).groupDigits == false)
        return m_cursor->RowDisplayText(index.row(), field);
    if (role == Qt::TextAlignmentRole && m_columns.at(index.column()).groupDigits)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::EditRole)
        return m_cursor->RowValue(index.row(), field).toString();
    return {};
}

QVariant TfrCursorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? m_columns.at(section).title : QVariant();
    // The row indicator: the current row, and whether it is being edited or appended.
    if (!m_cursor || section != m_cursor->CurrentRow())
        return QString();
    switch (m_cursor->state()) {
    case TfrTableCursor::dsEdit:
        return QStringLiteral("I");
    case TfrTableCursor::dsInsert:
        return QStringLiteral("*");
    default:
        return QStringLiteral("▶");
    }
}

Qt::ItemFlags TfrCursorModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_cursor && !m_cursor->ReadOnly() && fieldOfColumn(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TfrCursorModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int field = fieldOfColumn(index.column());
    if (role != Qt::EditRole || field < 0 || !m_cursor)
        return false;
    return frGuard([&] {
        if (m_cursor->CurrentRow() != index.row())
            m_cursor->setRecNo(index.row() + 1);
        const QString text = value.toString();
        qint64 minimum = 0, maximum = 0, number = 0;
        if (numberRange(index.column(), minimum, maximum) && !frParseNumber(text, minimum, maximum, number))
            throw EfrError(QStringLiteral("В столбце «%1» допускается только целое число %2.\n"
                                          "Прежнее значение оставлено; введите число заново.")
                               .arg(m_columns.at(index.column()).title, frNumberRangeText(minimum, maximum)));
        if (m_cursor->state() == TfrTableCursor::dsBrowse) {
            if (text == m_cursor->FieldValue(field).toString())
                return;
            m_cursor->Edit();
        }
        m_cursor->SetFieldValue(field, TfrVariant(text));
    });
}

// ---------------------------------------------------------------------------------------
// TfrCursorDelegate

QWidget *TfrCursorDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto *line = qobject_cast<QLineEdit *>(editor);
    const auto *model = qobject_cast<const TfrCursorModel *>(index.model());
    if (!line || !model)
        return editor;
    // What the field cannot hold cannot be typed.
    qint64 minimum = 0, maximum = 0;
    if (model->numberRange(index.column(), minimum, maximum)) {
        line->setValidator(new TfrNumberValidator(minimum, maximum, line));
        line->setToolTip(QStringLiteral("Только цифры, %1").arg(frNumberRangeText(minimum, maximum)));
    } else if (const int limit = model->textLimit(index.column()); limit > 0) {
        line->setMaxLength(limit);
    }
    return editor;
}

// ---------------------------------------------------------------------------------------
// TfrDBGrid

TfrDBGrid::TfrDBGrid(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new TfrCursorDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setShowGrid(true);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
}

void TfrDBGrid::setCursorModel(TfrCursorModel *model)
{
    m_model = model;
    setModel(model);
    fitColumns();
    connect(model->cursor(), &TfrTableCursor::currentRowChanged, this, [this](int row) { followCursor(row); });
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { followCursor(m_model->cursor()->CurrentRow()); });
    followCursor(model->cursor()->CurrentRow());
}

void TfrDBGrid::fitColumns()
{
    // The designed widths are the least a column gets; our fonts may need more room for
    // the title or the rows on screen.
    // A long file name widens its column only so far: the grid must fit the screen, and
    // the whole name shows in its tooltip and editor.
    ensurePolished();
    constexpr int kWidestFitted = 320;
    for (int i = 0; i < m_model->columns().size(); ++i) {
        const int hint = std::max(horizontalHeader()->sectionSizeHint(i), sizeHintForColumn(i));
        setColumnWidth(i, std::max(m_model->columns().at(i).width, std::min(hint, kWidestFitted)));
    }
}

void TfrDBGrid::followCursor(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    m_following = true;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(m_model->index(row, column));
    m_following = false;
}

void TfrDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !m_model || !current.isValid())
        return;
    TfrTableCursor *cursor = m_model->cursor();
    if (current.row() == cursor->CurrentRow())
        return;
    frGuard([&] {
        const int target = current.row();
        dropUntouchedAppend();
        if (target < cursor->RowCount())
            cursor->setRecNo(target + 1);
    });
    followCursor(cursor->CurrentRow());
}

void TfrDBGrid::commitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    QWidget *editor = indexWidget(currentIndex());
    if (!editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TfrDBGrid::cancelOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void TfrDBGrid::dropUntouchedAppend()
{
    TfrTableCursor *cursor = m_model ? m_model->cursor() : nullptr;
    if (cursor && cursor->state() == TfrTableCursor::dsInsert && !cursor->Modified())
        cursor->Cancel();
}

void TfrDBGrid::deleteCurrentRow()
{
    TfrTableCursor *cursor = m_model ? m_model->cursor() : nullptr;
    if (!cursor || !cursor->Active() || cursor->RowCount() == 0)
        return;
    if (!frConfirm(this, QStringLiteral("Подтверждение"), QStringLiteral("Удалить запись?")))
        return;
    if (cursor->state() == TfrTableCursor::dsInsert) {
        cursor->Cancel();
        return;
    }
    cursor->Delete();
}

void TfrDBGrid::keyPressEvent(QKeyEvent *event)
{
    TfrTableCursor *cursor = m_model ? m_model->cursor() : nullptr;
    if (!cursor || !cursor->Active() || state() == QAbstractItemView::EditingState) {
        QTableView::keyPressEvent(event);
        return;
    }
    const bool handled = [&] {
        if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
            frGuard([&] { deleteCurrentRow(); });
            return true;
        }
        if (event->key() == Qt::Key_Escape && cursor->state() != TfrTableCursor::dsBrowse) {
            frGuard([&] { cursor->Cancel(); });
            return true;
        }
        // Down on the last row appends a row, as data grids do.
        const bool onLast = cursor->CurrentRow() == cursor->RowCount() - 1;
        if (event->key() == Qt::Key_Down && onLast && !cursor->ReadOnly()
            && cursor->state() != TfrTableCursor::dsInsert) {
            frGuard([&] { cursor->Append(); });
            return true;
        }
        if (event->key() == Qt::Key_Insert && !cursor->ReadOnly()) {
            frGuard([&] { cursor->Insert(); });
            return true;
        }
        return false;
    }();
    if (!handled)
        QTableView::keyPressEvent(event);
}

void TfrDBGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    // Focus moving into the grid's own cell editor is not leaving the grid.
    QWidget *next = QApplication::focusWidget();
    if (next && isAncestorOf(next))
        return;
    frGuard([&] { dropUntouchedAppend(); });
}

// ---------------------------------------------------------------------------------------
// TfrDBNavigator

TfrDBNavigator::TfrDBNavigator(QWidget *parent) : QWidget(parent)
{
    struct ButtonLook {
        const char *glyph;
        const char *hint;
    };
    const ButtonLook looks[] = {
        {"|◀", "Переход к первой записи"},
        {"◀", "Предыдущая запись"},
        {"▶", "Следующая запись"},
        {"▶|", "Переход к последней записи"},
        {"−", "Удалить запись"},
        {"▲", "Редактировать запись"},
        {"✓", "Сохранить результаты редактирования"},
        {"✕", "Отмена редактирования"},
    };
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < int(std::size(looks)); ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QStringLiteral("NavButton%1").arg(i));
        b->setToolTip(QString::fromUtf8(looks[i].hint));
        b->setText(QString::fromUtf8(looks[i].glyph));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(26);
        connect(b, &QToolButton::clicked, this, [this, i] { frGuard([&] { BtnClick(Button(i)); }); });
        row->addWidget(b);
        m_buttons << b;
    }
    updateButtons();
}

void TfrDBNavigator::setGrid(TfrDBGrid *grid)
{
    m_grid = grid;
    TfrTableCursor *cursor = grid->cursorModel()->cursor();
    connect(cursor, &TfrTableCursor::dataReset, this, &TfrDBNavigator::updateButtons);
    connect(cursor, &TfrTableCursor::stateChanged, this, &TfrDBNavigator::updateButtons);
    connect(cursor, &TfrTableCursor::currentRowChanged, this, &TfrDBNavigator::updateButtons);
    connect(cursor, &TfrTableCursor::rowInserted, this, &TfrDBNavigator::updateButtons);
    connect(cursor, &TfrTableCursor::rowRemoved, this, &TfrDBNavigator::updateButtons);
    connect(cursor, &TfrTableCursor::rowChanged, this, &TfrDBNavigator::updateButtons);
    updateButtons();
}

void TfrDBNavigator::updateButtons()
{
    TfrTableCursor *cursor = m_grid ? m_grid->cursorModel()->cursor() : nullptr;
    const bool active = cursor && cursor->Active();
    const bool editing = active && cursor->state() != TfrTableCursor::dsBrowse;
    const bool hasRows = active && cursor->RowCount() > 0;
    const bool writable = active && !cursor->ReadOnly();
    const int row = active ? cursor->CurrentRow() : -1;
    m_buttons[nbFirst]->setEnabled(hasRows && row > 0);
    m_buttons[nbPrior]->setEnabled(hasRows && row > 0);
    m_buttons[nbNext]->setEnabled(hasRows && row < cursor->RowCount() - 1);
    m_buttons[nbLast]->setEnabled(hasRows && row < cursor->RowCount() - 1);
    m_buttons[nbDelete]->setEnabled(hasRows && writable);
    m_buttons[nbEdit]->setEnabled(writable && !editing);
    m_buttons[nbPost]->setEnabled(editing);
    m_buttons[nbCancel]->setEnabled(editing);
}

void TfrDBNavigator::BtnClick(Button button)
{
    if (!m_grid)
        return;
    TfrTableCursor *cursor = m_grid->cursorModel()->cursor();
    if (!cursor->Active())
        return;
    if (button != nbCancel)
        m_grid->commitOpenEditor();
    switch (button) {
    case nbFirst:
        cursor->First();
        break;
    case nbPrior:
        cursor->Prior();
        break;
    case nbNext:
        cursor->Next();
        break;
    case nbLast:
        cursor->Last();
        break;
    case nbDelete:
        m_grid->deleteCurrentRow();
        break;
    case nbEdit:
        cursor->Edit();
        break;
    case nbPost:
        if (cursor->state() != TfrTableCursor::dsBrowse)
            cursor->Post();
        break;
    case nbCancel:
        m_grid->cancelOpenEditor();
        if (cursor->state() != TfrTableCursor::dsBrowse)
            cursor->Cancel();
        break;
    }
}

// ---------------------------------------------------------------------------------------
// TfrDBMemo

TfrDBMemo::TfrDBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { userEdited(); });
}

void TfrDBMemo::bind(TfrTableCursor *cursor, const QString &field)
{
    m_cursor = cursor;
    m_field = field;
    connect(cursor, &TfrTableCursor::dataReset, this, &TfrDBMemo::reload);
    connect(cursor, &TfrTableCursor::currentRowChanged, this, &TfrDBMemo::reload);
    connect(cursor, &TfrTableCursor::stateChanged, this, &TfrDBMemo::reload);
    connect(cursor, &TfrTableCursor::rowChanged, this, [this](int row) {
        if (m_cursor && row == m_cursor->CurrentRow())
            reload();
    });
    reload();
}

void TfrDBMemo::reload()
{
    if (m_loading)
        return;
    const bool onRow = m_cursor && m_cursor->Active() && m_cursor->CurrentRow() >= 0;
    setReadOnly(!onRow || m_cursor->ReadOnly());
    const QString text = onRow ? normalizedLines(m_cursor->FieldValue(m_field).toString()) : QString();
    if (text == toPlainText())
        return;
    m_loading = true;
    setPlainText(text);
    m_loading = false;
}

void TfrDBMemo::userEdited()
{
    if (m_loading)
        return;
    frGuard([&] { updateRecord(); });
}

void TfrDBMemo::updateRecord()
{
    if (!m_cursor || !m_cursor->Active() || m_cursor->CurrentRow() < 0 || m_cursor->ReadOnly())
        return;
    const QString text = toPlainText();
    if (text == normalizedLines(m_cursor->FieldValue(m_field).toString()))
        return;
    // Starting the edit re-announces the row; the memo keeps what the operator typed.
    m_loading = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_loading};
    if (m_cursor->state() == TfrTableCursor::dsBrowse)
        m_cursor->Edit();
    m_cursor->SetFieldValue(m_field, TfrVariant(text));
}
