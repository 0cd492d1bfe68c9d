#include "report/model/picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include "report/eval/errors.h"
#include "report/model/jpeg.h"

namespace {

// Enhanced metafile: record 1 with the bounds in device pixels at offset 8; placeable
// Windows metafile: key 0x9AC6CDD7, the box at offset 6 and the units per inch at 14.
QSize metafileSize(const QByteArray &d)
{
    if (d.size() >= 24 && qFromLittleEndian<quint32>(d.constData()) == 1) {
        const qint32 l = qFromLittleEndian<qint32>(d.constData() + 8);
        const qint32 t = qFromLittleEndian<qint32>(d.constData() + 12);
        const qint32 r = qFromLittleEndian<qint32>(d.constData() + 16);
        const qint32 b = qFromLittleEndian<qint32>(d.constData() + 20);
        const qint64 w = qint64(r) - l + 1, h = qint64(b) - t + 1;
        if (w > 0 && h > 0 && w < 1'000'000 && h < 1'000'000)
            return QSize(int(w), int(h));
        return {};
    }
    if (d.size() >= 16 && qFromLittleEndian<quint32>(d.constData()) == 0x9AC6CDD7u) {
        const qint16 l = qFromLittleEndian<qint16>(d.constData() + 6);
        const qint16 t = qFromLittleEndian<qint16>(d.constData() + 8);
        const qint16 r = qFromLittleEndian<qint16>(d.constData() + 10);
        const qint16 b = qFromLittleEndian<qint16>(d.constData() + 12);
        const quint16 inch = qFromLittleEndian<quint16>(d.constData() + 14);
        if (inch == 0)
            return {};
        const int w = (int(r) - l) * 96 / inch, h = (int(b) - t) * 96 / inch;
        return w > 0 && h > 0 ? QSize(w, h) : QSize();
    }
    return {};
}

QImage readWithQt(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > frMaxImagePixels)
        return {};
    return reader.read();
}

QByteArray writeWithQt(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

TfrPictureKind kindOfFile(const QString &fileName, const QByteArray &bytes)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return pkBitmap;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return pkJPEG;
    if (ext == QLatin1String("ico"))
        return pkIcon;
    if (ext == QLatin1String("wmf") || ext == QLatin1String("emf"))
        return pkMetafile;
    if (bytes.startsWith("BM"))
        return pkBitmap;
    if (bytes.startsWith("\xFF\xD8"))
        return pkJPEG;
    if (bytes.startsWith(QByteArray("\x00\x00\x01\x00", 4)))
        return pkIcon;
    return pkMetafile;
}

} // namespace

void TfrPicture::clear()
{
    m_kind = pkNone;
    m_data.clear();
    m_image = QImage();
    m_size = QSize();
}

void TfrPicture::loadFromData(int kind, const QByteArray &bytes)
{
    clear();
    QImage image;
    switch (kind) {
    case pkBitmap:
        image = readWithQt(bytes, "BMP");
        if (image.isNull())
            throw EfrError(QStringLiteral("Bitmap image is not valid"));
        break;
    case pkIcon:
        image = readWithQt(bytes, "ICO");
        if (image.isNull())
            throw EfrError(QStringLiteral("Icon image is not valid"));
        break;
    case pkJPEG: {
        QString error;
        if (!frDecodeJpeg(bytes, image, error))
            throw EfrError(QStringLiteral("JPEG error: %1").arg(error));
        break;
    }
    case pkMetafile:
        m_kind = pkMetafile;
        m_data = bytes;
        m_size = metafileSize(bytes);
        return;
    default:
        return;
    }
    m_kind = TfrPictureKind(kind);
    m_data = bytes;
    m_image = std::move(image);
    m_size = m_image.size();
}

void TfrPicture::setImage(TfrPictureKind kind, const QImage &image)
{
    clear();
    if (image.isNull())
        return;
    switch (kind) {
    case pkBitmap: m_data = writeWithQt(image, "BMP"); break;
    case pkIcon: m_data = writeWithQt(image, "ICO"); break;
    case pkJPEG: m_data = frEncodeJpeg(image); break;
    default: return;
    }
    if (m_data.isEmpty())
        return;
    m_kind = kind;
    m_image = image;
    m_size = image.size();
}

void TfrPicture::loadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EfrError(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    const QByteArray bytes = f.readAll();
    loadFromData(kindOfFile(fileName, bytes), bytes);
}

void TfrPicture::draw(QPainter *painter, const QRect &target, bool toPrinter) const
{
    if (!painter || m_image.isNull() || target.isEmpty())
        return;
    if (toPrinter && m_kind == pkIcon)
        return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (toPrinter && m_image.depth() > 1)
        painter->drawImage(target, m_image.convertToFormat(QImage::Format_RGB888));
    else
        painter->drawImage(target, m_image);
    painter->restore();
}
