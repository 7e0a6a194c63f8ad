#include "Pictures.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QResource>

#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

namespace tarnwick {

namespace {

// Every picture is a PNG: saying so spares Qt loading each image format
// plugin to ask whether it reads PNG better than Qt itself (four more shared
// libraries at start-up).
QImage readPng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

bool isPixelFormat(std::uint32_t format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// The embedded pixels as the buffer the pixmap keeps: no decoding, no
// conversion. A null image if they are missing or damaged (then the PNG
// serves).
QImage readPixels(const QString& path)
{
    const QResource resource(path);
    if (!resource.isValid()) {
        return {};
    }
    // Unpacked on the heap, or the resource itself where stored as it is.
    auto bytes = std::make_unique<QByteArray>(resource.uncompressedData());
    const auto size = static_cast<std::size_t>(bytes->size());
    Pictures::PixelsHeader header;
    if (size < sizeof header) {
        return {};
    }
    if (reinterpret_cast<std::uintptr_t>(bytes->constData() + sizeof header)
            % alignof(std::uint32_t)
        != 0) {
        // A resource may sit at any address; copied, it gets the alignment
        // QImage needs.
        bytes->detach();
    }
    std::memcpy(&header, bytes->constData(), sizeof header);
    const auto* pixels = reinterpret_cast<const uchar*>(bytes->constData()) + sizeof header;
    const std::size_t rowBytes = std::size_t { header.width } * 4;
    if (header.magic != PixelsHeader::kMagic || !isPixelFormat(header.format) || header.width == 0
        || header.height == 0 || (size - sizeof header) / rowBytes != header.height
        || (size - sizeof header) % rowBytes != 0) {
        return {};
    }
    // The image owns the bytes from here on and copies them before any write.
    return { pixels, static_cast<int>(header.width), static_cast<int>(header.height),
        static_cast<qsizetype>(rowBytes), static_cast<QImage::Format>(header.format),
        [](void* owned) { std::unique_ptr<QByteArray>(static_cast<QByteArray*>(owned)); },
        bytes.release() };
}

} // namespace

QString Pictures::resourcePath(const QString& name, int scale)
{
    return scale == 1 ? QString(":/pictures/%1.png").arg(name)
                      : QString(":/pictures/%1@%2x.png").arg(name).arg(scale);
}

QString Pictures::pixelsPath(const QString& name, int scale)
{
    return scale == 1 ? QString(":/pixels/%1.pixels").arg(name)
                      : QString(":/pixels/%1@%2x.pixels").arg(name).arg(scale);
}

QPixmap Pictures::pixmap(const QString& name, qreal devicePixelRatio)
{
    // QPixmap(path) ignores "@2x" siblings (only QIcon looks for them), so
    // the choice is made here.
    const int scale = devicePixelRatio > 1.0 ? 2 : 1;
    QImage image = readPixels(pixelsPath(name, scale));
    if (image.isNull()) {
        image = readPng(resourcePath(name, scale));
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap Pictures::pixmap(const QString& name)
{
    return pixmap(name, qApp != nullptr ? qApp->devicePixelRatio() : 1.0);
}

QIcon Pictures::icon(const QString& name)
{
    QIcon icon;
    icon.addPixmap(pixmap(name, 1.0));
    icon.addPixmap(pixmap(name, 2.0));
    return icon;
}

QImage Pictures::image(const QString& name, int scale)
{
    return readPng(resourcePath(name, scale));
}

} // namespace tarnwick
