#include "report/engine/prepared_file.h"

#include <limits>

#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
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

void selectPrinter(TfrReport *report, const QString &name)
{
    const TfrPreparedPagesEvents &events = frPreparedPagesEvents();
    if (events.setPrinterTo) {
        events.setPrinterTo(report, name);
        return;
    }
    const int index = Prn.IndexOfPrinter(name);
    if (index >= 0 && index != Prn.PrinterIndex())
        Prn.SetPrinterIndex(index);
}

// The page metrics of this machine's printer for the page's paper.
void measurePage(TfrPageInfo &info)
{
    Prn.SetPrinterInfo(info.paperSize, info.paperWidth, info.paperHeight, info.paperBin,
                       info.Orientation(), false);
    Prn.FillPrnInfo(info.prnInfo);
}

// The bytes up to the next page record, which has to lie ahead inside the data, so that
// every record moves the reader forward.
QByteArray takeUpTo(TfrStream &s, qsizetype next)
{
    if (next < s.position() || next > s.size())
        TfrStream::throwReadError();
    const qsizetype n = next - s.position();
    return QByteArray(s.take(n), n);
}

qint32 checkedPosition(qsizetype pos)
{
    if (pos > std::numeric_limits<qint32>::max())
        throw EfrError(QStringLiteral("The prepared report is too large to be saved"));
    return qint32(pos);
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
// |   next record          | 4      | absolute position after this record                     |
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
    const bool compressed = frCompressor && frCompressor->Enabled;
    frWriteByte(stream, kFileVersion);
    frWriteByte(stream, compressed ? 1 : 0);
    frWriteString(stream, Prn.Printers().value(Prn.PrinterIndex()));
    frWriteInteger(stream, GetCount());
    for (const auto &info : m_pages) {
        const qint32 placeholder = checkedPosition(stream.position());
        frWriteInteger(stream, placeholder);
        frWriteWord(stream, info->paperSize);
        frWriteInteger(stream, info->paperWidth);
        frWriteInteger(stream, info->paperHeight);
        frWriteByte(stream, info->orientation);
        frWriteInteger(stream, info->paperBin);
        frWriteBoolean(stream, info->applyMargins);
        frWriteInteger(stream, info->margins.Left);
        frWriteInteger(stream, info->margins.Top);
        frWriteInteger(stream, info->margins.Right);
        frWriteInteger(stream, info->margins.Bottom);
        if (compressed) {
            TfrStream packed;
            frCompressor->Compress(info->stream, packed);
            stream.write(packed.constData(), packed.size());
        } else {
            stream.write(info->stream.constData(), info->stream.size());
        }
        const qint32 end = checkedPosition(stream.position());
        stream.seek(placeholder);
        frWriteInteger(stream, end);
        stream.seek(end);
    }
    frWriteByte(stream, formatMark);
}

void TfrEMFPages::LoadFromStream(TfrStream &stream)
{
    Clear();
    const qsizetype start = stream.position();
    try {
        quint8 version = frReadByte(stream);
        if (version < kFirstVersion || version > kLastVersion) {
            version = 0;
            stream.seek(start);
        }
        const quint8 flag = frReadByte(stream);

        if (flag == 0 || flag == 1 || flag == 255) {
            selectPrinter(m_report, frReadString(stream));
            const qint32 count = frReadInteger(stream);
            if (count < 0)
                TfrStream::throwReadError();
            for (qint32 i = 0; i < count; ++i) {
                const qsizetype next = frReadInteger(stream);
                TfrPageInfo &info = appendRecord();
                info.paperSize = frReadWord(stream);
                info.paperWidth = frReadInteger(stream);
                info.paperHeight = frReadInteger(stream);
                info.orientation = frReadByte(stream);
                info.paperBin = version < 24 ? -1 : frReadInteger(stream);
                info.applyMargins = frReadBoolean(stream);
                if (version >= 24) {
                    info.margins.Left = frReadInteger(stream);
                    info.margins.Top = frReadInteger(stream);
                    info.margins.Right = frReadInteger(stream);
                    info.margins.Bottom = frReadInteger(stream);
                }
                const QByteArray data = takeUpTo(stream, next);
                if (flag != 0) {
                    // Without a real compressor the data cannot be turned back into pages.
                    if (!frCompressor || !frCompressor->Enabled)
                        throw EReadError(QStringLiteral("The prepared report is compressed; no compressor is installed"));
                    info.stream = TfrStream();
                    frCompressor->DeCompress(TfrStream(data), info.stream);
                } else {
                    info.stream = TfrStream(data);
                }
                info.stream.seek(info.stream.size());
                // A page that cannot be read is refused now rather than when it is shown.
                ForEachObject(GetCount() - 1, [](TfrView &) {});
                measurePage(info);
            }
            formatMark = frReadByte(stream);
            return;
        }

        stream.seek(start);
        const QStringList header = frReadMemo(stream);
        selectPrinter(m_report, header.value(0));
        const qint32 count = frReadInteger(stream);
        if (count < 0)
            TfrStream::throwReadError();
        for (qint32 i = 0; i < count; ++i) {
            const qsizetype next = frReadInteger(stream);
            TfrPageInfo &info = appendRecord();
            info.paperSize = frReadWord(stream);
            info.paperWidth = frReadInteger(stream);
            info.paperHeight = frReadInteger(stream);
            info.orientation = frReadByte(stream);
            info.applyMargins = frReadBoolean(stream);
            info.paperBin = -1;
            measurePage(info);

            std::unique_ptr<TfrView> view = frCreateObject(otPicture, QString());
            auto &picture = static_cast<TfrPictureView &>(*view);
            picture.SetBounds(0, 0, info.prnInfo.paperWidthU, info.prnInfo.paperHeightU);
            picture.Picture.loadFromData(pkMetafile, takeUpTo(stream, next));
            info.stream = TfrStream();
            frWriteByte(info.stream, kPageStreamVersion);
            picture.inPreparedPage = true;
            picture.WriteTypeAndRecord(info.stream);
        }
        if (!stream.atEnd())
            formatMark = frReadByte(stream);
    } catch (...) {
        Clear();
        throw;
    }
}

void frSavePreparedReport(const TfrEMFPages &pages, const QString &fileName)
{
    TfrStream stream;
    pages.SaveToStream(stream);
    stream.saveToFile(fileName);
}

void frLoadPreparedReport(TfrEMFPages &pages, const QString &fileName)
{
    pages.Clear();
    TfrStream stream = TfrStream::fromFile(fileName);
    pages.LoadFromStream(stream);
}
