// The two dialogs that functions open while a report is built (INPUT and MESSAGEBOX).
// The engine has no windows of its own: the user interface installs the dialogs here;
// without one (tests, command-line tools) the input box yields its default and the
// message box yields mrOk.
#pragma once

#include <QString>
#include <functional>

struct TfrUiHooks {
    // Shows a modal input box; true and the entered text in value, false when cancelled.
    std::function<bool(const QString &caption, const QString &prompt, QString &value)> InputQuery;
    // Shows a message box with the mb_ flags (buttons plus icon); the pressed button as an
    // mr constant (mrOk 1, mrCancel 2, mrYes 6, mrNo 7).
    std::function<int(const QString &text, const QString &caption, int flags)> MessageBox;
};

TfrUiHooks &frUiHooks();

// The entered text, or defaultValue when cancelled or when no dialog is installed.
QString frInputBox(const QString &caption, const QString &prompt, const QString &defaultValue);
// The pressed button, or mrOk (1) when no dialog is installed.
int frMessageBox(const QString &text, const QString &caption, int flags);
