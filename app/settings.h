// Where the program keeps its files, the list files, and the keys of config.ini.
//
// There is no settings object: every window opens its own TIniFile on frConfigPath() and
// reads or writes single keys through the accessors below, each with its default, so the
// file is always the one truth.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "report/eval/ini_file.h"

// The program's folder with a trailing "/": the executable's folder, unless --home DIR
// chose another one (for installations whose program folder is not writable). Never the
// current directory: nothing in the program depends on it.
QString frAppFolder();
// An empty dir goes back to the executable's folder. A relative dir is taken from the
// current directory at the time of the call.
void frSetAppFolder(const QString &dir);
// True once a folder was chosen with frSetAppFolder (--home, the data folder, a test).
bool frAppFolderIsSet();

// The folder for frSetAppFolder when no --home is given: the executable's folder when the
// program can write there and either config.ini is beside it (a portable copy, the build
// folder) or nothing is shipped in shippedFolder; otherwise (installed under /usr)
// userFolder, where the files shipped in shippedFolder that are missing are copied first.
// Empty when userFolder cannot be made (error says why).
QString frChooseDataFolder(const QString &programFolder, const QString &userFolder, const QString &shippedFolder,
                           QString *error = nullptr);
// The user's data folder (~/.local/share/journal) and where an installation keeps the
// shipped files (<prefix>/share/journal beside <prefix>/bin).
QString frUserDataFolder();
QString frShippedDataFolder();

QString frConfigPath();          // <app>/config.ini
QString frReportsFolder();       // <app>/Reports/
QString frUsersListPath();       // <app>/Reports/users.txt   (executors)
QString frReceptListPath();      // <app>/Reports/recept.txt  (addressees)
QString frJournalTemplatePath(); // <app>/Reports/J001.frf

// Replaces list with the lines of the file (cp1251; CR, LF or CR LF end a line; a break
// after the last line adds no entry; lines are taken as they stand). An absent or
// unreadable file leaves list unchanged and returns false.
bool LoadListFile(const QString &path, QStringList &list);
// Writes list whole over the file, CR LF after every entry. Raises EfrError with the
// system's message when the file cannot be written (a missing Reports folder is not
// created). Whether an empty list should be written is the caller's decision.
void SaveListFile(const QString &path, const QStringList &list);

// Sections, keys and defaults of config.ini, with typed accessors.
namespace Cfg {
inline const QString Main = QStringLiteral("Main");
inline const QString Nastr = QStringLiteral("Nastr");
inline const QString Journal = QStringLiteral("Journal");

inline const QString KeyCurrentDir = QStringLiteral("CurrentDir");
inline const QString KeyIspoln = QStringLiteral("Ispoln");
inline const QString KeyConnectString = QStringLiteral("ConnectString");
inline const QString KeyBackwardOrder = QStringLiteral("BackwardOrder");
inline const QString KeyRunBatFile = QStringLiteral("RunBatFile");
inline const QString KeyPathBatFile = QStringLiteral("PathBatFile");
inline const QString KeyActPageInd = QStringLiteral("ActPageInd");
inline const QString KeyNextNumJrnEdt = QStringLiteral("NextNumJrnEdt");
inline const QString KeyNextNumReisEdt = QStringLiteral("NextNumReisEdt");
inline const QString KeyWorkDate = QStringLiteral("WorkDate");

// The folder the main window shows first; the default is the classic "c:\", which the
// main window replaces by a folder that exists.
inline const QString DefaultCurrentDir = QStringLiteral("c:\\");

QString CurrentDir(const TIniFile &ini);                 // Main/CurrentDir, "c:\"
bool HasCurrentDir(const TIniFile &ini);                // a folder was ever stored (not a first start)
void SetCurrentDir(TIniFile &ini, const QString &dir);
QString Ispoln(const TIniFile &ini);                     // Main/Ispoln, ""
void SetIspoln(TIniFile &ini, const QString &executor);
QString ConnectString(const TIniFile &ini);              // Nastr/ConnectString, ""
void SetConnectString(TIniFile &ini, const QString &s);
bool BackwardOrder(const TIniFile &ini);                 // Nastr/BackwardOrder, false
void SetBackwardOrder(TIniFile &ini, bool on);
bool RunBatFile(const TIniFile &ini);                    // Nastr/RunBatFile, false
void SetRunBatFile(TIniFile &ini, bool on);
QString PathBatFile(const TIniFile &ini);                // Nastr/PathBatFile, ""
void SetPathBatFile(TIniFile &ini, const QString &commandLine);
int ActPageInd(const TIniFile &ini);                     // Nastr/ActPageInd, 0
void SetActPageInd(TIniFile &ini, int index);
// Journal numbers are 64-bit, like the journal's NumPP column.
qint64 NextNumJrnEdt(const TIniFile &ini);               // Journal/NextNumJrnEdt, 1
void SetNextNumJrnEdt(TIniFile &ini, qint64 next);
int NextNumReisEdt(const TIniFile &ini);                 // Journal/NextNumReisEdt, 1
void SetNextNumReisEdt(TIniFile &ini, int next);
// Journal/WorkDate; the default is the day before today (the day before `today` when given).
QDate WorkDate(const TIniFile &ini, QDate today = QDate());
void SetWorkDate(TIniFile &ini, QDate date);
} // namespace Cfg
