// The image a picture object holds: a BMP bitmap, a metafile, an icon or a JPEG image,
// kept as its file image (so a record writes back exactly what it read) plus the decoded
// pixels. Metafiles have no reader here: their bytes are kept and they draw nothing.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

// The kind byte of the picture record.
enum TfrPictureKind : quint8 { pkNone = 0, pkBitmap = 1, pkMetafile = 2, pkIcon = 3, pkJPEG = 4 };

class TfrPicture {
public:
    TfrPictureKind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == pkNone; }
    const QByteArray &data() const { return m_data; }
    const QImage &image() const { return m_image; }
    // Size in pixels (a metafile's from its header, 0 × 0 when it has none).
    int width() const { return m_size.width(); }
    int height() const { return m_size.height(); }

    void clear();
    // Takes a file image of that kind; EfrError when it cannot be decoded (the picture is
    // then empty). Unknown kinds leave the picture empty without an error.
    void loadFromData(int kind, const QByteArray &bytes);
    // Takes pixels and makes the file image of the kind (bitmap, icon or JPEG).
    void setImage(TfrPictureKind kind, const QImage &image);
    // The kind follows the file name's extension (.bmp, .jpg/.jpeg, .ico, .wmf/.emf), else
    // the content.
    void loadFromFile(const QString &fileName);

    // Stretches the image into target. Metafiles draw nothing; on a printer the pixels
    // go as a 24-bit image and icons are left out.
    void draw(QPainter *painter, const QRect &target, bool toPrinter) const;

private:
    TfrPictureKind m_kind = pkNone;
    QByteArray m_data;
    QImage m_image;
    QSize m_size;
};
