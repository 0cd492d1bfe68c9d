#include "app/message_box.h"

#include "app/desktop_trash.h"
#include "report/ui/preview_form.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>

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

namespace {

// Qt's own names for kinds of entries ("Folder", "txt File") are not in its translations.
class TRussianIconProvider : public QFileIconProvider {
public:
    QString type(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return QStringLiteral("Диск");
        if (info.isDir())
            return QStringLiteral("Папка");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл %1").arg(suffix);
    }
};

QString &lastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString frLastFileDialogFolder()
{
    return lastFolder();
}

void frSetLastFileDialogFolder(const QString &folder)
{
    lastFolder() = folder;
}

std::unique_ptr<QFileDialog> frMakeOpenFileDialog(QWidget *parent, const QString &caption, const QString &dir,
                                                  const QStringList &filters)
{
    QString start = dir;
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = lastFolder();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    auto dialog = std::make_unique<QFileDialog>(frMessageOwner(parent), caption, start,
                                                filters.join(QStringLiteral(";;")));
    dialog->setObjectName(QStringLiteral("FileDialog"));
    // The desktop's own dialog may speak another language; Qt's speaks ours.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    static TRussianIconProvider icons;
    dialog->setIconProvider(&icons);
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog->setLabelText(QFileDialog::FileName, QStringLiteral("Имя файла:"));
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Тип файлов:"));
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Открыть"));
    dialog->setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
    return dialog;
}

std::unique_ptr<QFileDialog> frMakeSaveFileDialog(QWidget *parent, const QString &caption, const QString &dir,
                                                  const QStringList &filters)
{
    std::unique_ptr<QFileDialog> dialog = frMakeOpenFileDialog(parent, caption, dir, filters);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Тип файла:"));
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Сохранить"));
    return dialog;
}

namespace {

// "description|mask|description|mask" as the file dialog's filters.
QStringList dialogFilters(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        const QString mask = QString(parts[i + 1]).replace(u';', u' ');
        result << (desc.endsWith(u')') ? desc : desc + QStringLiteral(" (") + mask + u')');
    }
    return result;
}

} // namespace

void frInstallFileDialogs()
{
    TfrPreviewDialogs &d = frPreviewDialogs();
    d.openFileName = [](QWidget *parent, const QString &filter) {
        return frGetOpenFileName(parent, QStringLiteral("Открыть отчет"), QString(), dialogFilters(filter));
    };
    d.saveFileName = [](QWidget *parent, const QString &filter, int &filterIndex) {
        const QStringList filters = dialogFilters(filter);
        const std::unique_ptr<QFileDialog> dialog =
            frMakeSaveFileDialog(parent, QStringLiteral("Сохранить отчет"), QString(), filters);
        if (filterIndex >= 1 && filterIndex <= filters.size())
            dialog->selectNameFilter(filters[filterIndex - 1]);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return QString();
        filterIndex = int(filters.indexOf(dialog->selectedNameFilter())) + 1;
        const QString chosen = dialog->selectedFiles().constFirst();
        lastFolder() = QFileInfo(chosen).absolutePath();
        return chosen;
    };
}

QString frGetOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                          const QStringList &filters)
{
    if (frAppUiHooks().openFileName)
        return frAppUiHooks().openFileName(parent, caption, dir, filters);
    const std::unique_ptr<QFileDialog> dialog = frMakeOpenFileDialog(parent, caption, dir, filters);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog->selectedFiles().constFirst();
    lastFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

bool frOpenUrl(const QUrl &url)
{
    if (frAppUiHooks().openUrl)
        return frAppUiHooks().openUrl(url);
    return QDesktopServices::openUrl(url);
}

bool frMoveToTrash(const QString &path, QString *reason)
{
    if (frAppUiHooks().moveToTrash)
        return frAppUiHooks().moveToTrash(path);
    return frMoveFileToTrash(path, nullptr, reason);
}
