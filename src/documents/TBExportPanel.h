#pragma once

#include "TBEntry.h"

#include <QFileDialog>
#include <optional>

class QCheckBox;
class QComboBox;

// The save panel of an entry export: the file dialog with the format pop-up and, in the search
// window, three check boxes (selected rows only, include attribute names, visible columns only).
// It starts from the remembered choices, suggests a file name, offers rich text with pictures
// only when an exported entry has one, allows only the format's extension, and stores the choices
// as the remembered ones when the user confirms. The caller writes the file (see exportPath()).
//
// Open it with open() (window-modal) and act on finished(QDialog::Accepted).
class TBExportPanel : public QFileDialog
{
    Q_OBJECT
public:
    // The search window's panel over all result rows and the selected ones.
    TBExportPanel(const TBEntryList& allEntries, const TBEntryList& selectedEntries, QWidget* parent = nullptr);
    // The browse window's panel over its one entry: formats 0 to 2, no check boxes.
    TBExportPanel(const TBEntryPtr& entry, QWidget* parent = nullptr);

    bool isBrowsePanel() const { return m_browse; }

    // The choices, as shown. Setting one acts as the user choosing it in the panel.
    qint64 exportFileFormat() const { return m_fileFormat; }
    void setExportFileFormat(qint64 format);
    bool exportSelectedRowsOnly() const { return m_selectedRowsOnly; }
    void setExportSelectedRowsOnly(bool on);
    bool exportIncludeAttrNames() const { return m_includeAttrNames; }
    void setExportIncludeAttrNames(bool on);
    bool exportVisibleColumnsOnly() const { return m_visibleColumnsOnly; }
    void setExportVisibleColumnsOnly(bool on);

    // The suggested file names (without extension) for all rows and for the selected ones.
    QString exportAllName() const { return m_allName; }
    QString exportSelName() const { return m_selName; }
    // The file to write: the chosen one, with the format's extension.
    QString exportPath() const;
    // The file name as shown in the name field, and setting it as if typed.
    QString fileName() const;
    void setFileName(const QString& name);

    void updateExportSavePanelUI();

    QWidget* savePanelExtrasView() const { return m_extrasView; }
    QComboBox* savePanelFileFormatPopup() const { return m_formatPopUp; }
    QCheckBox* savePanelSelectedRowsCheckbox() const { return m_selectedRowsCheckbox; }
    QCheckBox* savePanelIncludeAttrNamesCheckbox() const { return m_includeAttrNamesCheckbox; }
    QCheckBox* savePanelVisibleColumnsCheckbox() const { return m_visibleColumnsCheckbox; }

    // A name a file can have: no folder separators, never empty.
    static QString safeFileName(const QString& name, const QString& fallback);

public Q_SLOTS:
    void accept() override;
    void done(int result) override;

private:
    void setUp();
    void exportSavePanelControlChanged(QObject* control);
    bool picturesAvailable();
    void setNameInField(const QString& baseName);

    TBEntryList m_allEntries;
    TBEntryList m_selectedEntries;
    bool m_browse = false;

    qint64 m_fileFormat = 0;
    bool m_selectedRowsOnly = false;
    bool m_includeAttrNames = false;
    bool m_visibleColumnsOnly = false;

    bool m_namesMade = false;
    QString m_allName;
    QString m_selName;
    std::optional<bool> m_allHasPhoto;
    std::optional<bool> m_selectedHasPhoto;

    QWidget* m_extrasView = nullptr;
    QComboBox* m_formatPopUp = nullptr;
    QCheckBox* m_selectedRowsCheckbox = nullptr;
    QCheckBox* m_includeAttrNamesCheckbox = nullptr;
    QCheckBox* m_visibleColumnsCheckbox = nullptr;
};
