#include "app/message_box.h"

#include "app/desktop_trash.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>

TUiHooks &frAppUiHooks()
{
    static TUiHooks hooks;
    return hooks;
}

QWidget *frMessageOwner(QWidget *preferred)
{
    // A window not shown yet (a dialog still being built) has no place on the screen to
    // centre over: its nearest shown owner stands in.
    for (QWidget *w = preferred; w;) {
        QWidget *window = w->window();
        if (window->isVisible())
            return window;
        w = window->parentWidget();
    }
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->inherits("QMainWindow"))
            return top;
    return nullptr;
}

QMessageBox::StandardButton frShowMessage(const TMessageRequest &request)
{
    if (frAppUiHooks().message)
        return frAppUiHooks().message(request);
    // Qt centres a dialog over its parent's window as it shows it, so the parent must be
    // a window that is on the screen.
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, frMessageOwner(request.parent));
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void frWarning(QWidget *parent, const QString &text)
{
    frShowMessage({parent, QMessageBox::Warning, QStringLiteral("Внимание!"), text, QMessageBox::Ok,
                   QMessageBox::Ok});
}

void frNotice(QWidget *parent, const QString &text)
{
    frShowMessage({parent, QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                   QMessageBox::Ok, QMessageBox::Ok});
}

bool frConfirm(QWidget *parent, const QString &caption, const QString &text,
               QMessageBox::StandardButton defaultButton)
{
    return frShowMessage({parent, QMessageBox::Question, caption, text,
                          QMessageBox::Yes | QMessageBox::No, defaultButton})
        == QMessageBox::Yes;
}

int frExecDialog(QDialog &dialog)
{
    if (frAppUiHooks().execDialog)
        return frAppUiHooks().execDialog(dialog);
    return dialog.exec();
}

QString frGetOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                          const QStringList &filters)
{
    if (frAppUiHooks().openFileName)
        return frAppUiHooks().openFileName(parent, caption, dir, filters);
    return QFileDialog::getOpenFileName(parent, caption, dir, filters.join(QStringLiteral(";;")));
}

bool frOpenUrl(const QUrl &url)
{
    if (frAppUiHooks().openUrl)
        return frAppUiHooks().openUrl(url);
    return QDesktopServices::openUrl(url);
}

bool frMoveToTrash(const QString &path)
{
    if (frAppUiHooks().moveToTrash)
        return frAppUiHooks().moveToTrash(path);
    return frMoveFileToTrash(path);
}
