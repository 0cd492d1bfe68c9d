#include "app/message_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>

TUiHooks &frAppUiHooks()
{
    static TUiHooks hooks;
    return hooks;
}

QMessageBox::StandardButton frShowMessage(const TMessageRequest &request)
{
    if (frAppUiHooks().message)
        return frAppUiHooks().message(request);
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.parent);
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

bool frConfirm(QWidget *parent, const QString &caption, const QString &text)
{
    return frShowMessage({parent, QMessageBox::Question, caption, text,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes})
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
    return QFile::moveToTrash(path);
}
