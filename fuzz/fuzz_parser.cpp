// libFuzzer target for the LDIF parser, the entries it builds and the base64 decoder.
// The first input byte chooses the options; the rest is the tool output (or base64 text).

#include "TBParser.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The decoder written out step by step: a zero-filled buffer, a current byte and a position in
// the group of four. The fast decoder must agree with it on every input.
std::optional<QByteArray> referenceDecode(QByteArrayView text)
{
    const qsizetype n = text.size();
    std::vector<unsigned char> out(size_t(n * 3 / 4 + 4), 0);
    size_t current = 0;
    int position = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int v = -1;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        if (v >= 0) {
            switch (position) {
            case 0:
                out[current] = static_cast<unsigned char>(v << 2);
                break;
            case 1:
                out[current] |= static_cast<unsigned char>(v >> 4);
                out[++current] = static_cast<unsigned char>((v << 4) & 0xff);
                break;
            case 2:
                out[current] |= static_cast<unsigned char>(v >> 2);
                out[++current] = static_cast<unsigned char>((v << 6) & 0xff);
                break;
            default:
                out[current++] |= static_cast<unsigned char>(v);
                break;
            }
            position = (position + 1) % 4;
        } else if (c == '=') {
            if (position == 3)
                position = 0;
            else if (position == 2 && i + 1 < n && text[i + 1] == '=')
                position = 3;
            else
                return std::nullopt;
        }
    }
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(current));
}

void check(bool condition)
{
    if (!condition)
        abort();
}

void silence(QtMsgType, const QMessageLogContext&, const QString&) { }

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qInstallMessageHandler(silence);
    new QCoreApplication(*argc, *argv); // for the image plugins
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QSet<QString> images {QStringLiteral("jpegphoto"), QStringLiteral("photo"),
                                       QStringLiteral("thumbnailphoto")};
    static const QSet<QString> binaries {QStringLiteral("objectguid"), QStringLiteral("objectsid")};

    const unsigned options = size > 0 ? data[0] : 0;
    const QByteArray input
        = size > 0 ? QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)) : QByteArray();

    // The decoder agrees with the step-by-step one.
    check(TBParser::decodeBase64String(input) == referenceDecode(input));

    TBParser parser(input, (options & 1) == 0, images, binaries);
    const bool result = parser.parse();
    check(result == parser.parseSuccessful());
    // Every line break character (or a continuation) bounds the number of entries.
    check(parser.parsedData().size() <= input.size() + 1);

    for (const TBEntryPtr& entry : parser.parsedData()) {
        check(entry != nullptr);
        const QStringList names = entry->attributes();
        for (qsizetype i = 0; i < names.size(); ++i) {
            check(!names[i].isEmpty());
            check(entry->indexOfAttribute(names[i].toUpper()) == i
                  || names[i].toUpper().toLower() != names[i].toLower());
            check(parser.returnedAttributeNames().contains(names[i].toLower()));
            const QList<TBValue> values = entry->valuesAtIndex(i);
            check(values.size() == entry->numValuesAtIndex(i) && !values.isEmpty());
            check(values.first() == entry->valueAtIndex(i));
            for (const TBValue& value : values) {
                check(!value.isNull());
                if (value.isText()) {
                    check(!value.text().isEmpty());
                } else if (value.isBytes()) {
                    check(!value.bytes().isEmpty());
                } else {
                    const TBPicture picture = value.picture();
                    const QSize shown = picture.size();
                    check(entry->hasPhoto());
                    check(shown.width() >= 1 && shown.height() >= 1);
                    check(shown.width() <= TBPicture::maxSide && shown.height() <= TBPicture::maxSide);
                    // Decoding is the image plugins' work; keep it to pictures of sane size.
                    if ((options & 2)
                        && qint64(picture.originalSize().width()) * picture.originalSize().height() <= 1024 * 1024) {
                        const QImage image = picture.image();
                        check(image.isNull() || image.size() == shown);
                    }
                }
            }
        }
        (void)entry->firstPartOfDN();
        (void)entry->valueOfFirstPartOfDN();
    }
    return 0;
}
