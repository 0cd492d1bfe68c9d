#include "app/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "report/eval/codec.h"
#include "report/eval/datetime.h"
#include "report/eval/errors.h"

namespace {

QString &homeOverride()
{
    static QString folder;
    return folder;
}

QString withSlash(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

TDateTime toDateTime(QDate d)
{
    return frEncodeDate(d.year(), d.month(), d.day());
}

} // namespace

QString frAppFolder()
{
    if (!homeOverride().isEmpty())
        return homeOverride();
    return withSlash(QCoreApplication::applicationDirPath());
}

void frSetAppFolder(const QString &dir)
{
    homeOverride() = dir.isEmpty() ? QString() : withSlash(QDir::cleanPath(QFileInfo(dir).absoluteFilePath()));
}

QString frChooseDataFolder(const QString &programFolder, const QString &userFolder, const QString &shippedFolder,
                           QString *error)
{
    // A program folder with its settings beside it is a portable copy (or the build folder);
    // a bare program folder without shipped files keeps the old way too. An installation
    // (shipped files under share/) keeps the operator's files apart, even for root.
    const bool writable = QFileInfo(programFolder).isWritable();
    const bool portable = QFileInfo::exists(QDir(programFolder).filePath(QStringLiteral("config.ini")));
    if (writable && (portable || !QFileInfo(shippedFolder).isDir()))
        return programFolder;
    if (!QDir().mkpath(userFolder)) {
        if (error)
            *error = QStringLiteral("Не удалось создать папку %1").arg(userFolder);
        return QString();
    }
    // Only what is missing: the operator's settings, lists and template stay as they are.
    const QDir shipped(shippedFolder);
    QDirIterator it(shippedFolder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = QDir(userFolder).filePath(shipped.relativeFilePath(source));
        if (QFileInfo::exists(target))
            continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
        // Installed files are read-only; the copies are the operator's to change.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
    }
    return userFolder;
}

QString frUserDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/journal");
}

QString frShippedDataFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/journal"));
}

bool frAppFolderIsSet() { return !homeOverride().isEmpty(); }

QString frConfigPath() { return frAppFolder() + QStringLiteral("config.ini"); }
QString frReportsFolder() { return frAppFolder() + QStringLiteral("Reports/"); }
QString frUsersListPath() { return frReportsFolder() + QStringLiteral("users.txt"); }
QString frReceptListPath() { return frReportsFolder() + QStringLiteral("recept.txt"); }
QString frJournalTemplatePath() { return frReportsFolder() + QStringLiteral("J001.frf"); }

bool LoadListFile(const QString &path, QStringList &list)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString text = frFromCp1251(f.readAll());
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    list = lines;
    return true;
}

void SaveListFile(const QString &path, const QStringList &list)
{
    QByteArray bytes;
    for (const QString &entry : list) {
        bytes += frToCp1251(entry);
        bytes += "\r\n";
    }
    QSaveFile f(path);
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw EfrError(QStringLiteral("Не удалось создать файл \"%1\": %2").arg(QDir::toNativeSeparators(path), f.errorString()));
}

namespace Cfg {

QString CurrentDir(const TIniFile &ini) { return ini.ReadString(Main, KeyCurrentDir, DefaultCurrentDir); }
bool HasCurrentDir(const TIniFile &ini) { return ini.ValueExists(Main, KeyCurrentDir); }
void SetCurrentDir(TIniFile &ini, const QString &dir) { ini.WriteString(Main, KeyCurrentDir, dir); }
QString Ispoln(const TIniFile &ini) { return ini.ReadString(Main, KeyIspoln, QString()); }
void SetIspoln(TIniFile &ini, const QString &executor) { ini.WriteString(Main, KeyIspoln, executor); }
QString ConnectString(const TIniFile &ini) { return ini.ReadString(Nastr, KeyConnectString, QString()); }
void SetConnectString(TIniFile &ini, const QString &s) { ini.WriteString(Nastr, KeyConnectString, s); }
bool BackwardOrder(const TIniFile &ini) { return ini.ReadBool(Nastr, KeyBackwardOrder, false); }
void SetBackwardOrder(TIniFile &ini, bool on) { ini.WriteBool(Nastr, KeyBackwardOrder, on); }
bool RunBatFile(const TIniFile &ini) { return ini.ReadBool(Nastr, KeyRunBatFile, false); }
void SetRunBatFile(TIniFile &ini, bool on) { ini.WriteBool(Nastr, KeyRunBatFile, on); }
QString PathBatFile(const TIniFile &ini) { return ini.ReadString(Nastr, KeyPathBatFile, QString()); }
void SetPathBatFile(TIniFile &ini, const QString &commandLine) { ini.WriteString(Nastr, KeyPathBatFile, commandLine); }
int ActPageInd(const TIniFile &ini) { return ini.ReadInteger(Nastr, KeyActPageInd, 0); }
void SetActPageInd(TIniFile &ini, int index) { ini.WriteInteger(Nastr, KeyActPageInd, index); }
qint64 NextNumJrnEdt(const TIniFile &ini) { return ini.ReadInt64(Journal, KeyNextNumJrnEdt, 1); }
void SetNextNumJrnEdt(TIniFile &ini, qint64 next) { ini.WriteInt64(Journal, KeyNextNumJrnEdt, next); }
int NextNumReisEdt(const TIniFile &ini) { return ini.ReadInteger(Journal, KeyNextNumReisEdt, 1); }
void SetNextNumReisEdt(TIniFile &ini, int next) { ini.WriteInteger(Journal, KeyNextNumReisEdt, next); }

QDate WorkDate(const TIniFile &ini, QDate today)
{
    if (!today.isValid())
        today = QDate::currentDate();
    const QDate yesterday = today.addDays(-1);
    const TDateTime v = ini.ReadDate(Journal, KeyWorkDate, toDateTime(yesterday));
    int y = 0, m = 0, d = 0;
    frDecodeDate(v, y, m, d);
    return QDate(y, m, d);
}

void SetWorkDate(TIniFile &ini, QDate date)
{
    ini.WriteDate(Journal, KeyWorkDate, toDateTime(date));
}

} // namespace Cfg
