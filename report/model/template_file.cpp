// Template files (".frt"): a template with a description and a preview picture, offered by
// the designer as a starting point.
//
// | Field            | Bytes       | Notes                                                  |
// |------------------|-------------|--------------------------------------------------------|
// | description      | string list |                                                        |
// | pages position   | 4           | absolute position of the pages block                   |
// | picture flag     | 1           | 1 when a picture follows, else 0                       |
// | picture          |             | a BMP file image, up to the pages block                |
// | pages block      |             | TfrPages::SaveToStream; no version byte, no end marker |
// |                  |             | and no document attributes                             |
#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/report.h"

namespace {

constexpr quint8 kCurrentVersion = 25;

QByteArray bmpImage(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (!writer.write(image))
        throw EfrError(QStringLiteral("The picture cannot be written: %1").arg(writer.errorString()));
    return bytes;
}

} // namespace

void TfrReport::SaveTemplate(const QString &FileName, const QStringList &Description, const QImage &Bitmap)
{
    CurReport = this;
    frVersion = kCurrentVersion;
    TfrStream stream;
    frWriteMemo(stream, Description);
    const qsizetype placeholder = stream.position();
    frWriteInteger(stream, 0);
    if (Bitmap.isNull()) {
        frWriteByte(stream, 0);
    } else {
        frWriteByte(stream, 1);
        const QByteArray bmp = bmpImage(Bitmap);
        stream.write(bmp.constData(), bmp.size());
    }
    const qsizetype pagesStart = stream.position();
    stream.seek(placeholder);
    frWriteInteger(stream, qint32(pagesStart));
    stream.seek(pagesStart);
    Pages.SaveToStream(stream);
    stream.saveToFile(FileName);
}

void TfrReport::LoadTemplate(const QString &FileName, QStringList &Description, QImage &Bitmap, bool Load)
{
    frVersion = kCurrentVersion;
    TfrStream stream = TfrStream::fromFile(FileName);
    QStringList description;
    frReadMemo(stream, description);
    const qint32 pagesStart = frReadInteger(stream);
    if (pagesStart < stream.position() || pagesStart > stream.size())
        TfrStream::throwReadError();

    if (!Load) {
        Description = description;
        Bitmap = QImage();
        if (frReadByte(stream) != 0 && stream.position() <= pagesStart) {
            const qsizetype n = pagesStart - stream.position();
            QByteArray bytes(stream.take(n), n);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, "BMP");
            Bitmap = reader.read();
        }
        return;
    }

    CurReport = this;
    DocMode = dmDesigning;
    ErrorFlag = false;
    ErrorStr.clear();
    stream.seek(pagesStart);
    // The pages are replaced whatever happens: an editor hears it once.
    try {
        Pages.LoadFromStream(stream);
    } catch (const EClassNotFound &) {
        NotifyChange(TfrChange{});
        throw; // what did load stays, as with any template
    } catch (...) {
        {
            TfrQuietChanges quiet(*this);
            resetToEmptyPage();
        }
        NotifyChange(TfrChange{});
        throw;
    }
    NotifyChange(TfrChange{});
}
