#include "TBEntryRendering.h"

#include "TBADValues.h"
#include "TBAttributeRegistry.h"
#include "TBFonts.h"

namespace {

enum class Variant { Info, FriendlyInfo, ForPrinting, WithoutAttachments };

const QString kImageData = QStringLiteral("<image data>");

TBEntryRendering& cacheOf(const TBEntry& entry)
{
    std::shared_ptr<TBEntryRendering>& cache = entry.renderingCache();
    if (!cache)
        cache = std::make_shared<TBEntryRendering>();
    return *cache;
}

TBRichText build(const TBEntry& entry, Variant variant, const TBRenderingContext& context)
{
    TBRichText text;
    const TBAttributeRegistry* registry = context.registry;
    const bool forPrinting = variant == Variant::ForPrinting;
    const QTextCharFormat& bold
        = forPrinting ? TBFonts::printBoldFontAttributes() : TBFonts::displayBoldFontAttributes();
    const QTextCharFormat& regular = forPrinting ? TBFonts::printFontAttributes() : TBFonts::displayFontAttributes();
    qint64 imageCount = 0;
    const QStringList& attributes = entry.attributes();
    for (qsizetype i = 0; i < attributes.size(); ++i) {
        const QString& attribute = attributes.at(i);
        QString label = attribute;
        if (variant == Variant::FriendlyInfo) {
            const QString friendly = registry ? registry->friendlyNameForAttribute(attribute.toLower()) : QString();
            if (!friendly.isEmpty())
                label = friendly;
        }
        const QList<TBValue> values = entry.valuesAtIndex(i);
        for (const TBValue& value : values) {
            if (variant == Variant::WithoutAttachments && value.isPicture()) {
                text.append(label + QStringLiteral(": "), bold);
                text.append(kImageData + QLatin1Char('\n'), regular);
                continue;
            }
            TBEntryRendering::appendValue(value, label, attribute, text, forPrinting, imageCount, context);
        }
        // A group too large for one answer: say that these are not all its members.
        const QString rangeNote = TBAttributeRangeNote(attribute, values.size());
        if (!rangeNote.isEmpty()) {
            text.append(label + QStringLiteral(": "), bold);
            text.append(QLatin1Char('(') + rangeNote + QStringLiteral(")\n"), regular);
        }
    }
    return text;
}

} // namespace

void TBEntryRendering::appendValue(const TBValue& value, const QString& label, const QString& attribute,
                                   TBRichText& info, bool forPrinting, qint64& imageCount,
                                   const TBRenderingContext& context)
{
    const QTextCharFormat& bold
        = forPrinting ? TBFonts::printBoldFontAttributes() : TBFonts::displayBoldFontAttributes();
    const QTextCharFormat& regular = forPrinting ? TBFonts::printFontAttributes() : TBFonts::displayFontAttributes();
    const TBAttributeRegistry* registry = context.registry;

    info.append(label + QStringLiteral(": "), bold);
    switch (value.kind()) {
    case TBValue::Text: {
        const QString text = value.text();
        if (registry && registry->isImageAttribute(attribute))
            info.append(kImageData + QLatin1Char('\n'), regular);
        else if (registry && context.dateStyle.interpret && registry->isADTimeAttribute(attribute))
            info.append(TBADAttributeTimestampToString(attribute, text, context.dateStyle) + QStringLiteral(" (") + text
                            + QStringLiteral(")\n"),
                        regular);
        else
            info.append(text + QLatin1Char('\n'), regular);
        break;
    }
    case TBValue::Picture: {
        const QImage image = value.picture().image();
        if (image.isNull()) {
            // The header looked like a picture but the data does not decode: nothing to show.
            info.append(kImageData + QLatin1Char('\n'), regular);
            break;
        }
        info.append(QStringLiteral("\n\n     "), regular);
        QString fileName;
        if (TBRichText::canEncodeJPEG())
            fileName = QStringLiteral("Photo_%1.jpg").arg(++imageCount);
        info.appendImage(image, fileName, regular);
        info.append(QStringLiteral("\n\n"), regular);
        break;
    }
    case TBValue::Bytes: {
        // AD's identifiers as admins read and paste them, beside the placeholder.
        const QString readable = TBADIdentifierToString(attribute, value.bytes());
        info.append(readable.isEmpty() ? QStringLiteral("<binary data>\n")
                                       : QStringLiteral("<binary data> ") + readable + QLatin1Char('\n'),
                    regular);
        break;
    }
    case TBValue::Null:
        info.append(QStringLiteral("<unknown data type>\n"), regular);
        break;
    }
}

const TBRichText& TBEntryRendering::info(const TBEntry& entry, const TBRenderingContext& context)
{
    TBEntryRendering& cache = cacheOf(entry);
    if (!cache.m_info)
        cache.m_info = build(entry, Variant::Info, context);
    return *cache.m_info;
}

const TBRichText& TBEntryRendering::friendlyInfo(const TBEntry& entry, const TBRenderingContext& context)
{
    TBEntryRendering& cache = cacheOf(entry);
    if (!cache.m_friendlyInfo)
        cache.m_friendlyInfo = build(entry, Variant::FriendlyInfo, context);
    return *cache.m_friendlyInfo;
}

const TBRichText& TBEntryRendering::infoForPrinting(const TBEntry& entry, const TBRenderingContext& context)
{
    TBEntryRendering& cache = cacheOf(entry);
    if (!cache.m_infoForPrinting)
        cache.m_infoForPrinting = build(entry, Variant::ForPrinting, context);
    return *cache.m_infoForPrinting;
}

const TBRichText& TBEntryRendering::infoWithoutAttachments(const TBEntry& entry, const TBRenderingContext& context)
{
    TBEntryRendering& cache = cacheOf(entry);
    if (!cache.m_infoWithoutAttachments)
        cache.m_infoWithoutAttachments = build(entry, Variant::WithoutAttachments, context);
    return *cache.m_infoWithoutAttachments;
}

QString TBEntryRendering::infoAsPlainText(const TBEntry& entry, const TBRenderingContext& context)
{
    return infoWithoutAttachments(entry, context).plainText();
}
