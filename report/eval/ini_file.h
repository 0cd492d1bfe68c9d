// An INI file with the semantics of the Windows profile functions, which the settings
// files of this program were always written with:
//
//   [Section]          section names and key names are matched without regard to case
//   Key=Value          the value is the text after the first "=", unquoted; spaces around
//                      key and value are dropped; a value in matching quotes loses them
//   ; comment          lines that are neither sections nor keys are kept but never read
//
// The first occurrence of a duplicated key wins. Lines before the first section belong to
// no section and are never read. The file bytes are Windows-1251 text; lines end with CR,
// LF or CR LF on reading, new lines are written with CR LF.
//
// Nothing is cached: every read parses the file as it is now, every write rewrites the file
// (through a temporary file and a rename, other lines kept as they were) before it returns,
// so several handles on one file always agree.
#pragma once

#include <QString>
#include <QStringList>

class TIniFile {
public:
    // The file need not exist; the first write creates it (not its folder).
    explicit TIniFile(QString fileName);

    const QString &FileName() const { return m_fileName; }

    // A missing section or key reads as the default.
    QString ReadString(const QString &section, const QString &ident, const QString &def) const;
    // Decimal digits with an optional sign; anything else, or a number beyond 32 bits,
    // reads as the default.
    int ReadInteger(const QString &section, const QString &ident, int def) const;
    qint64 ReadInt64(const QString &section, const QString &ident, qint64 def) const;
    // An integer other than 0 is true, 0 is false, anything else the default.
    bool ReadBool(const QString &section, const QString &ident, bool def) const;
    // A date in the short date form "dd.mm.yyyy" as a date-time number (days since
    // 30 December 1899); a value that does not parse reads as the default.
    double ReadDate(const QString &section, const QString &ident, double def) const;

    // Each write changes the file before it returns; failures raise EfrError naming the
    // file. Line breaks inside a value would start new lines, so they are written as spaces.
    void WriteString(const QString &section, const QString &ident, const QString &value);
    void WriteInteger(const QString &section, const QString &ident, int value);
    void WriteInt64(const QString &section, const QString &ident, qint64 value);
    void WriteBool(const QString &section, const QString &ident, bool value);   // 1 or 0
    void WriteDate(const QString &section, const QString &ident, double value); // date part only

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &ident) const;
    // Key names of a section, in file order, each once.
    QStringList ReadSection(const QString &section) const;
    QStringList ReadSections() const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &ident);

private:
    QString m_fileName;
};
