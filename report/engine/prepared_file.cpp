#include "report/engine/prepared_file.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <functional>

#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
#include "report/eval/output_file.h"
#include "report/eval/stream.h"
#include "report/model/picture_view.h"
#include "report/model/registry.h"

std::unique_ptr<TfrCompressor> frCompressor = std::make_unique<TfrCompressor>();

void TfrCompressor::Compress(const TfrStream &, TfrStream &) {}
void TfrCompressor::DeCompress(const TfrStream &, TfrStream &) {}

namespace {

constexpr quint8 kFileVersion = 25;
constexpr quint8 kFirstVersion = 24; // version bytes this reader knows: 24 ... 31
constexpr quint8 kLastVersion = 31;
constexpr quint8 kPageStreamVersion = 25;
// next record (4), paper size (2), width (4), height (4), orientation (1), bin (4),
// applyMargins (1), margins (16)
constexpr qint64 kPageRecordBytes = 36;
// The same without bin and margins, in files without a version byte and picture files.
constexpr qint64 kOldPageRecordBytes = 16;

void selectPrinter(TfrReport *report, const QString &name)
{
    const TfrPreparedPagesEvents &events = frPreparedPagesEvents();
    if (events.setPrinterTo) {
        events.setPrinterTo(report, name);
        return;
    }
    TfrPaperService &paper = frPaper();
    const int index = paper.IndexOfPrinter(name);
    if (index >= 0 && index != paper.PrinterIndex())
        paper.SetPrinterIndex(index);
}

// The page metrics of this machine's printer for the page's paper.
void measurePage(TfrPageInfo &info)
{
    TfrPaperService &paper = frPaper();
    paper.SetPrinterInfo(info.paperSize, info.paperWidth, info.paperHeight, info.paperBin, info.Orientation(), false);
    paper.FillPrnInfo(info.prnInfo);
}

// ---- where the file goes and where it comes from -------------------------------------
//
// Both are read and written strictly in order, a page at a time: a report of any length
// is never held whole in memory on its way to or from a file.

class Sink {
public:
    virtual ~Sink() = default;
    virtual qint64 position() const = 0;
    virtual void write(const char *data, qint64 size) = 0;
    void write(const TfrStream &s) { write(s.constData(), s.size()); }
};

class StreamSink : public Sink {
public:
    explicit StreamSink(TfrStream &s) : m_s(s) {}
    qint64 position() const override { return m_s.position(); }
    void write(const char *data, qint64 size) override { m_s.write(data, size); }

private:
    TfrStream &m_s;
};

class FileSink : public Sink {
public:
    FileSink(TfrOutputFile &f, const QString &name) : m_f(f), m_name(name) {}
    qint64 position() const override { return m_pos; }
    void write(const char *data, qint64 size) override
    {
        if (m_f.write(data, size) != size)
            throw EfrError(frWriteErrorText(m_name, m_f.errorString()));
        m_pos += size;
    }

private:
    TfrOutputFile &m_f;
    QString m_name;
    qint64 m_pos = 0;
};

class Source {
public:
    virtual ~Source() = default;
    virtual qint64 position() const = 0;
    virtual qint64 size() const = 0;
    virtual void seek(qint64 pos) = 0;
    // Exactly n bytes, or EReadError.
    virtual QByteArray read(qint64 n) = 0;
    qint64 remaining() const { return std::max<qint64>(0, size() - position()); }
    bool atEnd() const { return position() >= size(); }
};

class StreamSource : public Source {
public:
    explicit StreamSource(TfrStream &s) : m_s(s) {}
    qint64 position() const override { return m_s.position(); }
    qint64 size() const override { return m_s.size(); }
    void seek(qint64 pos) override { m_s.seek(pos); }
    QByteArray read(qint64 n) override
    {
        const char *p = m_s.take(n);
        return QByteArray(p, n);
    }

private:
    TfrStream &m_s;
};

class FileSource : public Source {
public:
    explicit FileSource(QFile &f) : m_f(f), m_size(f.size()) {}
    qint64 position() const override { return m_f.pos(); }
    qint64 size() const override { return m_size; }
    void seek(qint64 pos) override
    {
        if (pos < 0 || !m_f.seek(pos))
            TfrStream::throwReadError();
    }
    QByteArray read(qint64 n) override
    {
        if (n < 0 || n > remaining())
            TfrStream::throwReadError();
        QByteArray bytes = m_f.read(n);
        if (bytes.size() != n)
            TfrStream::throwReadError();
        return bytes;
    }

private:
    QFile &m_f;
    qint64 m_size;
};

// n bytes of the source as a stream the record primitives read.
TfrStream takeRecord(Source &in, qint64 n) { return TfrStream(in.read(n)); }

quint8 readByte(Source &in)
{
    TfrStream s = takeRecord(in, 1);
    return frReadByte(s);
}

qint32 readInteger(Source &in)
{
    TfrStream s = takeRecord(in, 4);
    return frReadInteger(s);
}

QString readString(Source &in)
{
    const QByteArray length = in.read(2);
    const qint64 n = qFromLittleEndian<quint16>(length.constData());
    TfrStream s(length + in.read(n + 1));
    return frReadString(s);
}

// The string list of the picture file's header, read line by line as frReadMemo does.
QStringList readMemo(Source &in)
{
    const QByteArray count = in.read(2);
    QByteArray bytes = count;
    if (qFromLittleEndian<quint16>(count.constData()) == 0) {
        bytes += in.read(1);
    } else {
        for (;;) {
            const QByteArray length = in.read(2);
            const QByteArray line = in.read(qint64(qFromLittleEndian<quint16>(length.constData())) + 1);
            bytes += length + line;
            if (line.back() == 0)
                break;
        }
    }
    TfrStream s(bytes);
    return frReadMemo(s);
}

// Page records point at the next one with 32 bits. A file past 4 GB keeps the low 32 bits
// of the position, and the reader takes the first position at or after the record's
// start with those bits: a page is never 4 GB long, so that is the one. Up to 2 GB the
// value is the plain position.
qint32 storedPosition(qint64 pos) { return qint32(quint32(quint64(pos) & 0xFFFFFFFFu)); }

qint64 nextPosition(qint32 stored, qint64 recordStart)
{
    qint64 next = (recordStart & ~qint64(0xFFFFFFFF)) | qint64(quint32(stored));
    if (next < recordStart)
        next += qint64(1) << 32;
    return next;
}

// The bytes from the position up to the next record, which has to lie ahead inside the
// data, so that every record moves the reader forward.
QByteArray takeUpTo(Source &in, qint64 next)
{
    if (next < in.position() || next > in.size())
        TfrStream::throwReadError();
    return in.read(next - in.position());
}

void writePages(const TfrEMFPages &pages, Sink &out)
{
    const bool compressed = frCompressor && frCompressor->Enabled;
    TfrStream head;
    frWriteByte(head, kFileVersion);
    frWriteByte(head, compressed ? 1 : 0);
    frWriteString(head, frPaper().Printers().value(frPaper().PrinterIndex()));
    frWriteInteger(head, pages.GetCount());
    out.write(head);
    for (int i = 0; i < pages.GetCount(); ++i) {
        const TfrPageInfo &info = pages[i];
        TfrStream data(info.StreamData());
        if (compressed) {
            TfrStream packed;
            frCompressor->Compress(data, packed);
            data = std::move(packed);
        }
        TfrStream record;
        frWriteInteger(record, storedPosition(out.position() + kPageRecordBytes + data.size()));
        frWriteWord(record, info.paperSize);
        frWriteInteger(record, info.paperWidth);
        frWriteInteger(record, info.paperHeight);
        frWriteByte(record, info.orientation);
        frWriteInteger(record, info.paperBin);
        frWriteBoolean(record, info.applyMargins);
        frWriteInteger(record, info.margins.Left);
        frWriteInteger(record, info.margins.Top);
        frWriteInteger(record, info.margins.Right);
        frWriteInteger(record, info.margins.Bottom);
        out.write(record);
        out.write(data);
    }
    const char mark = char(pages.formatMark);
    out.write(&mark, 1);
}

} // namespace

// Prepared-report file. Integers little-endian, strings as frWriteString writes them.
//
// | Field                  | Bytes  | Notes                                                   |
// |------------------------|--------|---------------------------------------------------------|
// | version                | 1      | 25; a first byte outside 24..31 means a file without it |
// | compression flag       | 1      | 1: page data went through frCompressor; 0 plain;        |
// |                        |        | anything but 0, 1, 255: the older picture file (below)  |
// | printer name           | string | the printer selected when saving                        |
// | page count N           | 4      |                                                         |
// | N page records:                                                                   |
// |   next record          | 4      | absolute position after this record (low 32 bits in    |
// |                        |        | files past 4 GB, see nextPosition)                      |
// |   paper size code      | 2      |                                                         |
// |   paper width, height  | 4, 4   | tenths of a millimetre                                  |
// |   orientation          | 1      |                                                         |
// |   paper bin            | 4      | not in files without a version byte (-1)                |
// |   applyMargins         | 1      |                                                         |
// |   margins l, t, r, b   | 4 × 4  | not in files without a version byte (0)                 |
// |   page data            | rest   | the page's object stream, with its own version byte    |
// | format mark            | 1      | the report's generator byte, 88                         |
//
// The older picture file: a string list whose first line is the printer name, the page
// count, and per page: next record (4), paper size code (2), width (4), height (4),
// orientation (1), applyMargins (1) and a metafile up to the next record; each page
// becomes one picture object covering the paper.

void TfrEMFPages::SaveToStream(TfrStream &stream) const
{
    StreamSink out(stream);
    writePages(*this, out);
}

namespace {

void readPages(TfrEMFPages &pages, Source &in, TfrReport *report,
               const std::function<TfrPageInfo &()> &appendRecord)
{
    const qint64 start = in.position();
    quint8 version = readByte(in);
    if (version < kFirstVersion || version > kLastVersion) {
        version = 0;
        in.seek(start);
    }
    const quint8 flag = readByte(in);

    if (flag == 0 || flag == 1 || flag == 255) {
        selectPrinter(report, readString(in));
        const qint32 count = readInteger(in);
        if (count < 0)
            TfrStream::throwReadError();
        for (qint32 i = 0; i < count; ++i) {
            const qint64 recordStart = in.position();
            TfrStream r = takeRecord(in, version < 24 ? kOldPageRecordBytes : kPageRecordBytes);
            const qint64 next = nextPosition(frReadInteger(r), recordStart);
            TfrPageInfo &info = appendRecord();
            info.paperSize = frReadWord(r);
            info.paperWidth = frReadInteger(r);
            info.paperHeight = frReadInteger(r);
            info.orientation = frReadByte(r);
            info.paperBin = version < 24 ? -1 : frReadInteger(r);
            info.applyMargins = frReadBoolean(r);
            if (version >= 24) {
                info.margins.Left = frReadInteger(r);
                info.margins.Top = frReadInteger(r);
                info.margins.Right = frReadInteger(r);
                info.margins.Bottom = frReadInteger(r);
            }
            const QByteArray data = takeUpTo(in, next);
            TfrStream &stream = info.Stream();
            if (flag != 0) {
                // Without a real compressor the data cannot be turned back into pages.
                if (!frCompressor || !frCompressor->Enabled)
                    throw EReadError(QStringLiteral("The prepared report is compressed; no compressor is installed"));
                stream = TfrStream();
                frCompressor->DeCompress(TfrStream(data), stream);
            } else {
                stream = TfrStream(data);
            }
            stream.seek(stream.size());
            // A page that cannot be read is refused now rather than when it is shown.
            pages.ForEachObject(pages.GetCount() - 1, [](TfrView &) {});
            measurePage(info);
            // Counted against the budget now that its size is known.
            info.Stream();
        }
        pages.formatMark = readByte(in);
        return;
    }

    in.seek(start);
    const QStringList header = readMemo(in);
    selectPrinter(report, header.value(0));
    const qint32 count = readInteger(in);
    if (count < 0)
        TfrStream::throwReadError();
    for (qint32 i = 0; i < count; ++i) {
        const qint64 recordStart = in.position();
        TfrStream r = takeRecord(in, kOldPageRecordBytes);
        const qint64 next = nextPosition(frReadInteger(r), recordStart);
        TfrPageInfo &info = appendRecord();
        info.paperSize = frReadWord(r);
        info.paperWidth = frReadInteger(r);
        info.paperHeight = frReadInteger(r);
        info.orientation = frReadByte(r);
        info.applyMargins = frReadBoolean(r);
        info.paperBin = -1;
        measurePage(info);

        std::unique_ptr<TfrView> view = frCreateObject(otPicture, QString());
        auto &picture = static_cast<TfrPictureView &>(*view);
        picture.SetBounds(0, 0, info.prnInfo.paperWidthU, info.prnInfo.paperHeightU);
        picture.Picture.loadFromData(pkMetafile, takeUpTo(in, next));
        TfrStream &stream = info.Stream();
        stream = TfrStream();
        frWriteByte(stream, kPageStreamVersion);
        picture.inPreparedPage = true;
        picture.WriteTypeAndRecord(stream);
        info.Stream();
    }
    if (!in.atEnd())
        pages.formatMark = readByte(in);
}

} // namespace

void TfrEMFPages::LoadFromStream(TfrStream &stream)
{
    Clear();
    StreamSource in(stream);
    try {
        readPages(*this, in, m_report, [this]() -> TfrPageInfo & { return appendRecord(); });
    } catch (...) {
        Clear();
        throw;
    }
}

void TfrEMFPages::SaveToFile(const QString &fileName) const
{
    // The file is replaced only when the whole report was written; a short write says why.
    TfrOutputFile f(fileName);
    if (!f.open())
        throw EfrError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    FileSink out(f, fileName);
    writePages(*this, out);
    f.commit();
}

void TfrEMFPages::LoadFromFile(const QString &fileName)
{
    Clear();
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EfrError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    FileSource in(f);
    try {
        readPages(*this, in, m_report, [this]() -> TfrPageInfo & { return appendRecord(); });
    } catch (...) {
        Clear();
        throw;
    }
}

void frSavePreparedReport(const TfrEMFPages &pages, const QString &fileName) { pages.SaveToFile(fileName); }

void frLoadPreparedReport(TfrEMFPages &pages, const QString &fileName) { pages.LoadFromFile(fileName); }
