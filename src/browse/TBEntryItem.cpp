#include "TBEntryItem.h"

#include "TBEntryRendering.h"
#include "TBFonts.h"
#include "TBPreferences.h"

#include <algorithm>

namespace {

const TBRichText& notFetchedInfo()
{
    static const TBRichText text = [] {
        TBRichText t;
        t.append(TBEntryItem::notFetchedText(), TBFonts::displayFontAttributes());
        return t;
    }();
    return text;
}

} // namespace

TBEntryItem::TBEntryItem(const QString& dn, const QString& name)
{
    if (dn.isNull()) {
        m_name = placeholderName();
        m_haveBrowsed = true;
        m_haveSearched = true;
        m_leaf = true;
    } else {
        m_dn = dn;
        m_name = name;
    }
}

TBEntryItem* TBEntryItem::makeChild(const QString& dn, const QString& name, TBEntryItem* parent)
{
    if (!parent || parent->isLeaf())
        return nullptr;
    auto item = std::make_unique<TBEntryItem>(dn, name);
    TBEntryItem* raw = item.get();
    parent->addChild(std::move(item));
    return raw;
}

TBEntryItem* TBEntryItem::childAtIndex(qsizetype index) const
{
    if (m_leaf || index < 0 || index >= qsizetype(m_children.size()))
        return nullptr;
    return m_children[size_t(index)].get();
}

void TBEntryItem::addChild(std::unique_ptr<TBEntryItem> child)
{
    if (m_leaf || !child)
        return;
    child->m_parent = this;
    child->m_row = int(m_children.size());
    m_children.push_back(std::move(child));
}

void TBEntryItem::addChildren(std::vector<std::unique_ptr<TBEntryItem>> children)
{
    if (m_leaf)
        return;
    m_children.reserve(m_children.size() + children.size());
    for (auto& child : children)
        addChild(std::move(child));
}

void TBEntryItem::sortChildren()
{
    std::stable_sort(m_children.begin(), m_children.end(),
                     [](const auto& a, const auto& b) { return a->m_name < b->m_name; });
    for (size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->m_row = int(i);
}

QString TBEntryItem::displayedName() const
{
    return m_leaf ? placeholderName() : m_name;
}

const TBRichText* TBEntryItem::info() const
{
    if (m_leaf)
        return nullptr;
    if (m_haveSearched && m_entry)
        return &TBEntryRendering::info(*m_entry, TBPreferences::sharedPreferences()->renderingContext());
    return &notFetchedInfo();
}

TBRichText TBEntryItem::infoWithoutAttachments() const
{
    if (m_haveSearched && m_entry)
        return TBEntryRendering::infoWithoutAttachments(*m_entry,
                                                        TBPreferences::sharedPreferences()->renderingContext());
    return notFetchedInfo();
}
