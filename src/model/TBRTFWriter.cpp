#include "TBRTFWriter.h"

#include <QColor>
#include <QFont>
#include <QHash>

#include <cmath>

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The Windows-1252 byte for the character, or 0 when it has none.
unsigned char cp1252Byte(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return 0;
}

void appendHexByte(QByteArray& out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\'";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

void appendUnicode(QByteArray& out, char16_t unit, unsigned char fallback)
{
    // RTF's \u takes a signed 16-bit number.
    out += "\\u";
    out += QByteArray::number(static_cast<int>(static_cast<qint16>(unit)));
    // The fallback is always a hex escape: some readers take a literal character right after
    // the number as part of the control word and lose the text that follows.
    appendHexByte(out, fallback ? fallback : '?');
}

int halfPoints(const QFont& font)
{
    qreal points = font.pointSizeF();
    if (points <= 0)
        points = font.pixelSize() > 0 ? font.pixelSize() : 12; // pixels are points at scale 1
    return qMax(1, static_cast<int>(std::lround(points * 2)));
}

class Tables
{
public:
    int fontIndex(const QString& family)
    {
        auto it = m_fontIndexes.constFind(family);
        if (it != m_fontIndexes.constEnd())
            return it.value();
        const int index = static_cast<int>(m_fonts.size());
        m_fonts.append(family);
        m_fontIndexes.insert(family, index);
        return index;
    }

    // 0 is the reader's automatic colour; table entries start at 1.
    int colorIndex(const QColor& color)
    {
        const QRgb rgb = color.rgb();
        auto it = m_colorIndexes.constFind(rgb);
        if (it != m_colorIndexes.constEnd())
            return it.value();
        m_colors.append(rgb);
        const int index = static_cast<int>(m_colors.size());
        m_colorIndexes.insert(rgb, index);
        return index;
    }

    bool isEmpty() const { return m_fonts.isEmpty(); }

    QByteArray header() const
    {
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\n{\\fonttbl";
        for (qsizetype i = 0; i < m_fonts.size(); ++i) {
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            // Font names must not carry the table's own delimiters.
            QString name = m_fonts.at(i);
            name.remove(QLatin1Char(';')).remove(QLatin1Char('{')).remove(QLatin1Char('}'));
            TBRTFWriter::appendEscapedText(out, name);
            out += ";}";
        }
        out += "}\n";
        if (!m_colors.isEmpty()) {
            out += "{\\colortbl;";
            for (QRgb rgb : m_colors) {
                out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) + "\\blue"
                    + QByteArray::number(qBlue(rgb)) + ';';
            }
            out += "}\n";
        }
        return out;
    }

private:
    QStringList m_fonts;
    QHash<QString, int> m_fontIndexes;
    QList<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndexes;
};

QByteArray styleWords(const QTextCharFormat& format, Tables& tables)
{
    const QFont font = format.font();
    QString family = font.family();
    if (family.isEmpty())
        family = QStringLiteral("Helvetica");
    QByteArray words = "\\f" + QByteArray::number(tables.fontIndex(family));
    words += "\\fs" + QByteArray::number(halfPoints(font));
    if (font.bold())
        words += "\\b";
    if (font.italic())
        words += "\\i";
    if (font.underline())
        words += "\\ul";
    if (font.strikeOut())
        words += "\\strike";
    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = format.foreground();
        if (brush.style() != Qt::NoBrush)
            words += "\\cf" + QByteArray::number(tables.colorIndex(brush.color()));
    }
    return words;
}

} // namespace

void TBRTFWriter::appendEscapedText(QByteArray& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        switch (c) {
        case '\\':
            out += "\\\\";
            continue;
        case '{':
            out += "\\{";
            continue;
        case '}':
            out += "\\}";
            continue;
        case '\n':
        case 0x2029: // paragraph separator
            out += "\\par\n";
            continue;
        case 0x2028: // line separator
            out += "\\line\n";
            continue;
        case '\t':
            out += "\\tab ";
            continue;
        case '\r':
            // A lone carriage return ends a line too; CR LF is one line end.
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                continue;
            out += "\\par\n";
            continue;
        case 0xFFFC: // a picture's placeholder: pictures are written separately
            continue;
        default:
            break;
        }
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            continue; // other control characters have no place in text
        } else {
            appendUnicode(out, c, cp1252Byte(c));
        }
    }
}

QByteArray TBRTFWriter::rtfFromText(const TBRichText& text)
{
    return rtfFromText(text, QStringList());
}

QByteArray TBRTFWriter::rtfFromText(const TBRichText& text, const QStringList& attachmentNames)
{
    Tables tables;
    QByteArray body;
    body.reserve(text.runs().size() * 48);
    qsizetype imageIndex = 0;
    for (const TBTextRun& run : text.runs()) {
        if (run.isImage()) {
            const QString name = attachmentNames.value(imageIndex++);
            if (name.isEmpty())
                continue;
            // A package attachment: the picture's file name and its size in twips.
            body += "{{\\NeXTGraphic ";
            appendEscapedText(body, name);
            body += " \\width" + QByteArray::number(run.image.width() * 20);
            body += " \\height" + QByteArray::number(run.image.height() * 20);
            body += "\n}\\'ac}";
            continue;
        }
        body += '{';
        body += styleWords(run.format, tables);
        body += ' ';
        appendEscapedText(body, run.text);
        body += '}';
    }
    // A text without styled runs still names one font, so every reader accepts the file.
    if (tables.isEmpty())
        tables.fontIndex(QStringLiteral("Helvetica"));
    QByteArray out = tables.header();
    out += body;
    out += "\n}\n";
    return out;
}
