#include "TBPicture.h"

#include <QBuffer>
#include <QCache>
#include <QImageReader>
#include <QMutex>

#include <atomic>

struct TBPicture::Data
{
    QByteArray bytes;
    QSize original;
    QSize shown;
    quint64 id = 0;
};

namespace {

// Beyond this many pixels the decoder is asked for the small size directly, so a picture whose
// header claims a huge size cannot make us allocate gigabytes.
constexpr qint64 fullDecodeLimit = qint64(4096) * 4096;

std::atomic<quint64> nextPictureID {1};

struct BitmapCache
{
    QMutex mutex;
    QCache<quint64, QImage> images {64 * 1024 * 1024};
};

BitmapCache& bitmapCache()
{
    static BitmapCache cache;
    return cache;
}

quint16 bigEndian16(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

quint32 bigEndian32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

QSize jpegSize(const uchar* p, qsizetype n)
{
    qsizetype i = 2;
    while (i + 4 <= n) {
        if (p[i] != 0xFF)
            return {};
        const uchar marker = p[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // image end or scan data before any frame header
            return {};
        const quint16 length = bigEndian16(p + i + 2);
        if (length < 2)
            return {};
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || i + 9 > n)
                return {};
            const int height = bigEndian16(p + i + 5);
            const int width = bigEndian16(p + i + 7);
            if (width == 0 || height == 0)
                return {};
            return QSize(width, height);
        }
        i += 2 + length;
    }
    return {};
}

} // namespace

QSize TBPicture::headerSize(QByteArrayView data)
{
    const auto* p = reinterpret_cast<const uchar*>(data.data());
    const qsizetype n = data.size();
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xD8)
        return jpegSize(p, n);
    static const uchar pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n >= 24 && memcmp(p, pngSignature, 8) == 0) {
        if (memcmp(p + 12, "IHDR", 4) != 0)
            return {};
        const quint32 width = bigEndian32(p + 16);
        const quint32 height = bigEndian32(p + 20);
        if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
            return {};
        return QSize(int(width), int(height));
    }
    if (n >= 10 && (memcmp(p, "GIF87a", 6) == 0 || memcmp(p, "GIF89a", 6) == 0)) {
        const int width = p[6] | (p[7] << 8);
        const int height = p[8] | (p[9] << 8);
        if (width == 0 || height == 0)
            return {};
        return QSize(width, height);
    }
    return {};
}

QSize TBPicture::scaledSize(QSize original)
{
    const qint64 w = original.width();
    const qint64 h = original.height();
    if (w <= maxSide && h <= maxSide)
        return original;
    // Integer arithmetic: the longer side becomes exactly maxSide, the other is rounded down.
    const qint64 longer = std::max(w, h);
    return QSize(int(std::max<qint64>(1, w * maxSide / longer)), int(std::max<qint64>(1, h * maxSide / longer)));
}

TBPicture TBPicture::fromData(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    QSize size = headerSize(data);
    if (!size.isValid()) {
        // Another format, or a header we cannot follow: let the image plugins judge it (rare, so
        // a full read is affordable).
        QByteArray copy = data;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoTransform(false);
        if (reader.canRead()) {
            size = reader.size();
            if (!size.isValid()) {
                const QImage image = reader.read();
                if (!image.isNull())
                    size = image.size();
            }
        }
    }
    if (!size.isValid() || size.isEmpty())
        return {};
    auto d = std::make_shared<Data>();
    d->bytes = data;
    d->original = size;
    d->shown = scaledSize(size);
    d->id = nextPictureID.fetch_add(1, std::memory_order_relaxed);
    TBPicture picture;
    picture.d = std::move(d);
    return picture;
}

QByteArray TBPicture::data() const
{
    return d ? d->bytes : QByteArray();
}

QSize TBPicture::originalSize() const
{
    return d ? d->original : QSize();
}

QSize TBPicture::size() const
{
    return d ? d->shown : QSize();
}

QImage TBPicture::image() const
{
    if (!d)
        return {};
    BitmapCache& cache = bitmapCache();
    {
        QMutexLocker lock(&cache.mutex);
        if (const QImage* cached = cache.images.object(d->id))
            return *cached;
    }

    QByteArray bytes = d->bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    if (qint64(d->original.width()) * d->original.height() > fullDecodeLimit)
        reader.setScaledSize(d->shown);
    QImage image = reader.read();
    if (!image.isNull() && image.size() != d->shown)
        image = image.scaled(d->shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    QMutexLocker lock(&cache.mutex);
    cache.images.insert(d->id, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes()));
    return image;
}

bool TBPicture::operator==(const TBPicture& other) const
{
    if (d == other.d)
        return true;
    return d && other.d && d->bytes == other.d->bytes;
}

void TBPicture::setCacheLimit(qsizetype bytes)
{
    BitmapCache& cache = bitmapCache();
    QMutexLocker lock(&cache.mutex);
    cache.images.setMaxCost(bytes);
}

qsizetype TBPicture::cacheLimit()
{
    BitmapCache& cache = bitmapCache();
    QMutexLocker lock(&cache.mutex);
    return cache.images.maxCost();
}

void TBPicture::clearCache()
{
    BitmapCache& cache = bitmapCache();
    QMutexLocker lock(&cache.mutex);
    cache.images.clear();
}
