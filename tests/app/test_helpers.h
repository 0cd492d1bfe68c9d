// Shared pieces of the window tests: a program folder in a temporary directory with its
// config.ini, Reports folder and SQLite journal, hooks that answer every modal window
// without blocking, and a few file helpers.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "app/main_dm.h"
#include "app/message_box.h"
#include "app/settings.h"

// Readable failure messages for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace apptest {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A program folder: config.ini pointing at journal.db beside it, and a Reports folder.
class TTestHome {
public:
    explicit TTestHome(bool withReports = true)
    {
        if (withReports)
            QDir(dir.path()).mkdir(QStringLiteral("Reports"));
        QDir(dir.path()).mkdir(QStringLiteral("incoming"));
        frSetAppFolder(dir.path());
        TIniFile ini(frConfigPath());
        Cfg::SetConnectString(ini, QStringLiteral("Provider=SQLite;Data Source=journal.db"));
    }
    ~TTestHome() { frSetAppFolder(QString()); }

    QString path() const { return dir.path(); }
    QString folder() const { return dir.path() + QStringLiteral("/incoming"); }
    TIniFile ini() const { return TIniFile(frConfigPath()); }
    void addFile(const QString &name, const QByteArray &bytes = "data") const
    {
        writeFile(folder() + u'/' + name, bytes);
    }

    QTemporaryDir dir;
};

// The data module on the home's journal, as start-up leaves it.
class TTestDataModule {
public:
    TTestDataModule()
    {
        dm = std::make_unique<TMainDM>();
        dm->setConnectionString(Cfg::ConnectString(TIniFile(frConfigPath())));
        dm->OpenConnection();
    }
    ~TTestDataModule()
    {
        if (dm)
            dm->DataModuleDestroy();
    }

    qint64 journalCount()
    {
        QSqlQuery q(dm->Database());
        q.exec(QStringLiteral("SELECT COUNT(*) FROM \"Журнал\""));
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    // One column of the journal in journal-number order.
    QStringList journalColumn(const QString &field)
    {
        QStringList values;
        QSqlQuery q(dm->Database());
        q.exec(QStringLiteral("SELECT \"%1\" FROM \"Журнал\" ORDER BY \"NumPP\"").arg(field));
        while (q.next())
            values << q.value(0).toString();
        return values;
    }

    std::unique_ptr<TMainDM> dm;
};

// Replaces the modal hooks for the life of a test and records what was asked.
class THooks {
public:
    THooks()
    {
        saved = frAppUiHooks();
        TUiHooks &h = frAppUiHooks();
        h.message = [this](const TMessageRequest &r) {
            messages.push_back(r);
            if (r.buttons & QMessageBox::Yes)
                return answerYes ? QMessageBox::Yes : QMessageBox::No;
            if (r.buttons & QMessageBox::Save)
                return answerYes ? QMessageBox::Save : QMessageBox::Cancel;
            return QMessageBox::Ok;
        };
        h.execDialog = [this](QDialog &d) {
            dialogs << d.objectName();
            return onDialog ? onDialog(d) : int(QDialog::Rejected);
        };
        h.openFileName = [this](QWidget *, const QString &, const QString &, const QStringList &filters) {
            lastFilters = filters;
            return chosenFile;
        };
        h.openUrl = [this](const QUrl &url) {
            openedUrls << url;
            return true;
        };
        h.moveToTrash = [this](const QString &path) {
            trashed << path;
            return trashSucceeds && QFile::remove(path);
        };
    }
    ~THooks() { frAppUiHooks() = saved; }

    QStringList texts() const
    {
        QStringList t;
        for (const TMessageRequest &r : messages)
            t << r.text;
        return t;
    }

    std::vector<TMessageRequest> messages;
    bool answerYes = true;
    std::function<int(QDialog &)> onDialog;
    QStringList dialogs;
    QString chosenFile;
    QStringList lastFilters;
    QList<QUrl> openedUrls;
    QStringList trashed;
    bool trashSucceeds = true;

private:
    TUiHooks saved;
};

// A clock stopped at the given moment.
inline std::function<QDateTime()> fixedClock(QDate day, QTime time = QTime(10, 30))
{
    return [=] { return QDateTime(day, time); };
}

} // namespace apptest
