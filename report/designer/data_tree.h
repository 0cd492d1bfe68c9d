// The "Дерево данных": the data sets with their fields, the dictionary's categories and
// variables, the system variables, and the function catalogue by category with each
// function's description. Fields drag onto the page (the canvas makes a text object of
// them); the expression builder and the text editor use the same tree to insert.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

class QLabel;
class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;
class TfrDesignerDocument;

// What a dragged field carries: its expression without brackets (DataSet."Field"), UTF-8.
inline constexpr char kFrFieldMimeType[] = "application/x-fr-data-field";

// DataSet."Field" as an expression writes it.
QString frFieldExpression(const QString &dataSet, const QString &field);

class TfrDataTree : public QWidget {
    Q_OBJECT
public:
    explicit TfrDataTree(TfrDesignerDocument &doc, QWidget *parent = nullptr);
    ~TfrDataTree() override;

    QTreeWidget *Tree() const;
    // What the current item puts into an expression (DataSet."Field", a variable's name,
    // a function call); empty for a category.
    QString CurrentInsertText() const;
    // The current item's description (a function's from the catalogue), or empty.
    QString CurrentDescription() const;

    // The panel under the tree that shows CurrentDescription().
    QLabel *DescriptionLabel() const;
    // The item at a path of texts from a top-level group ("Наборы данных", "Orders",
    // "Amount"), or nullptr.
    QTreeWidgetItem *ItemAt(const QStringList &path) const;
    // What dragging the item carries (kFrFieldMimeType and text/plain "[expression]"), or
    // nullptr for an item that does not drag. The caller owns it.
    std::unique_ptr<QMimeData> DragData(const QTreeWidgetItem *item) const;
    // How many times the tree was built from scratch (Refresh without a change keeps it).
    int BuildCount() const;

public slots:
    // Reads the report's data sets and dictionary again.
    void Refresh();

signals:
    // Double-click or Enter on an item that inserts something.
    void InsertRequested(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
