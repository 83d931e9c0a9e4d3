#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>

#include <memory>

// A picture value of an entry. It keeps the encoded bytes as they came from the directory and
// the size they will be shown at (at most maxSide on a side); the bitmap is decoded and scaled on
// first use and kept in a small process-wide cache. A decoded 256 x 256 picture takes 256 KB,
// many times its JPEG bytes, so a search of thousands of people must not hold bitmaps for all.
// Copies share their data; safe to use from any thread.
class TBPicture
{
public:
    static constexpr int maxSide = 256;

    TBPicture() = default;

    // Reads only the header (JPEG, PNG, GIF; other formats through the image plugins). Null when
    // the data is not a picture that can be decoded or has no size.
    static TBPicture fromData(const QByteArray& data);

    // The size a picture of the given size is shown at: unchanged up to maxSide on both sides,
    // otherwise scaled so that the longer side is maxSide, the other side rounded down (at least 1).
    static QSize scaledSize(QSize original);

    // Width and height from the header bytes alone; invalid when they cannot be read.
    static QSize headerSize(QByteArrayView data);

    bool isNull() const { return !d; }
    QByteArray data() const; // the encoded bytes as received
    QSize originalSize() const;
    QSize size() const; // the shown size, at most maxSide on a side
    // Decoded and scaled to size(); null when the bytes turn out not to decode after all.
    QImage image() const;

    bool operator==(const TBPicture& other) const;
    bool operator!=(const TBPicture& other) const { return !(*this == other); }

    // The bitmap cache shared by all pictures (bytes of decoded images it may keep).
    static void setCacheLimit(qsizetype bytes);
    static qsizetype cacheLimit();
    static void clearCache();

private:
    struct Data;
    std::shared_ptr<const Data> d;
};
