// "Словарь данных…": the report's categories and variables, each variable's value (an
// expression the parser accepts, a data field, or nothing), and the data sets the report
// knows. The dialog edits a copy; Apply writes it into the report's dictionary.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class TfrReport;

class TfrDictionaryDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrDictionaryDialog(TfrReport &report, QWidget *parent = nullptr);

    // The categories and variables as the dictionary keeps them: a category's entry is its
    // name after a space, its variables follow it; (name, value) pairs in order.
    QList<QPair<QString, QString>> Entries() const;
    // Replaces the dictionary's variables by Entries() (inside the caller's step).
    void Apply(TfrReport &report) const;

    // The controls' actions (the buttons call these).
    QTreeWidgetItem *AddCategory();
    QTreeWidgetItem *AddVariable();
    void RenameCurrent();
    void DeleteCurrent();
    void MoveCurrent(int delta);

    void accept() override;

private:
    enum ValueKind { kindEmpty, kindExpression, kindField };
    static bool isCategory(const QTreeWidgetItem *item);
    QTreeWidgetItem *currentCategory() const;
    QString uniqueName(const QString &stem, bool category) const;
    bool nameTaken(const QString &name, bool category, const QTreeWidgetItem *except) const;
    void itemRenamed(QTreeWidgetItem *item);
    void showCurrent();
    void valueEdited();
    void fillFields(const QString &dataSet);
    void updateButtons();
    // The current variable's value from the controls; false (with a message) when the
    // controls do not make one.
    bool valueProblem(const QTreeWidgetItem *item, QString &problem) const;

    TfrReport &m_report;
    QTreeWidget *m_tree;
    QPushButton *m_addCategory, *m_addVariable, *m_rename, *m_delete, *m_up, *m_down;
    QRadioButton *m_empty, *m_expression, *m_field;
    QLineEdit *m_expressionEdit;
    QPushButton *m_builder;
    QComboBox *m_dataSet, *m_fieldName;
    QLabel *m_valueMessage;
    QListWidget *m_dataSets;
    bool m_loading = false;
};
