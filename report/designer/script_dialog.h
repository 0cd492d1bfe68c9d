// The script editor dialog: the editing area, "Проверить" (the interpreter's verdict shown
// in the dialog, the cursor put on the failing line) and a status line with the cursor's
// line and column. OK with an error asks whether to keep the script as it is.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class TfrScriptEditor;

class TfrScriptDialog : public QDialog {
    Q_OBJECT
public:
    TfrScriptDialog(const QString &title, const QStringList &lines, QWidget *parent = nullptr);

    QStringList Lines() const;
    TfrScriptEditor *Editor() const { return m_editor; }
    // Runs the check and shows its verdict; true when the script compiles.
    bool CheckScript();

    void accept() override;

private:
    void showCursor(int line, int column);

    TfrScriptEditor *m_editor;
    QLabel *m_message;
    QLabel *m_cursor;
};
