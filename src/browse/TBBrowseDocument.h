#pragma once

#include "TBDocument.h"

#include <memory>

class TBEntryItem;
class TBEntryItemTableController;
class TBOutlineView;

// The browse window: the directory as a tree that grows on demand, from its search base down.
// Expanding a node lists its children (one run of ldapsearch, one level); selecting a node reads
// it and shows its details. Runs go through the document base, one at a time.
class TBBrowseDocument : public TBDocument
{
    Q_OBJECT
public:
    explicit TBBrowseDocument(QWidget* parent = nullptr);
    ~TBBrowseDocument() override;

    TBEntryItem* rootEntryItem() const { return m_rootEntryItem.get(); }
    TBEntryItem* searchEntryItem() const { return m_searchEntryItem; }
    void setSearchEntryItem(TBEntryItem* item) { m_searchEntryItem = item; }
    TBEntryItemTableController* entryItemTableController() const { return m_entryItemTableController; }
    TBOutlineView* entryItemTable() const { return m_entryItemTable; }
    // The node of the selected row; null when none.
    TBEntryItem* selectedEntryItem() const;

    void selectCurrentDirectory() override;
    void changeDirectory(int index) override;
    // Drops the tree and starts a new one at the directory's search base.
    void updateRootEntryItem();

    bool canBrowse() const { return canRunCommand(); }
    bool canSearchOne() const { return canRunCommand(); }
    // Lists the children of searchEntryItem().
    void browse();
    // Reads searchEntryItem() itself.
    void searchOne();

    // Printing: the selected node's details or the output. Never all details: a tree has no
    // "all". The summary names the directory and the node.
    bool canPrintWhat(qint64 choice) const override;
    bool canPrintDocument() const override;
    void updateSummaryInfoForPrinting() override;
    void updateDetailsSelectedForPrinting() override;

    void updateDetailsText() override;
    QString draggedFileBaseName() const override;
    void searcherOperationFinished() override;

    // Room for eight rows.
    int subviewTopHeight() const override;
    void saveSubviewSizes() override;
    void restoreSubviewSizes() override;
    QVariantMap getDefaultOptions() const override;

    // Export of the selected node's details as plain text (0), RTF (1) or RTF with pictures (2).
    qint64 exportFileFormat() const { return m_exportFileFormat; }
    void setExportFileFormat(qint64 format) { m_exportFileFormat = format; }
    bool canExportEntries() const override;
    void exportEntries() override;
    // Writes the details in exportFileFormat(); on failure stores the deferred message.
    bool exportEntriesToPath(const QString& path);
    // The three formats can be chosen only when the node has a picture.
    bool selectedEntryHasPicture() const;

protected:
    QWidget* createTopSubView() override;
    void windowDidLoad() override;
    void commandSucceeded(const TBCommandPtr& command) override;

private:
    void browseCommandFinished();
    void searchOneCommandFinished();
    void runOn(const TBCommandPtr& command);

    std::unique_ptr<TBEntryItem> m_rootEntryItem;
    TBEntryItem* m_searchEntryItem = nullptr;
    TBEntryItemTableController* m_entryItemTableController = nullptr;
    TBOutlineView* m_entryItemTable = nullptr;
    qint64 m_exportFileFormat = 0;
    bool m_exportingEntries = false;
};
