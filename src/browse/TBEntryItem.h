#pragma once

#include "TBEntry.h"
#include "TBRichText.h"

#include <QString>

#include <memory>
#include <vector>

// One node of the browse tree: a DN, the short name it is shown under, and what has been fetched
// for it (its children, its own entry). The placeholder node, shown as a gray "n/a", stands
// under a node whose listing found no children; it is the only node without a children list, so
// every real node can be expanded and the placeholder cannot.
//
// A node owns its children; a child knows its parent by a plain pointer.
class TBEntryItem
{
public:
    // A real node when dn is not null, else the placeholder (name and dn then ignored).
    TBEntryItem(const QString& dn, const QString& name);
    static std::unique_ptr<TBEntryItem> placeholder() { return std::make_unique<TBEntryItem>(QString(), QString()); }
    TBEntryItem(const TBEntryItem&) = delete;
    TBEntryItem& operator=(const TBEntryItem&) = delete;

    // Makes a node and appends it to parent; null (nothing made) when parent is null or a leaf.
    // A root is made with std::make_unique.
    static TBEntryItem* makeChild(const QString& dn, const QString& name, TBEntryItem* parent);

    QString dn() const { return m_dn; }
    QString name() const { return m_name; }
    TBEntryPtr entry() const { return m_entry; }
    void setEntry(const TBEntryPtr& entry) { m_entry = entry; }
    bool haveBrowsed() const { return m_haveBrowsed; }
    void setHaveBrowsed(bool v) { m_haveBrowsed = v; }
    bool haveSearched() const { return m_haveSearched; }
    void setHaveSearched(bool v) { m_haveSearched = v; }
    TBEntryItem* parent() const { return m_parent; }
    // Position among the parent's children (0 for the root).
    int row() const { return m_row; }

    bool isLeaf() const { return m_leaf; }
    bool isPlaceholder() const { return m_leaf; }
    // -1 for a leaf.
    qsizetype numberOfChildren() const { return m_leaf ? -1 : qsizetype(m_children.size()); }
    // Null when there is no such child.
    TBEntryItem* childAtIndex(qsizetype index) const;
    // Appends child and takes it; a leaf drops it.
    void addChild(std::unique_ptr<TBEntryItem> child);
    // Many at once, so a large listing costs one pass.
    void addChildren(std::vector<std::unique_ptr<TBEntryItem>> children);
    // By name, plain code-unit order (so "B" < "a" < "b").
    void sortChildren();

    // The text the tree shows: the name, or "n/a" for the placeholder (drawn gray).
    QString displayedName() const;
    // The details: null for the placeholder; the entry's rendering when read; otherwise the
    // text "Info not fetched?".
    const TBRichText* info() const;
    // The same without pictures; "Info not fetched?" also for the placeholder.
    TBRichText infoWithoutAttachments() const;

    static QString placeholderName() { return QStringLiteral("n/a"); }
    static QString notFetchedText() { return QStringLiteral("Info not fetched?"); }

private:
    QString m_dn;
    QString m_name;
    TBEntryPtr m_entry;
    bool m_haveBrowsed = false;
    bool m_haveSearched = false;
    bool m_leaf = false;
    TBEntryItem* m_parent = nullptr;
    int m_row = 0;
    std::vector<std::unique_ptr<TBEntryItem>> m_children;
};
