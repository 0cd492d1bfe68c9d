// The text editor of an object: its lines on the "Текст" tab, with buttons that insert a
// field, a variable or an expression as a bracket group at the cursor, and its script on
// the "Скрипт" tab. The restriction bits decide what may be edited.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TfrDesignerDocument;
class TfrScriptEditor;
class TfrView;

class TfrMemoEditor : public QDialog {
    Q_OBJECT
public:
    TfrMemoEditor(TfrDesignerDocument &doc, const TfrView &view, QWidget *parent = nullptr);

    QStringList Lines() const;
    QStringList Script() const;
    // Puts text at the cursor of the lines (replacing a selection).
    void InsertText(const QString &text);

private:
    void chooseFromTree(const QString &caption);
    void buildExpression();

    TfrDesignerDocument &m_doc;
    QTabWidget *m_tabs = nullptr;
    QPlainTextEdit *m_lines = nullptr;
    TfrScriptEditor *m_script = nullptr;
};

// The text editor on the object of that name on the current page; OK is one step that sets
// its lines and script. True when the object changed.
bool frEditMemo(QWidget *parent, TfrDesignerDocument &doc, const QString &objectName);
