#include "report/eval/ini_file.h"

#include <QFile>
#include <QSaveFile>

#include "report/eval/codec.h"
#include "report/eval/date_format.h"
#include "report/eval/errors.h"

namespace {

// One line of the file as it stands, with what the profile rules read from it.
struct IniLine {
    enum Kind { Other, Section, Key };
    QString text; // without its line break
    Kind kind = Other;
    QString name; // section name or key name, trimmed
    QString value; // key value, trimmed and unquoted
};

struct IniDocument {
    QList<IniLine> lines;
    QByteArray lineBreak = "\r\n";
    bool endsWithBreak = true;
};

IniLine classify(const QString &text)
{
    IniLine line;
    line.text = text;
    const QString t = text.trimmed();
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            line.kind = IniLine::Section;
            line.name = t.mid(1, close - 1).trimmed();
        }
        return line;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0 || t.startsWith(u';'))
        return line;
    line.kind = IniLine::Key;
    line.name = t.left(eq).trimmed();
    QString v = t.mid(eq + 1).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    line.value = v;
    return line;
}

IniDocument load(const QString &fileName)
{
    IniDocument doc;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return doc;
    const QByteArray bytes = f.readAll();
    if (bytes.isEmpty())
        return doc;
    if (bytes.indexOf("\r\n") < 0 && bytes.indexOf('\n') >= 0)
        doc.lineBreak = "\n";
    const QString text = frFromCp1251(bytes);
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        doc.lines.append(classify(text.mid(start, i - start)));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    doc.endsWithBreak = start == n;
    if (start < n)
        doc.lines.append(classify(text.mid(start)));
    return doc;
}

void save(const QString &fileName, const IniDocument &doc)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        bytes += frToCp1251(doc.lines.at(i).text);
        if (i + 1 < doc.lines.size() || doc.endsWithBreak)
            bytes += doc.lineBreak;
    }
    QSaveFile f(fileName);
    // A writable file in a folder we may not create files in is still written in place.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw EfrError(QStringLiteral("Не удалось записать файл \"%1\": %2").arg(fileName, f.errorString()));
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the section's header line, -1 when absent.
qsizetype findSection(const IniDocument &doc, const QString &section)
{
    for (qsizetype i = 0; i < doc.lines.size(); ++i)
        if (doc.lines.at(i).kind == IniLine::Section && sameName(doc.lines.at(i).name, section))
            return i;
    return -1;
}

// One past the section's last line.
qsizetype sectionEnd(const IniDocument &doc, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < doc.lines.size() && doc.lines.at(i).kind != IniLine::Section)
        ++i;
    return i;
}

qsizetype findKey(const IniDocument &doc, qsizetype header, const QString &ident)
{
    const qsizetype end = sectionEnd(doc, header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (doc.lines.at(i).kind == IniLine::Key && sameName(doc.lines.at(i).name, ident))
            return i;
    return -1;
}

const IniLine *findValue(const IniDocument &doc, const QString &section, const QString &ident)
{
    const qsizetype header = findSection(doc, section);
    if (header < 0)
        return nullptr;
    const qsizetype key = findKey(doc, header, ident);
    return key < 0 ? nullptr : &doc.lines.at(key);
}

// Decimal digits with an optional sign, nothing else.
bool parseInt64(const QString &text, qint64 &value)
{
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    const bool negative = text.at(0) == u'-';
    if (negative || text.at(0) == u'+')
        i = 1;
    if (i >= text.size())
        return false;
    quint64 magnitude = 0;
    const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        const unsigned digit = c - u'0';
        if (magnitude > (limit - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    value = negative ? qint64(0 - magnitude) : qint64(magnitude);
    return true;
}

QString oneLine(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

TIniFile::TIniFile(QString fileName) : m_fileName(std::move(fileName)) {}

QString TIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const
{
    const IniDocument doc = load(m_fileName);
    const IniLine *line = findValue(doc, section, ident);
    return line ? line->value : def;
}

int TIniFile::ReadInteger(const QString &section, const QString &ident, int def) const
{
    const qint64 v = ReadInt64(section, ident, def);
    return v < INT_MIN || v > INT_MAX ? def : int(v);
}

qint64 TIniFile::ReadInt64(const QString &section, const QString &ident, qint64 def) const
{
    qint64 v = 0;
    return parseInt64(ReadString(section, ident, QString()), v) ? v : def;
}

bool TIniFile::ReadBool(const QString &section, const QString &ident, bool def) const
{
    qint64 v = 0;
    if (!parseInt64(ReadString(section, ident, QString()), v))
        return def;
    return v != 0;
}

double TIniFile::ReadDate(const QString &section, const QString &ident, double def) const
{
    const QString text = ReadString(section, ident, QString());
    TDateTime v = 0;
    if (text.isEmpty() || !frTryStrToDate(text, v))
        return def;
    return v;
}

void TIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    IniDocument doc = load(m_fileName);
    const QString line = ident + u'=' + oneLine(value);
    qsizetype header = findSection(doc, section);
    if (header < 0) {
        // A new section goes to the end, after a blank line when the file has text.
        if (!doc.lines.isEmpty() && !doc.lines.last().text.trimmed().isEmpty())
            doc.lines.append(classify(QString()));
        doc.lines.append(classify(u'[' + section + u']'));
        doc.lines.append(classify(line));
        doc.endsWithBreak = true;
        save(m_fileName, doc);
        return;
    }
    const qsizetype key = findKey(doc, header, ident);
    if (key >= 0) {
        doc.lines[key] = classify(line);
    } else {
        // After the section's last key, so blank lines that separate sections stay put.
        qsizetype at = sectionEnd(doc, header);
        while (at > header + 1 && doc.lines.at(at - 1).text.trimmed().isEmpty())
            --at;
        doc.lines.insert(at, classify(line));
        if (at == doc.lines.size() - 1)
            doc.endsWithBreak = true;
    }
    save(m_fileName, doc);
}

void TIniFile::WriteInteger(const QString &section, const QString &ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteInt64(const QString &section, const QString &ident, qint64 value)
{
    WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteDate(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, frDateToStr(frDateOf(value)));
}

bool TIniFile::SectionExists(const QString &section) const
{
    return findSection(load(m_fileName), section) >= 0;
}

bool TIniFile::ValueExists(const QString &section, const QString &ident) const
{
    return findValue(load(m_fileName), section, ident) != nullptr;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    const IniDocument doc = load(m_fileName);
    QStringList keys;
    const qsizetype header = findSection(doc, section);
    if (header < 0)
        return keys;
    const qsizetype end = sectionEnd(doc, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const IniLine &l = doc.lines.at(i);
        if (l.kind == IniLine::Key && !keys.contains(l.name, Qt::CaseInsensitive))
            keys.append(l.name);
    }
    return keys;
}

QStringList TIniFile::ReadSections() const
{
    const IniDocument doc = load(m_fileName);
    QStringList names;
    for (const IniLine &l : doc.lines)
        if (l.kind == IniLine::Section && !names.contains(l.name, Qt::CaseInsensitive))
            names.append(l.name);
    return names;
}

void TIniFile::EraseSection(const QString &section)
{
    IniDocument doc = load(m_fileName);
    const qsizetype header = findSection(doc, section);
    if (header < 0)
        return;
    doc.lines.remove(header, sectionEnd(doc, header) - header);
    save(m_fileName, doc);
}

void TIniFile::DeleteKey(const QString &section, const QString &ident)
{
    IniDocument doc = load(m_fileName);
    const qsizetype header = findSection(doc, section);
    if (header < 0)
        return;
    const qsizetype key = findKey(doc, header, ident);
    if (key < 0)
        return;
    doc.lines.removeAt(key);
    save(m_fileName, doc);
}
