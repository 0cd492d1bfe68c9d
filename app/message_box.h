// Every modal interaction of the application with the operator (message boxes, modal
// dialogs, file pickers) and with the desktop (open, trash) goes through one set of hooks,
// so tests replace them and never block on a window nobody can click.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QDialog;
class QFileDialog;
class QWidget;

struct TMessageRequest {
    QWidget *parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

struct TUiHooks {
    // Shows a message box and returns the button pressed.
    std::function<QMessageBox::StandardButton(const TMessageRequest &)> message;
    // Runs a modal dialog and returns its result (1 OK, 2 Cancel as QDialog::Accepted/Rejected).
    std::function<int(QDialog &)> execDialog;
    // File-open picker: returns the chosen path or an empty string.
    std::function<QString(QWidget *parent, const QString &caption, const QString &dir,
                          const QStringList &filters)> openFileName;
    // The desktop's "open" verb; the result is not looked at by the callers.
    std::function<bool(const QUrl &)> openUrl;
    // Moves one file to the desktop trash; true only when it left its folder.
    std::function<bool(const QString &path)> moveToTrash;
};

// The hooks in force; a member left empty falls back to the real window or service.
TUiHooks &frAppUiHooks();

QMessageBox::StandardButton frShowMessage(const TMessageRequest &request);
// A warning of the application: caption "Внимание!", warning icon, OK.
void frWarning(QWidget *parent, const QString &text);
// A plain notice: the text alone, under the application's title.
void frNotice(QWidget *parent, const QString &text);
// A yes/no question; true for yes. Where a slip of the Enter key would lose work, the
// default button is No.
bool frConfirm(QWidget *parent, const QString &caption, const QString &text,
               QMessageBox::StandardButton defaultButton = QMessageBox::Yes);
// The window a message or dialog for `preferred` opens over: its nearest window that is
// on the screen, else the active modal dialog or window, else the main window.
QWidget *frMessageOwner(QWidget *preferred);

int frExecDialog(QDialog &dialog);
// The program's file-open dialog, in Russian throughout (Qt's own dialog, whatever the
// desktop offers). It opens in `dir` when that folder exists, else where the operator last
// picked a file, else in the home folder.
std::unique_ptr<QFileDialog> frMakeOpenFileDialog(QWidget *parent, const QString &caption, const QString &dir,
                                                  const QStringList &filters);
// The same for saving (a prepared report or an export from the preview).
std::unique_ptr<QFileDialog> frMakeSaveFileDialog(QWidget *parent, const QString &caption, const QString &dir,
                                                  const QStringList &filters);
// The preview's open and save dialogs become the program's own (Russian, opening where the
// operator last was).
void frInstallFileDialogs();
// The folder the next file dialog opens in when its caller names none.
QString frLastFileDialogFolder();
void frSetLastFileDialogFolder(const QString &folder);
QString frGetOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                          const QStringList &filters);
bool frOpenUrl(const QUrl &url);
// reason receives why a file could not go (empty when a test hook said no).
bool frMoveToTrash(const QString &path, QString *reason = nullptr);
