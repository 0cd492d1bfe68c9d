// The script editing area: line numbers, highlighting of the script language (keywords,
// strings, comments, numbers, bracketed expressions), bracket matching, and a syntax check
// through the interpreter. Used by the script editor dialog and the text editor's script tab.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

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

signals:
    void Changed();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
