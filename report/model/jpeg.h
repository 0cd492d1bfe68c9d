// JPEG images through libjpeg-turbo. Corrupt or hostile data gives an error text, never a
// crash; images beyond frMaxImagePixels are refused before anything is allocated.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

inline constexpr qint64 frMaxImagePixels = 100'000'000;

// Decodes a JFIF/JPEG file image (greyscale, colour, CMYK) into a 32-bit RGB image.
// Returns false and sets error when the data cannot be decoded.
bool frDecodeJpeg(const QByteArray &data, QImage &image, QString &error);
// Encodes an image as a baseline JFIF file image.
QByteArray frEncodeJpeg(const QImage &image, int quality = 90);
