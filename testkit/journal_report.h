// The journal template over a journal of N rows in a SQLite file, ready to prepare in this
// process, as the program binds it: table cursor "Temp", data set "frDBDataSet1".
#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <memory>

#include "report/engine/report_builder.h"
#include "report/model/report.h"

class TfrTableCursor;

namespace testkit {

// The cursor "Temp" over that table of db and the data set "frDBDataSet1" over it, both
// children of owner.
TfrTableCursor *bindJournal(QObject &owner, const QSqlDatabase &db, const QString &table = QStringLiteral("Temp"));

class JournalReport {
public:
    // Rows made in a file of its own temporary folder, on a connection of that name.
    explicit JournalReport(int rows, const QString &connection = QStringLiteral("testkit_journal"));
    ~JournalReport();
    JournalReport(const JournalReport &) = delete;
    JournalReport &operator=(const JournalReport &) = delete;

    // False without the template description or the database.
    bool ready() const { return builder != nullptr; }

    QTemporaryDir dir;
    QObject owner;
    std::unique_ptr<TfrReport> report;
    std::unique_ptr<TfrReportBuilder> builder;

private:
    QString m_connection;
};

} // namespace testkit
