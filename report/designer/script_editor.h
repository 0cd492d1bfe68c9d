// The script editing area: line numbers, highlighting of the script language (keywords,
// strings, comments, numbers, bracketed expressions), bracket matching, and a syntax check
// through the interpreter. Used by the script editor dialog and the text editor's script tab.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

// Compiles lines with the interpreter. False on an error, with the interpreter's message
// ("Line L/C: …") and the error's line and column (from 0, inside the lines given).
bool frCheckScript(const QStringList &lines, QString *message = nullptr, int *line = nullptr, int *column = nullptr);

// True when the lines compile but hold more than their first statement: the interpreter
// runs one statement (normally one begin … end block) and ignores what follows it.
bool frScriptHasIgnoredText(const QStringList &lines);

class TfrScriptEditor : public QWidget {
    Q_OBJECT
public:
    explicit TfrScriptEditor(QWidget *parent = nullptr);
    ~TfrScriptEditor() override;

    QStringList Lines() const;
    void SetLines(const QStringList &lines);
    // Compiles the lines with the interpreter. On failure puts the cursor on the failing line
    // and gives the interpreter's message.
    bool Check(QString *message = nullptr);
    // The cursor's line, from 0.
    int CursorLine() const;
    // The cursor's column (characters), from 0.
    int CursorColumn() const;
    void SetCursor(int line, int column);
    // The highlighting style (TfrScriptStyle) of the character at line and column.
    int StyleAt(int line, int column) const;
    // The editing widget (a QsciScintilla), for focus and key events.
    QWidget *EditArea() const;

signals:
    void Changed();
    void CursorMoved(int line, int column);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
