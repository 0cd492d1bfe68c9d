// The files of one processing run and their rows in Temp.
//
// Which files a run journals: the regular files of the folder, including read-only ones,
// without hidden files (names starting with "."), folders, and special files. A symbolic
// link to a regular file is journaled like the file it points to (its size and time);
// a dangling link is skipped. Names are sorted without regard to case (ties by case), the
// order a Windows folder lists them in.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TMainDM;

struct TJournalFileRecord {
    QString NameFile;       // without the folder
    QString DateCreateFile; // last modification, local time, "dd.mm.yy"
    QString TimeCreateFile; // "hh:mm"
    qint64 Size = 0;        // bytes, 64-bit: files of 2 GB and more are journaled correctly
    QString DateProcesFile; // when the record was made, "dd.mm.yy"
    QString TimeProcesFile; // "hh:mm"
    QString Ispolnitel;
};

// The clock a run reads; tests pass a fixed one.
using TJournalClock = std::function<QDateTime()>;

// "dd.mm.yy" and "hh:mm" (the locale's time separator) of a local date-time.
QString JournalDateText(const QDateTime &t);
QString JournalTimeText(const QDateTime &t);

// Names of the files a run journals, in run order (also what the main window lists).
// A folder that cannot be read gives no names.
QStringList JournalFolderFiles(const QString &folder);

// One record per file of the folder; the processing date and time are read from `now`
// (QDateTime::currentDateTime when empty) as each record is made.
QList<TJournalFileRecord> CollectRunFiles(const QString &folder, const QString &executor,
                                          const TJournalClock &now = {});

// Appends the records to Temp: NumPP = firstNumPP + i, NumReis = runNumber, BriefContents
// and ToWhom empty. One transaction: all rows or none (EfrError with the database's text).
// ADOTable must not be open on Temp while this runs; the caller opens it afterwards.
void AppendRunToTemp(TMainDM &dm, const QList<TJournalFileRecord> &records, qint64 firstNumPP,
                     int runNumber);

// A file of the run that the journal holds already: the same name, size, file date and
// time (the same file processed once more).
struct TJournalDuplicate {
    QString NameFile;
    qint64 runNumPP = 0;             // its number in this run
    QList<qint64> journalNumbers;    // where the journal has it, in ascending order
};

// The files of Temp already in Журнал, in run order; one query, served by the journal's
// index on the file name. Database errors raise EfrError.
QList<TJournalDuplicate> FindJournalDuplicates(TMainDM &dm);
// The question before saving such a run: the files with their journal numbers.
QString JournalDuplicatesText(const QList<TJournalDuplicate> &duplicates);
