#pragma once

#include "TBEntry.h"
#include "TBRichText.h"

#include <QString>

#include <optional>

class TBAttributeRegistry;

// What the renderings read of the settings: the attribute registry (kinds and friendly names; no
// attribute is known when it is null) and how AD timestamps are shown.
struct TBRenderingContext
{
    const TBAttributeRegistry* registry = nullptr;
    TBADDateStyle dateStyle;
};

// The styled texts of an entry: one line per value, the attribute's label in bold, then the
// value; pictures embedded (named Photo_1.jpg, Photo_2.jpg, ... within each text), AD timestamps
// shown as dates while the context says so. Each variant is built on first request, on the main
// thread, with the context of that request, and kept with the entry; an entry does not change after
// parsing, so neither do they.
//
// This struct is the cache the entry holds; the static functions build and read it.
struct TBEntryRendering
{
    // Attribute names as labels, pictures embedded.
    static const TBRichText& info(const TBEntry& entry, const TBRenderingContext& context);
    // Friendly names (from the attribute registry) as labels.
    static const TBRichText& friendlyInfo(const TBEntry& entry, const TBRenderingContext& context);
    // info() in the print fonts.
    static const TBRichText& infoForPrinting(const TBEntry& entry, const TBRenderingContext& context);
    // info() with each picture replaced by the text "<image data>".
    static const TBRichText& infoWithoutAttachments(const TBEntry& entry, const TBRenderingContext& context);
    // The characters of infoWithoutAttachments().
    static QString infoAsPlainText(const TBEntry& entry, const TBRenderingContext& context);

    // Appends one value line. label is what is shown; attribute is the name whose kind decides
    // how the value reads. imageCount numbers the pictures of the text being built.
    static void appendValue(const TBValue& value, const QString& label, const QString& attribute, TBRichText& info,
                            bool forPrinting, qint64& imageCount, const TBRenderingContext& context);

    std::optional<TBRichText> m_info;
    std::optional<TBRichText> m_friendlyInfo;
    std::optional<TBRichText> m_infoForPrinting;
    std::optional<TBRichText> m_infoWithoutAttachments;
};
