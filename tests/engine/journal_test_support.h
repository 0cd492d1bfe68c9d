// The journal template over a journal of N rows in SQLite, prepared in this process.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/report.h"
#include "report/model/template_json.h"

namespace journal_test {

inline QString u(const char *s) { return QString::fromUtf8(s); }

// The description ships in the repository, two folders above this file.
inline QString templatePath()
{
    QDir root = QFileInfo(QStringLiteral(__FILE__)).dir();
    root.cdUp();
    root.cdUp();
    return root.filePath(QStringLiteral("data/Reports/J001.json"));
}

// Row i: file "vhod_000i_scan_document_2026.pdf", executor "Иванова А. П.", every seventh
// brief long enough to wrap, every fifth addressee two departments.
inline void fillJournal(QSqlDatabase &db, int rows)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE Temp (NumPP INTEGER, NumReis INTEGER, NameFile TEXT, DateCreateFile TEXT, "
                          "TimeCreateFile TEXT, Size INTEGER, DateProcesFile TEXT, TimeProcesFile TEXT, "
                          "Ispolnitel TEXT, BriefContents TEXT, ToWhom TEXT)"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO Temp VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 1; i <= rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(17);
        q.addBindValue(QStringLiteral("vhod_%1_scan_document_2026.pdf").arg(i, 4, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("08.12.2026"));
        q.addBindValue(QStringLiteral("14:%1").arg(i % 60, 2, 10, QLatin1Char('0')));
        q.addBindValue(1000 + i * 137);
        q.addBindValue(QStringLiteral("09.12.2026"));
        q.addBindValue(QStringLiteral("09:30"));
        q.addBindValue(u("Иванова А. П."));
        q.addBindValue(i % 7 == 0 ? u("Письмо о согласовании графика поставок оборудования на первый квартал, "
                                      "с приложением спецификации и протокола разногласий")
                                  : u("Входящее письмо"));
        q.addBindValue(i % 5 == 0 ? u("Бухгалтерия, Отдел снабжения") : u("Канцелярия"));
        q.exec();
    }
    db.commit();
}

// A journal database in a temporary folder and the journal template over it, ready to
// prepare; the engine's globals are cleared when it goes.
class PreparedJournal {
public:
    explicit PreparedJournal(int rows, const QString &connection = QStringLiteral("journal_test"))
        : m_connection(connection)
    {
        QFile json(templatePath());
        if (!json.open(QIODevice::ReadOnly))
            return;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            db.setDatabaseName(dir.filePath(QStringLiteral("journal.db")));
            if (!db.open())
                return;
            fillJournal(db, rows);
            auto *cursor = new TfrTableCursor(&owner);
            cursor->setObjectName(QStringLiteral("Temp"));
            cursor->setDatabase(db);
            cursor->setTableName(QStringLiteral("Temp"));
            cursor->Open();
            auto *dataSet = new TfrDBDataSet(&owner);
            dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
            dataSet->SetDataSet(cursor);
        }
        report = std::make_unique<TfrReport>(&owner);
        CurReport = report.get();
        frTemplateFromJson(*report, json.readAll());
        builder = std::make_unique<TfrReportBuilder>(*report);
        builder->ShowErrorBox = false;
    }
    ~PreparedJournal()
    {
        builder.reset();
        report.reset();
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
        qDeleteAll(owner.children());
        QSqlDatabase::removeDatabase(m_connection);
    }
    PreparedJournal(const PreparedJournal &) = delete;
    PreparedJournal &operator=(const PreparedJournal &) = delete;

    // False without the template description or the database.
    bool ready() const { return builder != nullptr; }

    QTemporaryDir dir;
    QObject owner;
    std::unique_ptr<TfrReport> report;
    std::unique_ptr<TfrReportBuilder> builder;

private:
    QString m_connection;
};

} // namespace journal_test
