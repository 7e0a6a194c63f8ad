#include "WindowsIconFile.h"

#include <QBuffer>
#include <QDataStream>

namespace tarnwick {

namespace {

constexpr quint16 kIconType = 1;
constexpr quint16 kCursorType = 2;
constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr int kInfoHeaderSize = 40;
constexpr int kLargestBitmapEntry = 255;

// One picture as an icon resource holds it: a bottom-up 32-bit DIB of twice
// the height (colour, then the AND mask), or a PNG stream for the large sizes.
QByteArray entryData(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray data;
    if (image.width() > kLargestBitmapEntry) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data;
    }
    const int maskStride = ((image.width() + 31) / 32) * 4;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto colourBytes = static_cast<quint32>(image.width() * image.height() * 4);
    const auto maskBytes = static_cast<quint32>(maskStride * image.height());
    out << quint32(kInfoHeaderSize) << qint32(image.width()) << qint32(image.height() * 2)
        << quint16(1) << quint16(32) << quint32(0) << (colourBytes + maskBytes) << qint32(0)
        << qint32(0) << quint32(0) << quint32(0);
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            out << quint8(qBlue(line[x])) << quint8(qGreen(line[x])) << quint8(qRed(line[x]))
                << quint8(qAlpha(line[x]));
        }
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.writeRawData(row.constData(), static_cast<int>(row.size()));
    }
    return data;
}

QByteArray iconDirectory(quint16 type, const QList<QImage>& images, QPoint hotSpot = QPoint())
{
    QList<QByteArray> entries;
    for (const QImage& image : images) {
        entries.append(entryData(image));
    }
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << type << static_cast<quint16>(images.size());
    auto offset = static_cast<quint32>(kDirectorySize + kEntrySize * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const QImage& image = images.at(i);
        // 0 stands for 256 in the one-byte sizes.
        out << static_cast<quint8>(image.width() & 0xFF)
            << static_cast<quint8>(image.height() & 0xFF) << quint8(0) << quint8(0);
        if (type == kCursorType) {
            out << static_cast<quint16>(hotSpot.x()) << static_cast<quint16>(hotSpot.y());
        } else {
            out << quint16(1) << quint16(32);
        }
        out << static_cast<quint32>(entries.at(i).size()) << offset;
        offset += static_cast<quint32>(entries.at(i).size());
    }
    for (const QByteArray& entry : entries) {
        out.writeRawData(entry.constData(), static_cast<int>(entry.size()));
    }
    return file;
}

} // namespace

QByteArray WindowsIconFile::icon(const QList<QImage>& images)
{
    return iconDirectory(kIconType, images);
}

QByteArray WindowsIconFile::cursor(const QImage& image, QPoint hotSpot)
{
    return iconDirectory(kCursorType, { image }, hotSpot);
}

} // namespace tarnwick
