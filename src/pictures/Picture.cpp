// Stored pictures: signature dispatch, guarded bitmap and JPEG decoding, and the picture fit.
#include "Picture.h"

#include "Metafile.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

namespace Picture {

Kind signatureKind(const QByteArray& bytes)
{
    if (bytes.size() < 2) return Kind::None;
    const quint16 sig = quint16(quint8(bytes[0])) | quint16(quint8(bytes[1])) << 8;
    switch (sig) {
    case 0x4D42:
        return Kind::Bitmap;
    case 0xD8FF:
        return Kind::Jpeg;
    case 0x0001:
    case 0xCDD7:
        return Kind::Metafile;
    default:
        return Kind::None;
    }
}

bool acceptableSize(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide && width * height <= MaxPixels;
}

namespace {

// ---- Windows bitmaps ----

// The size from the bitmap's info header, read before Qt decodes anything. Qt's reader fills
// missing rows with black instead of failing, so the pixel data must be there in full.
QSize bitmapHeaderSize(const QByteArray& bytes)
{
    constexpr int FileHeader = 14;
    if (bytes.size() < FileHeader + 12) return {};
    const auto* file = reinterpret_cast<const uchar*>(bytes.constData());
    const auto* p = file + FileHeader;
    const quint32 offBits = qFromLittleEndian<quint32>(file + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(p);
    qint64 w = 0, h = 0;
    quint32 bpp = 0, compression = 0, sizeImage = 0;
    if (headerSize == 12) { // the old core header with 16-bit sizes
        w = qFromLittleEndian<quint16>(p + 4);
        h = qFromLittleEndian<quint16>(p + 6);
        bpp = qFromLittleEndian<quint16>(p + 10);
    } else if (headerSize >= 40 && bytes.size() >= FileHeader + 40) {
        w = qFromLittleEndian<qint32>(p + 4);
        h = qFromLittleEndian<qint32>(p + 8);
        h = h < 0 ? -h : h; // a negative height means top-down rows
        bpp = qFromLittleEndian<quint16>(p + 14);
        compression = qFromLittleEndian<quint32>(p + 16);
        sizeImage = qFromLittleEndian<quint32>(p + 20);
    } else {
        return {};
    }
    if (!acceptableSize(w, h) || offBits > quint32(bytes.size())) return {};
    qint64 needed = 0;
    if (compression == 0 || compression == 3) // uncompressed rows, padded to 32 bits
        needed = ((w * bpp + 31) / 32) * 4 * h;
    else if (compression == 1 || compression == 2) // run-length encoded: as long as it says
        needed = sizeImage;
    if (qint64(offBits) + needed > bytes.size()) return {};
    return QSize(int(w), int(h));
}

Decoded decodeBitmap(const QByteArray& bytes)
{
    Decoded d;
    const QSize size = bitmapHeaderSize(bytes);
    if (size.isEmpty()) return d;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    reader.setDecideFormatFromContent(false);
    reader.setAutoDetectImageFormat(false); // else every image plugin is loaded to be asked
    QImage image = reader.read();
    if (image.isNull() || image.size() != size) return d;
    d.image = std::move(image);
    d.fullSize = size;
    return d;
}

// ---- JPEG ----

// A progressive JPEG may ask for thousands of scans over a tiny picture; real pictures use
// a dozen or so.
constexpr int MaxScans = 200;
constexpr int MaxWarnings = 50;
constexpr long MaxJpegMemory = 512L * 1024 * 1024;

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings = 0;
};

[[noreturn]] void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Messages are never printed; a warning that the data ended early, or too many warnings,
// makes the picture unreadable, since libjpeg would only fill the rest with grey.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) return;
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || ++err->warnings > MaxWarnings)
        std::longjmp(err->jump, 1);
}

void jpegOutputMessage(j_common_ptr) {}

void jpegProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > MaxScans)
            std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
    }
}

// Everything libjpeg touches lives here, behind one pointer, so that nothing the decoder
// changes is held in a local variable across the long jump back.
struct JpegJob
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    jpeg_progress_mgr progress;
    const QByteArray* bytes = nullptr;
    QSize viewSize;
    QSize fullSize;
    QImage image;
    std::vector<JSAMPLE> row;
    bool headerOnly = false; // the size only, nothing decoded
};

int scaleDenominator(QSize own, QSize view)
{
    if (!view.isValid() || view.isEmpty()) return 1;
    const int needW = qMin(own.width(), view.width());
    const int needH = qMin(own.height(), view.height());
    for (int denom : {8, 4, 2}) {
        // libjpeg rounds the scaled size up
        const int w = (own.width() + denom - 1) / denom;
        const int h = (own.height() + denom - 1) / denom;
        if (w >= needW && h >= needH) return denom;
    }
    return 1;
}

void storeRow(JpegJob* job, int y)
{
    jpeg_decompress_struct& c = job->cinfo;
    const int w = int(c.output_width);
    uchar* dst = job->image.scanLine(y);
    const JSAMPLE* src = job->row.data();
    if (c.out_color_space == JCS_GRAYSCALE) {
        memcpy(dst, src, size_t(w));
    } else if (c.out_color_space == JCS_RGB) {
        memcpy(dst, src, size_t(w) * 3);
    } else { // CMYK; Adobe writers store it inverted
        const bool inverted = c.saw_Adobe_marker;
        for (int x = 0; x < w; ++x, src += 4, dst += 3) {
            int cc = src[0], m = src[1], yy = src[2], k = src[3];
            if (!inverted) {
                cc = 255 - cc;
                m = 255 - m;
                yy = 255 - yy;
                k = 255 - k;
            }
            dst[0] = uchar(cc * k / 255);
            dst[1] = uchar(m * k / 255);
            dst[2] = uchar(yy * k / 255);
        }
    }
}

bool runJpeg(JpegJob* job)
{
    jpeg_decompress_struct& c = job->cinfo;
    c.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = jpegErrorExit;
    job->err.pub.emit_message = jpegEmitMessage;
    job->err.pub.output_message = jpegOutputMessage;
    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(&c);
        return false;
    }
    jpeg_create_decompress(&c);
    // A progressive picture keeps all its coefficients in memory; beyond this the decoder fails
    // instead of asking for more.
    c.mem->max_memory_to_use = MaxJpegMemory;
    job->progress.progress_monitor = jpegProgress;
    c.progress = &job->progress;
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(job->bytes->constData()),
                 static_cast<unsigned long>(job->bytes->size()));
    if (jpeg_read_header(&c, TRUE) != JPEG_HEADER_OK || !acceptableSize(c.image_width, c.image_height)) {
        jpeg_destroy_decompress(&c);
        return false;
    }
    job->fullSize = QSize(int(c.image_width), int(c.image_height));
    if (job->headerOnly) {
        jpeg_destroy_decompress(&c);
        return true;
    }

    QImage::Format format = QImage::Format_RGB888;
    if (c.jpeg_color_space == JCS_GRAYSCALE) {
        c.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
    } else if (c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK) {
        c.out_color_space = JCS_CMYK;
    } else {
#if defined(JCS_ALPHA_EXTENSIONS) && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // straight into the layout of the screen's pixmaps, so that showing the picture converts nothing;
        // the alpha variant, since RGB32 needs the fourth byte 0xFF and BGRX leaves it undefined
        c.out_color_space = JCS_EXT_BGRA;
        format = QImage::Format_RGB32;
#else
        c.out_color_space = JCS_RGB;
#endif
    }
    c.scale_num = 1;
    c.scale_denom = unsigned(scaleDenominator(job->fullSize, job->viewSize));
    jpeg_calc_output_dimensions(&c);
    const int w = int(c.output_width), h = int(c.output_height);
    if (!acceptableSize(w, h)) {
        jpeg_destroy_decompress(&c);
        return false;
    }
    job->image = QImage(w, h, format);
    if (job->image.isNull()) {
        jpeg_destroy_decompress(&c);
        return false;
    }
    job->row.resize(size_t(w) * size_t(c.output_components));

    jpeg_start_decompress(&c);
    const bool direct = c.out_color_space != JCS_CMYK; // the image's own row layout
    while (c.output_scanline < c.output_height) {
        const int y = int(c.output_scanline);
        JSAMPROW rows[1] = {direct ? job->image.scanLine(y) : job->row.data()};
        if (jpeg_read_scanlines(&c, rows, 1) != 1) break;
        if (!direct) storeRow(job, y);
    }
    if (c.output_scanline < c.output_height) {
        jpeg_destroy_decompress(&c);
        return false;
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return true;
}

Decoded decodeJpeg(const QByteArray& bytes, QSize viewSize)
{
    Decoded d;
    auto job = std::make_unique<JpegJob>();
    job->bytes = &bytes;
    job->viewSize = viewSize;
    if (!runJpeg(job.get())) return d;
    d.image = std::move(job->image);
    d.fullSize = job->fullSize;
    return d;
}

} // namespace

QSize headerSize(const QByteArray& bytes)
{
    switch (signatureKind(bytes)) {
    case Kind::Bitmap:
        return bitmapHeaderSize(bytes);
    case Kind::Jpeg: {
        auto job = std::make_unique<JpegJob>();
        job->bytes = &bytes;
        job->headerOnly = true;
        return runJpeg(job.get()) ? job->fullSize : QSize();
    }
    default:
        return {};
    }
}

Decoded decode(const QByteArray& bytes, QSize viewSize)
{
    switch (signatureKind(bytes)) {
    case Kind::Bitmap:
        return decodeBitmap(bytes);
    case Kind::Jpeg:
        return decodeJpeg(bytes, viewSize);
    case Kind::Metafile: {
        Decoded d;
        d.image = Metafile::render(bytes);
        if (!d.image.isNull()) d.fullSize = d.image.size();
        return d;
    }
    case Kind::None:
        break;
    }
    return {};
}

QSize fitInto(QSize own, QSize box)
{
    const int w0 = own.width(), h0 = own.height();
    if (w0 <= 0 || h0 <= 0 || box.width() <= 0 || box.height() <= 0) return QSize(0, 0);
    int w = w0, h = h0;
    if (w > box.width()) {
        h = int(qint64(h0) * box.width() / w0);
        w = box.width();
    }
    if (h > box.height()) {
        w = int(qint64(w0) * box.height() / h0);
        h = box.height();
    }
    return QSize(w, h);
}

QSize panelSize(QSize shown)
{
    return QSize(shown.width() + 2, shown.height() + 2);
}

QSize frameSize(QSize shown)
{
    return QSize(shown.width() * 290 / 280, shown.height() * 190 / 180);
}

} // namespace Picture
