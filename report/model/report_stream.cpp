// The report stream and where it is kept: files, blob fields, database records, resources
// and the report component's form data.
#include <QFile>
#include <QFileInfo>

#include "report/eval/codec.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/datetime.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/strings.h"
#include "report/eval/table_cursor.h"
#include "report/eval/ui_hooks.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/report.h"
#include "report/model/template_limits.h"

namespace {

constexpr quint8 kCurrentVersion = 25;
constexpr quint8 kEndMarker = 252;
constexpr quint8 kGeneratorVersion = 88;
constexpr int kMbIconError = 16;

constexpr int sInvalidFormat = 55345; // "Неверный FRF формат"
constexpr int sErrorCaption = 55206;  // "Ошибка"
constexpr int sUntitled = 55209;      // "Untitled"

// Attribute texts: a word length and the bytes, no terminating zero.
QString readShortText(TfrStream &s)
{
    const quint16 n = frReadWord(s);
    const char *bytes = s.take(n);
    return frFromCp1251(bytes, n);
}

void writeShortText(TfrStream &s, const QString &text)
{
    const QByteArray bytes = frToCp1251(text);
    if (bytes.size() > frMaxStringBytes)
        throw EfrError(QStringLiteral("Text of %1 bytes is too long to be stored").arg(bytes.size()));
    frWriteWord(s, quint16(bytes.size()));
    s.write(bytes.constData(), bytes.size());
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QString readPassword(TfrStream &s)
{
    const quint16 n = frReadWord(s);
    const char *digits = s.take(n);
    if (n % 2 != 0)
        throw EReadError(QStringLiteral("Password of an odd number of digits"));
    QByteArray bytes(n / 2, Qt::Uninitialized);
    for (int i = 0; i < n / 2; ++i) {
        const int hi = hexDigit(digits[2 * i]);
        const int lo = hexDigit(digits[2 * i + 1]);
        if (hi < 0 || lo < 0)
            throw EReadError(QStringLiteral("Password is not hexadecimal"));
        bytes[i] = char(hi * 16 + lo);
    }
    return frFromCp1251(bytes);
}

void writePassword(TfrStream &s, const QString &password)
{
    static const char digits[] = "0123456789ABCDEF";
    const QByteArray bytes = frToCp1251(password);
    if (bytes.size() * 2 > frMaxStringBytes)
        throw EfrError(QStringLiteral("Password of %1 characters is too long to be stored").arg(bytes.size()));
    QByteArray hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        hex.append(digits[uchar(c) >> 4]);
        hex.append(digits[uchar(c) & 15]);
    }
    frWriteWord(s, quint16(hex.size()));
    s.write(hex.constData(), hex.size());
}

void showError(const QString &text) { frMessageBox(text, frLoadStr(sErrorCaption), kMbIconError); }

} // namespace

TfrPasswordQuery &frPasswordQuery()
{
    static TfrPasswordQuery query;
    return query;
}

void TfrReport::Clear()
{
    Pages.Clear();
    Dictionary().Clear();
    DoublePassReport = false;
    ClearAttribs();
    NotifyChange(TfrChange{});
}

void TfrReport::ClearAttribs()
{
    DocInfo = TfrDocInfo();
    DocInfo.created = DocInfo.lastChange = frNow();
    docPassword.clear();
    docPasswordProtected = false;
    docGeneratorVersion = kGeneratorVersion;
}

// ---- the report stream -----------------------------------------------------------------
//
// | Field                     | Bytes | Notes                                                |
// |---------------------------|-------|------------------------------------------------------|
// | version                   | 1     | 25 written; 21..25 read; 0..20: no version byte, the |
// |                           |       | stream is read from its start as version 21          |
// | pages block               |       | TfrPages::SaveToStream                               |
// | end marker                | 1     | 252                                                  |
// | document attributes:      |       | absent in older streams (then cleared)               |
// |   comment, name, author   | 3 ×   | word n + n bytes, no terminating byte                |
// |   version major, minor,   | 4 ×   | the same                                             |
// |   release, build          |       |                                                      |
// |   password                |       | word 2n + 2n upper-case hex digits (n characters)    |
// |   generator version       | 1     | 88                                                   |
// |   password protected      | 1     | boolean                                              |
// |   created, last change    | 2 × 8 | dates; the last change is stamped at every save      |

void TfrReport::SaveToStream(TfrStream &Stream)
{
    CurReport = this;
    frVersion = kCurrentVersion;
    docGeneratorVersion = kGeneratorVersion;
    if (StampLastChange)
        DocInfo.lastChange = frNow();
    writeStream(Stream, DocInfo.lastChange);
}

void TfrReport::writeStream(TfrStream &Stream, double lastChange) const
{
    frWriteByte(Stream, kCurrentVersion);
    Pages.SaveToStream(Stream);
    frWriteByte(Stream, kEndMarker);

    writeShortText(Stream, DocInfo.comment);
    writeShortText(Stream, DocInfo.name);
    writeShortText(Stream, DocInfo.author);
    writeShortText(Stream, DocInfo.versionMajor);
    writeShortText(Stream, DocInfo.versionMinor);
    writeShortText(Stream, DocInfo.versionRelease);
    writeShortText(Stream, DocInfo.versionBuild);
    writePassword(Stream, docPassword);
    frWriteByte(Stream, kGeneratorVersion);
    frWriteBoolean(Stream, docPasswordProtected);
    frWriteDouble(Stream, DocInfo.created);
    frWriteDouble(Stream, lastChange);
}

void TfrReport::readAttributes(TfrStream &Stream)
{
    DocInfo.comment = readShortText(Stream);
    DocInfo.name = readShortText(Stream);
    DocInfo.author = readShortText(Stream);
    DocInfo.versionMajor = readShortText(Stream);
    DocInfo.versionMinor = readShortText(Stream);
    DocInfo.versionRelease = readShortText(Stream);
    DocInfo.versionBuild = readShortText(Stream);
    docPassword = readPassword(Stream);
    docGeneratorVersion = frReadByte(Stream);
    docPasswordProtected = frReadBoolean(Stream);
    DocInfo.created = frReadDouble(Stream);
    DocInfo.lastChange = frReadDouble(Stream);
}

void TfrReport::resetToEmptyPage()
{
    Clear();
    Pages.Add();
}

bool TfrReport::LoadFromStream(TfrStream &Stream)
{
    bool touched = true;
    bool loaded = false;
    {
        TfrQuietChanges quiet(*this);
        loaded = loadStream(Stream, touched);
    }
    if (touched)
        NotifyChange(TfrChange{});
    return loaded;
}

bool TfrReport::loadStream(TfrStream &Stream, bool &touched)
{
    DocMode = dmDesigning;
    frPaper().WaitForStartUp();
    CurReport = this;
    if (Stream.atEnd()) {
        // An empty form resource leaves the report empty; an empty file is no template.
        if (Stream.isFileStream()) {
            showError(frLoadStr(sInvalidFormat));
            return false;
        }
        Dictionary().Clear();
        return true;
    }

    const qsizetype start = Stream.position();
    quint8 version = frReadByte(Stream);
    if (version <= 20) {
        version = 21;
        Stream.seek(start);
    }
    if (version > kCurrentVersion) {
        // Refused before anything is touched: the template in memory stays whole.
        touched = false;
        showError(frLoadStr(sInvalidFormat));
        return false;
    }
    frVersion = version;
    Dictionary().Clear();
    ErrorFlag = false;
    ErrorStr.clear();

    try {
        Pages.LoadFromStreamCollecting(Stream);
        if (!Pages.EndedAtDataManager() && !Stream.atEnd())
            readAttributes(Stream);
        else
            ClearAttribs();
    } catch (const ETemplateLimit &e) {
        showError(frLoadStr(sInvalidFormat) + QLatin1Char('\r') + e.message());
        resetToEmptyPage();
        return false;
    } catch (const std::exception &) {
        showError(frLoadStr(sInvalidFormat));
        resetToEmptyPage();
        return false;
    }
    const bool missingClasses = ErrorFlag;

    // Templates read from memory (forms, database fields, resources) are not asked for.
    if (docPasswordProtected && Stream.isFileStream()) {
        QString entered;
        const TfrPasswordQuery &query = frPasswordQuery();
        if (!query || !query(entered) || entered != docPassword) {
            resetToEmptyPage();
            templateFileName = frLoadStr(sUntitled);
            return false;
        }
    }

    if (missingClasses)
        showError(QStringLiteral("Report contains the following non-plugged components:\r") + ErrorStr +
                  QStringLiteral("You must include these components into your project."));
    return true;
}

// ---- files, fields, records and resources -----------------------------------------------

bool TfrReport::LoadFromFile(const QString &FileName)
{
    if (!QFileInfo(FileName).isFile())
        return false;
    TfrStream stream = TfrStream::fromFile(FileName);
    // A template that was refused keeps no file name: saving would overwrite the file.
    if (LoadFromStream(stream))
        templateFileName = FileName;
    return true;
}

void TfrReport::SaveToFile(const QString &FileName)
{
    TfrStream stream;
    SaveToStream(stream);
    stream.saveToFile(FileName);
}

bool TfrReport::LoadFromBlobField(const TfrCursorField &Field)
{
    TfrStream stream(Field.BlobBytes());
    return LoadFromStream(stream);
}

void TfrReport::SaveToBlobField(TfrTableCursor &DataSet, int FieldIndex)
{
    TfrStream stream;
    SaveToStream(stream);
    // Blob fields carry their bytes as a cp1251 text, which maps every byte both ways.
    DataSet.SetFieldValue(FieldIndex, TfrVariant(frFromCp1251(stream.data())));
}

bool TfrReport::LoadFromDB(TfrTableCursor &DataSet, int DocN)
{
    if (!DataSet.Active())
        DataSet.Open();
    if (DataSet.FieldCount() < 2)
        throw EfrError(QStringLiteral("A template table needs a key field and a blob field"));
    for (DataSet.First(); !DataSet.Eof(); DataSet.Next()) {
        const TfrVariant key = DataSet.FieldValue(0);
        if (!key.isEmptyOrNull() && key.toInteger() == DocN) {
            LoadFromBlobField(TfrCursorField(&DataSet, 1));
            return true;
        }
    }
    return false;
}

void TfrReport::SaveToDB(TfrTableCursor &DataSet, int DocN)
{
    if (!DataSet.Active())
        DataSet.Open();
    if (DataSet.FieldCount() < 2)
        throw EfrError(QStringLiteral("A template table needs a key field and a blob field"));
    bool found = false;
    for (DataSet.First(); !DataSet.Eof(); DataSet.Next()) {
        const TfrVariant key = DataSet.FieldValue(0);
        if (!key.isEmptyOrNull() && key.toInteger() == DocN) {
            found = true;
            break;
        }
    }
    if (found)
        DataSet.Edit();
    else
        DataSet.Append();
    DataSet.SetFieldValue(0, TfrVariant(DocN));
    SaveToBlobField(DataSet, 1);
    DataSet.Post();
}

bool TfrReport::LoadFromResourceName(const QString &Name)
{
    const QString path = Name.startsWith(QLatin1Char(':')) ? Name : QStringLiteral(":/") + Name;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EfrError(QStringLiteral("Resource %1 not found").arg(Name));
    TfrStream stream(file.readAll());
    return LoadFromStream(stream);
}

bool TfrReport::LoadFromResourceID(int ID) { return LoadFromResourceName(QString::number(ID)); }

// ---- the report component's form data ---------------------------------------------------
//
// | Field        | Bytes | Notes                                   |
// |--------------|-------|-----------------------------------------|
// | version      | 4     | integer 25                              |
// | byte count n | 4     | only with StoreInDFM                    |
// | report stream| n     | only with StoreInDFM                    |

void TfrReport::WriteReportForm(TfrStream &Stream)
{
    frWriteInteger(Stream, kCurrentVersion);
    if (!StoreInDFM)
        return;
    TfrStream report;
    SaveToStream(report);
    frWriteInteger(Stream, qint32(report.size()));
    const QByteArray bytes = report.data();
    Stream.write(bytes.constData(), bytes.size());
}

void TfrReport::ReadReportForm(TfrStream &Stream)
{
    frReadInteger(Stream);
    m_formStream.reset();
    if (!StoreInDFM)
        return;
    const qint32 n = frReadInteger(Stream);
    if (n < 0)
        TfrStream::throwReadError();
    m_formStream = std::make_unique<TfrStream>(QByteArray(Stream.take(n), n));
}

void TfrReport::Loaded()
{
    if (!m_formStream)
        return;
    std::unique_ptr<TfrStream> stream = std::move(m_formStream);
    LoadFromStream(*stream);
}
