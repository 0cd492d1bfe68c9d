// The expression builder: an expression line, the data tree (fields, variables, system
// variables, functions with their descriptions) and the operators to insert at the cursor,
// and "Проверить". OK is taken only when the parser accepts the expression; otherwise the
// parser's message stays in the dialog.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class TfrDataTree;
class TfrDesignerDocument;
class TfrReport;

class TfrExpressionBuilder : public QDialog {
    Q_OBJECT
public:
    // Without a document there is no data tree (the report's owner is not known to it).
    explicit TfrExpressionBuilder(TfrDesignerDocument *doc, QWidget *parent = nullptr);

    QString Expression() const;
    void SetExpression(const QString &expression);
    // An empty expression is accepted (a condition that may be cleared).
    void SetEmptyAllowed(bool allowed) { m_emptyAllowed = allowed; }
    // An inline format after " #" is allowed (the expression goes into a text's brackets).
    void SetInlineFormatAllowed(bool allowed) { m_inlineFormat = allowed; }
    // Checks the expression and shows the result; true when the parser accepts it.
    bool Check();
    // Puts text at the cursor (replacing a selection).
    void Insert(const QString &text);

    void accept() override;

private:
    void insertFromTree(const QString &text);
    void showResult(bool ok, const QString &text);

    QLineEdit *m_edit = nullptr;
    QLabel *m_message = nullptr;
    QLabel *m_description = nullptr;
    TfrDataTree *m_tree = nullptr;
    bool m_emptyAllowed = false;
    bool m_inlineFormat = false;
};

// The builder with the document's data tree; true and the expression (without brackets) on OK.
bool frBuildExpression(QWidget *parent, TfrDesignerDocument &doc, QString &expression);
// The same for a condition: an empty expression may be accepted too.
bool frBuildCondition(QWidget *parent, TfrDesignerDocument &doc, QString &condition);
