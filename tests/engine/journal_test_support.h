// The journal template over a journal of N rows in SQLite, prepared in this process: the
// test kit's, under the names the engine's tests use.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include "testkit/journal_data.h"
#include "testkit/journal_report.h"
#include "testkit/paths.h"

namespace journal_test {

inline QString u(const char *s) { return QString::fromUtf8(s); }

inline QString templatePath() { return testkit::sourcePath(QStringLiteral("data/Reports/J001.json")); }

inline void fillJournal(QSqlDatabase &db, int rows) { testkit::fillJournal(db, rows); }

using PreparedJournal = testkit::JournalReport;

} // namespace journal_test
