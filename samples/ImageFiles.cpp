#include "ImageFiles.h"

#include "TextUtil.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdlib>

namespace okulon {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

std::uint32_t U32(const QByteArray& b, int at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t U16(const QByteArray& b, int at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

// Qt's BMP reader accepts a file whose pixel rows stop early and fills the
// missing rows itself. For the uncompressed layouts the header tells how many
// bytes the pixels need, so a short file is refused here.
std::optional<std::string> CheckBmpLength(const std::string& path)
{
    QFile f(Q(path));
    if (!f.open(QIODevice::ReadOnly))
        return "Cannot open file \"" + path + "\"";
    const QByteArray head = f.read(54);
    if (head.size() < 26 || head[0] != 'B' || head[1] != 'M')
        return std::nullopt; // not a BMP: the image reader decides
    const long long offset = U32(head, 10);
    const std::uint32_t infoSize = U32(head, 14);
    long long width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = U16(head, 18);
        height = static_cast<std::int16_t>(U16(head, 20));
        bits = U16(head, 24);
    } else if (head.size() >= 34) {
        width = static_cast<std::int32_t>(U32(head, 18));
        height = static_cast<std::int32_t>(U32(head, 22));
        bits = U16(head, 28);
        compression = U32(head, 30);
    } else {
        return "File \"" + path + "\" is truncated";
    }
    // BI_RGB and BI_BITFIELDS store plain rows; the run-length layouts are
    // checked by the reader itself.
    if (compression != 0 && compression != 3)
        return std::nullopt;
    if (width <= 0 || bits <= 0 || bits > 32)
        return std::nullopt;
    const long long stride = (width * bits + 31) / 32 * 4;
    const long long needed = offset + stride * std::llabs(height);
    if (f.size() < needed)
        return "File \"" + path + "\" is truncated: " + std::to_string(f.size()) + " bytes, the picture needs " +
               std::to_string(needed);
    return std::nullopt;
}

void PrepareReader(QImageReader& reader, ImageFormat format)
{
    if (format == ImageFormat::Bmp) {
        reader.setFormat("bmp");
        reader.setDecideFormatFromContent(false);
    }
}

} // namespace

std::optional<std::string> ReadImageSize(const std::string& path, ImageFormat format, int& width, int& height)
{
    if (path.empty() || !QFileInfo(Q(path)).isFile())
        return "File \"" + path + "\" does not exist";
    QImageReader reader(Q(path));
    PrepareReader(reader, format);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() <= 0 || size.height() <= 0)
        return "Cannot read picture \"" + path + "\": " +
               (reader.error() == QImageReader::UnknownError ? std::string("not a readable picture")
                                                             : reader.errorString().toStdString());
    width = size.width();
    height = size.height();
    return std::nullopt;
}

std::optional<std::string> ReadImageFile(const std::string& path, ImageFormat format, Bitmap& out, int maxSide)
{
    int width = 0, height = 0;
    if (auto err = ReadImageSize(path, format, width, height))
        return err;
    if (width > maxSide || height > maxSide)
        return "Picture \"" + path + "\" is too large: " + std::to_string(width) + "x" + std::to_string(height) +
               " pixels (at most " + std::to_string(maxSide) + "x" + std::to_string(maxSide) + ")";
    if (auto err = CheckBmpLength(path))
        return err;
    // A backstop for readers whose header size and decoded size differ.
    QImageReader::setAllocationLimit(256);
    QImageReader reader(Q(path));
    PrepareReader(reader, format);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return "Cannot read picture \"" + path + "\": " + reader.errorString().toStdString();
    if (image.width() != width || image.height() != height)
        return "Cannot read picture \"" + path + "\": its size changed while reading";
    image = image.convertToFormat(QImage::Format_RGB32);
    Bitmap bmp(width, height);
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        Color* row = bmp.Row(y);
        for (int x = 0; x < width; ++x)
            row[x] = Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    out = std::move(bmp);
    return std::nullopt;
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp, int bitsPerPixel)
{
    const int bytesPerPixel = bitsPerPixel == 32 ? 4 : 3;
    const std::uint32_t w = static_cast<std::uint32_t>(bmp.Width());
    const std::uint32_t h = static_cast<std::uint32_t>(bmp.Height());
    const std::uint32_t stride = (w * bytesPerPixel + 3) / 4 * 4;
    const std::uint32_t dataSize = stride * h;
    const std::uint32_t offset = 14 + 40;
    std::vector<std::uint8_t> out(offset + static_cast<std::size_t>(dataSize), 0);
    auto put32 = [&out](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto put16 = [&out](std::size_t at, std::uint16_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, offset + dataSize);
    put32(10, offset);
    put32(14, 40);
    put32(18, w);
    put32(22, h); // positive: rows stored bottom-up
    put16(26, 1);
    put16(28, static_cast<std::uint16_t>(bytesPerPixel * 8));
    put32(30, 0); // BI_RGB
    put32(34, dataSize);
    put32(38, 2835); // 72 dots per inch
    put32(42, 2835);
    for (std::uint32_t y = 0; y < h; ++y) {
        const Color* row = bmp.Row(static_cast<int>(y));
        std::uint8_t* dst = out.data() + offset + static_cast<std::size_t>(h - 1 - y) * stride;
        for (std::uint32_t x = 0; x < w; ++x) {
            dst[0] = static_cast<std::uint8_t>(BlueOf(row[x]));
            dst[1] = static_cast<std::uint8_t>(GreenOf(row[x]));
            dst[2] = static_cast<std::uint8_t>(RedOf(row[x]));
            dst += bytesPerPixel; // the fourth byte of a 32-bit pixel stays 0
        }
    }
    return out;
}

std::optional<std::string> WriteBmpFile(const std::string& path, const Bitmap& bmp, int bitsPerPixel)
{
    if (bmp.Width() <= 0 || bmp.Height() <= 0)
        return "Cannot write \"" + path + "\": the picture is empty";
    const std::vector<std::uint8_t> bytes = EncodeBmp(bmp, bitsPerPixel);
    if (!WriteFileAtomically(Q(path), QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()))))
        return "Cannot write file \"" + path + "\"";
    return std::nullopt;
}

} // namespace okulon
