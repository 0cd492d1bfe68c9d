#include "app/desktop_trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
constexpr bool kFreedesktopTrash = true;
#else
constexpr bool kFreedesktopTrash = false;
#endif

bool presentAt(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isInside(const QString &path, const QString &folder)
{
    const QString relative = QDir(folder).relativeFilePath(path);
    return !relative.startsWith(QStringLiteral("..")) && !QDir::isAbsolutePath(relative);
}

QStringList subfolders(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Removes the empty folders from `from` up to, not including, `stop`; folders of `stop`
// named in `keep` (there before) stay.
void removeEmptyFolders(QString from, const QString &stop, const QStringList &keep)
{
    while (isInside(from, stop) && QDir::cleanPath(from) != QDir::cleanPath(stop)) {
        const QString parent = QFileInfo(from).absolutePath();
        if (QDir::cleanPath(parent) == QDir::cleanPath(stop) && keep.contains(QFileInfo(from).fileName()))
            return;
        if (!QDir().rmdir(from))
            return;
        from = parent;
    }
}

QString homeTrashPath()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || QDir::isRelativePath(data))
        return QString();
    return QDir::cleanPath(data + QStringLiteral("/Trash"));
}

// A path with its folder's symbolic links resolved (the last part kept as it is).
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

QString frHomeTrashFolder()
{
    if (!kFreedesktopTrash)
        return QString();
    const QString trash = homeTrashPath();
    if (trash.isEmpty())
        return QString();
    for (const QString &folder : {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
        if (QFileInfo(folder).isDir())
            continue;
        if (!QDir().mkpath(folder))
            return QString();
        // The trash holds what the user threw away: theirs alone.
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return trash;
}

bool frMoveFileToTrash(const QString &path, QString *pathInTrash, QString *reason)
{
    auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QString source = QFileInfo(path).absoluteFilePath();
    const QString folder = QFileInfo(source).absolutePath();
    if (!presentAt(source))
        return fail(QStringLiteral("файла больше нет в папке"));
    if (kFreedesktopTrash) {
        // A home trash inside the folder is refused before anything is made there.
        const QString trash = homeTrashPath();
        if (!trash.isEmpty() && isInside(trash, folder))
            return fail(QStringLiteral("Корзина («%1») находится внутри этой папки").arg(trash));
        // Without a home trash Qt would fall back to the current directory.
        if (frHomeTrashFolder().isEmpty())
            return fail(QStringLiteral("не удалось создать Корзину «%1»")
                            .arg(trash.isEmpty() ? QStringLiteral("~/.local/share/Trash") : trash));
    }
    const QStringList before = subfolders(folder);
    QString trashed;
    QFile file(source);
    if (!file.moveToTrash()) {
        const QString why = file.errorString();
        return fail(why.isEmpty() ? QStringLiteral("не удалось переместить файл в Корзину") : why);
    }
    trashed = file.fileName();
    if (pathInTrash)
        *pathInTrash = trashed;
    if (presentAt(source))
        return fail(QStringLiteral("файл остался в папке"));
    // Judged with symbolic links resolved: a trash reached through a link may still be
    // inside the folder.
    const QString landed = resolvedPath(trashed);
    const QString resolvedFolder = QFileInfo(folder).canonicalFilePath();
    if (landed.isEmpty() || resolvedFolder.isEmpty() || !isInside(landed, resolvedFolder))
        return true;
    // The trash turned out to be inside the folder the file came from: undo the move.
    const QString trashFolder = QFileInfo(QFileInfo(landed).absolutePath()).absolutePath();
    QFile::rename(landed, source);
    QFile::remove(trashFolder + QStringLiteral("/info/") + QFileInfo(landed).fileName()
                  + QStringLiteral(".trashinfo"));
    removeEmptyFolders(trashFolder + QStringLiteral("/files"), resolvedFolder, before);
    removeEmptyFolders(trashFolder + QStringLiteral("/info"), resolvedFolder, before);
    if (pathInTrash)
        pathInTrash->clear();
    return fail(QStringLiteral("Корзина оказалась внутри этой папки; файл оставлен на месте"));
}
