#include "report/model/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

// libjpeg reports fatal errors through error_exit, which must not return; it jumps back
// with longjmp. The functions that set the jump point hold only plain C data, so no C++
// destructor is skipped when the jump happens.

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void quietMessage(j_common_ptr, int) {}

struct RawImage {
    unsigned char *pixels = nullptr; // malloc'd, width × height × components
    int width = 0;
    int height = 0;
    int components = 0;
    bool cmyk = false;
    bool invertedCmyk = false;
};

// Returns 0 on success, else fills message.
int decodeRaw(const unsigned char *data, unsigned long size, RawImage *out, char *message)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    unsigned char *volatile pixels = nullptr;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = quietMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(pixels);
        std::strncpy(message, err.message, JMSG_LENGTH_MAX - 1);
        message[JMSG_LENGTH_MAX - 1] = 0;
        return 1;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    const long long area = (long long)cinfo.image_width * (long long)cinfo.image_height;
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || area > frMaxImagePixels) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "JPEG image too large");
        return 1;
    }
    jpeg_start_decompress(&cinfo);
    const int components = cinfo.output_components;
    const size_t stride = size_t(cinfo.output_width) * size_t(components);
    pixels = static_cast<unsigned char *>(std::malloc(stride * cinfo.output_height));
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "Out of memory");
        return 1;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    out->width = int(cinfo.output_width);
    out->height = int(cinfo.output_height);
    out->components = components;
    out->cmyk = cmyk;
    out->invertedCmyk = cmyk && cinfo.saw_Adobe_marker;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out->pixels = pixels;
    return 0;
}

int encodeRaw(const unsigned char *rgb, int width, int height, int stride, int quality,
              unsigned char **outData, unsigned long *outSize, char *message)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = quietMessage;
    *outData = nullptr;
    *outSize = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::strncpy(message, err.message, JMSG_LENGTH_MAX - 1);
        message[JMSG_LENGTH_MAX - 1] = 0;
        return 1;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, outData, outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char *>(rgb + size_t(stride) * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return 0;
}

} // namespace

bool frDecodeJpeg(const QByteArray &data, QImage &image, QString &error)
{
    image = QImage();
    if (data.isEmpty()) {
        error = QStringLiteral("JPEG image is empty");
        return false;
    }
    RawImage raw;
    char message[JMSG_LENGTH_MAX] = {};
    if (decodeRaw(reinterpret_cast<const unsigned char *>(data.constData()), (unsigned long)data.size(),
                  &raw, message) != 0) {
        error = QString::fromLocal8Bit(message);
        return false;
    }
    QImage result(raw.width, raw.height, QImage::Format_RGB32);
    if (result.isNull()) {
        std::free(raw.pixels);
        error = QStringLiteral("Out of memory");
        return false;
    }
    for (int y = 0; y < raw.height; ++y) {
        const unsigned char *src = raw.pixels + size_t(y) * size_t(raw.width) * size_t(raw.components);
        auto *dst = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < raw.width; ++x, src += raw.components) {
            if (raw.cmyk) {
                int c = src[0], m = src[1], ye = src[2], k = src[3];
                if (!raw.invertedCmyk) {
                    c = 255 - c; m = 255 - m; ye = 255 - ye; k = 255 - k;
                }
                dst[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
            } else if (raw.components == 1) {
                dst[x] = qRgb(src[0], src[0], src[0]);
            } else {
                dst[x] = qRgb(src[0], src[1], src[2]);
            }
        }
    }
    std::free(raw.pixels);
    image = std::move(result);
    return true;
}

QByteArray frEncodeJpeg(const QImage &image, int quality)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    if (encodeRaw(rgb.constBits(), rgb.width(), rgb.height(), int(rgb.bytesPerLine()), quality, &out,
                  &size, message) != 0) {
        std::free(out);
        return {};
    }
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}
