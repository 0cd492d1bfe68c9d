// Realistic journal rows for tests and benchmarks, in the columns the program itself
// defines for its journal (JournalFieldDefs), so data and program never drift apart.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>

namespace testkit {

// "CREATE TABLE name (...)" with the journal's columns in the program's order: whole
// numbers as INTEGER, texts as TEXT.
QString journalTableSql(const QString &table = QStringLiteral("Temp"));

// The position of a column among the journal's columns, -1 for a name it does not have.
int journalColumn(const QString &name);

// The value of a column (by its name) in row i (from 1), for data that must look a certain
// way; an invalid QVariant keeps the kit's value. Called column by column, row by row.
using JournalValue = std::function<QVariant(const QString &column, int i)>;

// Creates the table and fills it with rows 1..rows in one transaction; false (with the
// driver's message in error) when the database refuses. Row i: number i, run 17, file
// "vhod_000i_scan_document_2026.pdf", executor "Иванова А. П.", every seventh brief long
// enough to wrap, every fifth addressee two departments, unless value says otherwise.
bool fillJournal(QSqlDatabase &db, int rows, const QString &table = QStringLiteral("Temp"),
                 const JournalValue &value = {}, QString *error = nullptr);

// A SQLite file at path holding a journal table of that many rows (the connection is
// closed again); false when it cannot be made.
bool makeJournalFile(const QString &path, int rows, const QString &table = QStringLiteral("Temp"),
                     const JournalValue &value = {});

// An open SQLite connection to a journal of that many rows in table "Temp", made once per
// size in a temporary folder that lives as long as the process.
QSqlDatabase journalDatabase(int rows);

} // namespace testkit
