// Where tests and benchmarks find what they run against: files of the source tree, the
// tools and templates the build puts next to them.
#pragma once

#include <QByteArray>
#include <QString>

class TfrReport;

namespace testkit {

// A file of the source tree by its path from the top folder ("data/Reports/J001.json").
QString sourcePath(const QString &relative);
// A program or file the build puts next to the running test or benchmark ("frreport",
// "Reports/J001.frf").
QString builtPath(const QString &relative);

// The journal template's description as the repository ships it; empty when unreadable.
QByteArray journalTemplateJson();
// Loads the journal template's description into report (made current while it loads);
// false when there is no description.
bool loadJournalTemplate(TfrReport &report);

} // namespace testkit
