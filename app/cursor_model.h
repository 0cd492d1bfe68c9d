// Data-aware widgets over a table cursor: a table model for a grid, the grid itself, a
// navigator and a memo bound to one field. The cursor holds the current row and the edit
// buffer; the widgets only show and forward.
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWidget>

#include "report/eval/table_cursor.h"

class QToolButton;

struct TfrGridColumn {
    QString field;
    QString title;
    int width = 64;
    // Whole-number fields: the values the operator may type (digits only). A maximum of
    // 0 takes the field's own limits from 0 up.
    qint64 minimum = 0;
    qint64 maximum = 0;
    // Shown with the digits in groups ("7 500 000"), as the journal view shows sizes.
    bool groupDigits = false;
};

class TfrCursorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TfrCursorModel(TfrTableCursor *cursor, QList<TfrGridColumn> columns, QObject *parent = nullptr);

    TfrTableCursor *cursor() const { return m_cursor; }
    const QList<TfrGridColumn> &columns() const { return m_columns; }
    // The cursor's field index of a column; -1 while the cursor does not offer it.
    int fieldOfColumn(int column) const;
    // Whether the column holds a whole-number field, and the values it takes.
    bool numberRange(int column, qint64 &minimum, qint64 &maximum) const;
    // The most characters a text column takes; 0 for no limit.
    int textLimit(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Moves the cursor to the row, starts an edit and sets the field; a refused value is
    // reported (a whole number out of the column's range in words the operator can act
    // on) and the cell keeps its text.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    void refreshFields();

    QPointer<TfrTableCursor> m_cursor;
    QList<TfrGridColumn> m_columns;
    QList<int> m_fieldOfColumn;
};

// The grid's cell editors: whole-number cells take digits only, within the column's
// range; text cells take no more characters than the field holds.
class TfrCursorDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
};

// The grid: keeps its current row and the cursor's in step, asks before deleting a row,
// and drops an appended row nobody typed into when the focus leaves.
class TfrDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TfrDBGrid(QWidget *parent = nullptr);
    void setCursorModel(TfrCursorModel *model);
    // Gives every column at least its designed width, more when its title or rows need it.
    void fitColumns();
    TfrCursorModel *cursorModel() const { return m_model; }

    // Ends an open cell editor, handing what was typed to the cursor.
    void commitOpenEditor();
    // Closes an open cell editor, dropping what was typed in it.
    void cancelOpenEditor();
    bool cellEditorOpen() const { return state() == QAbstractItemView::EditingState; }
    // Asks "Удалить запись?" and deletes the current row when confirmed.
    void deleteCurrentRow();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void followCursor(int row);
    void dropUntouchedAppend();

    TfrCursorModel *m_model = nullptr;
    bool m_following = false;
};

// Buttons first, previous, next, last, delete, edit, post, cancel.
class TfrDBNavigator : public QWidget {
    Q_OBJECT
public:
    TfrDBNavigator(QWidget *parent = nullptr);
    void setGrid(TfrDBGrid *grid);
    QToolButton *button(int index) const { return m_buttons.at(index); }

    enum Button { nbFirst, nbPrior, nbNext, nbLast, nbDelete, nbEdit, nbPost, nbCancel };
    void BtnClick(Button button);

private:
    void updateButtons();

    TfrDBGrid *m_grid = nullptr;
    QList<QToolButton *> m_buttons;
};

// A memo showing one text field of the cursor's current row; typing edits the row.
class TfrDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    TfrDBMemo(QWidget *parent = nullptr);
    void bind(TfrTableCursor *cursor, const QString &field);
    // Hands the memo's text to the row when it differs (starting an edit).
    void updateRecord();

private:
    void reload();
    void userEdited();

    QPointer<TfrTableCursor> m_cursor;
    QString m_field;
    bool m_loading = false;
};
