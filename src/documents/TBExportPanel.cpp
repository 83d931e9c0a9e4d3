#include "TBExportPanel.h"

#include "TBExport.h"
#include "TBPreferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

struct Format
{
    qint64 tag;
    const char* title;
    const char* filter;
};

const Format kFormats[] = {
    {TBExportPlainText, "Plain Text", "Plain text (*.txt)"},
    {TBExportRTF, "Rich Text (RTF)", "Rich text (*.rtf)"},
    {TBExportRTFD, "Rich Text with Pictures (RTFD)", "Rich text with pictures (*.rtfd)"},
    {TBExportTabDelimited, "Tab-Delimited Text", "Tab-delimited text (*.txt)"},
    {TBExportCommaSeparated, "Comma-Separated Values (CSV)", "Comma-separated values (*.csv)"},
};

// The name without an extension one of the formats gives.
QString withoutFormatExtension(const QString& name)
{
    const QFileInfo info(name);
    const QString suffix = info.suffix().toLower();
    for (const char* extension : {"txt", "rtf", "rtfd", "csv"}) {
        if (suffix == QLatin1String(extension))
            return name.left(name.size() - suffix.size() - 1);
    }
    return name;
}

} // namespace

TBExportPanel::TBExportPanel(const TBEntryList& allEntries, const TBEntryList& selectedEntries, QWidget* parent)
    : QFileDialog(parent)
    , m_allEntries(allEntries)
    , m_selectedEntries(selectedEntries)
{
    setUp();
}

TBExportPanel::TBExportPanel(const TBEntryPtr& entry, QWidget* parent)
    : QFileDialog(parent)
    , m_browse(true)
{
    if (entry)
        m_allEntries.append(entry);
    m_selectedEntries = m_allEntries;
    setUp();
}

void TBExportPanel::setUp()
{
    setObjectName(QStringLiteral("savePanel"));
    setWindowTitle(m_browse ? tr("Export Entry") : tr("Export Entries"));
    setWindowModality(Qt::WindowModal);
    // Our own dialog, so that it can carry the format pop-up and the check boxes.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    setDirectory(QDir(documents).exists() ? documents : QDir::homePath());

    m_extrasView = new QWidget(this);
    m_extrasView->setObjectName(QStringLiteral("savePanelExtrasView"));
    m_formatPopUp = new QComboBox(this);
    m_formatPopUp->setObjectName(QStringLiteral("savePanelFileFormatPopup"));
    for (const Format& format : kFormats) {
        if (m_browse && TBExport::isDelimitedFormat(format.tag))
            continue;
        m_formatPopUp->addItem(tr(format.title), format.tag);
    }
    m_selectedRowsCheckbox = new QCheckBox(tr("Selected rows only"), m_extrasView);
    m_selectedRowsCheckbox->setObjectName(QStringLiteral("savePanelSelectedRowsCheckbox"));
    m_includeAttrNamesCheckbox = new QCheckBox(tr("Include attribute names"), m_extrasView);
    m_includeAttrNamesCheckbox->setObjectName(QStringLiteral("savePanelIncludeAttrNamesCheckbox"));
    m_visibleColumnsCheckbox = new QCheckBox(tr("Visible columns only"), m_extrasView);
    m_visibleColumnsCheckbox->setObjectName(QStringLiteral("savePanelVisibleColumnsCheckbox"));

    auto* boxes = new QVBoxLayout(m_extrasView);
    boxes->setContentsMargins(0, 2, 0, 0);
    boxes->setSpacing(4);
    for (QCheckBox* box : {m_selectedRowsCheckbox, m_includeAttrNamesCheckbox, m_visibleColumnsCheckbox}) {
        boxes->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this, box] { exportSavePanelControlChanged(box); });
    }
    m_extrasView->setVisible(!m_browse);
    connect(m_formatPopUp, &QComboBox::activated, this, [this] { exportSavePanelControlChanged(m_formatPopUp); });

    // The format pop-up takes the place of the file-type pop-up, which would only repeat it.
    auto* formatLabel = new QLabel(tr("Format:"), this);
    formatLabel->setBuddy(m_formatPopUp);
    auto* grid = qobject_cast<QGridLayout*>(layout());
    int row = grid ? grid->rowCount() : -1;
    if (auto* typeCombo = findChild<QWidget*>(QStringLiteral("fileTypeCombo"))) {
        if (grid && grid->indexOf(typeCombo) >= 0) {
            int column = 0, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(grid->indexOf(typeCombo), &row, &column, &rowSpan, &columnSpan);
        }
        typeCombo->hide();
    }
    if (auto* typeLabel = findChild<QWidget*>(QStringLiteral("fileTypeLabel")))
        typeLabel->hide();
    if (grid) {
        grid->addWidget(formatLabel, row, 0);
        grid->addWidget(m_formatPopUp, row, 1);
        grid->addWidget(m_extrasView, row + 1, 1);
    } else if (QLayout* existing = layout()) {
        // Not expected with our own dialog; keep the controls reachable all the same.
        existing->addWidget(formatLabel);
        existing->addWidget(m_formatPopUp);
        existing->addWidget(m_extrasView);
    }

    // Start from the remembered choices.
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    m_fileFormat = TBExport::validFileFormat(prefs->exportFileFormat());
    if (!m_browse) {
        m_selectedRowsOnly = prefs->exportSelectedRowsOnly();
        m_includeAttrNames = prefs->exportIncludeAttrNames();
        m_visibleColumnsOnly = prefs->exportVisibleColumnsOnly();
    }
    updateExportSavePanelUI();
    // Room for the places list and the file names next to it.
    resize(qMax(width(), 760), qMax(height(), 500));
    if (auto* split = findChild<QSplitter*>(QStringLiteral("splitter")))
        split->setSizes({170, 590});
}

// Choices

void TBExportPanel::setExportFileFormat(qint64 format)
{
    m_fileFormat = format;
    updateExportSavePanelUI();
}

void TBExportPanel::setExportSelectedRowsOnly(bool on)
{
    if (m_browse)
        return;
    m_selectedRowsOnly = on;
    updateExportSavePanelUI();
    setNameInField(m_selectedRowsOnly ? m_selName : m_allName);
}

void TBExportPanel::setExportIncludeAttrNames(bool on)
{
    m_includeAttrNames = on && !m_browse;
    updateExportSavePanelUI();
}

void TBExportPanel::setExportVisibleColumnsOnly(bool on)
{
    m_visibleColumnsOnly = on && !m_browse;
    updateExportSavePanelUI();
}

void TBExportPanel::exportSavePanelControlChanged(QObject* control)
{
    if (control == m_formatPopUp)
        setExportFileFormat(m_formatPopUp->currentData().toLongLong());
    else if (control == m_selectedRowsCheckbox)
        setExportSelectedRowsOnly(m_selectedRowsCheckbox->isChecked());
    else if (control == m_includeAttrNamesCheckbox)
        m_includeAttrNames = m_includeAttrNamesCheckbox->isChecked();
    else if (control == m_visibleColumnsCheckbox)
        m_visibleColumnsOnly = m_visibleColumnsCheckbox->isChecked();
}

bool TBExportPanel::picturesAvailable()
{
    // Each check is made once per panel: a large result takes a while to look through.
    std::optional<bool>& known = m_selectedRowsOnly ? m_selectedHasPhoto : m_allHasPhoto;
    if (!known)
        known = TBExport::anyEntryHasPhoto(m_selectedRowsOnly ? m_selectedEntries : m_allEntries);
    return *known;
}

QString TBExportPanel::safeFileName(const QString& name, const QString& fallback)
{
    QString safe = name;
    safe.replace(QLatin1Char('/'), QLatin1Char('-'));
    safe.remove(QChar(0));
    safe = safe.trimmed();
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String(".."))
        return fallback;
    return safe;
}

void TBExportPanel::updateExportSavePanelUI()
{
    const QString fallback = QStringLiteral("LDAP Entry");
    if (!m_browse) {
        const bool hasSelection = !m_selectedEntries.isEmpty();
        m_selectedRowsCheckbox->setEnabled(hasSelection);
        m_selectedRowsCheckbox->setToolTip(hasSelection ? QString() : QStringLiteral("(nothing selected)"));
        if (!hasSelection)
            m_selectedRowsOnly = false;
    }
    const bool firstCall = !m_namesMade;
    if (firstCall) {
        m_namesMade = true;
        if (m_browse) {
            m_allName = safeFileName(TBExport::suggestedFileName(m_allEntries.value(0)), fallback);
            m_selName = m_allName;
        } else {
            m_allName = safeFileName(TBExport::suggestedFileName(m_allEntries), fallback);
            m_selName = safeFileName(TBExport::suggestedFileName(m_selectedEntries), fallback);
        }
    }

    const bool pictures = picturesAvailable();
    m_fileFormat = TBExport::availableFileFormat(m_fileFormat, pictures, !m_browse);
    if (auto* model = qobject_cast<QStandardItemModel*>(m_formatPopUp->model())) {
        if (QStandardItem* item = model->item(m_formatPopUp->findData(qint64(TBExportRTFD))))
            item->setEnabled(pictures);
    }
    m_formatPopUp->setCurrentIndex(m_formatPopUp->findData(m_fileFormat));

    // Only the format's own extension.
    const QString extension = TBExport::fileExtension(m_fileFormat);
    for (const Format& format : kFormats) {
        if (format.tag == m_fileFormat)
            setNameFilter(tr(format.filter));
    }
    setDefaultSuffix(extension);
    setNameInField(firstCall ? (m_selectedRowsOnly ? m_selName : m_allName) : withoutFormatExtension(fileName()));

    const bool delimited = TBExport::isDelimitedFormat(m_fileFormat);
    m_includeAttrNamesCheckbox->setEnabled(delimited);
    m_visibleColumnsCheckbox->setEnabled(delimited);
    m_selectedRowsCheckbox->setChecked(m_selectedRowsOnly);
    m_includeAttrNamesCheckbox->setChecked(m_includeAttrNames);
    m_visibleColumnsCheckbox->setChecked(m_visibleColumnsOnly);
}

// File name

QString TBExportPanel::fileName() const
{
    if (const auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        return field->text();
    return QFileInfo(selectedFiles().value(0)).fileName();
}

void TBExportPanel::setFileName(const QString& name)
{
    // selectFile() leaves the field alone while it has the focus, which it has while the panel is up.
    if (auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        field->setText(name);
    else
        selectFile(name);
}

void TBExportPanel::setNameInField(const QString& baseName)
{
    const QString base = baseName.isEmpty() ? m_allName : baseName;
    setFileName(base + QLatin1Char('.') + TBExport::fileExtension(m_fileFormat));
}

QString TBExportPanel::exportPath() const
{
    QString path = selectedFiles().value(0);
    if (path.isEmpty() || QFileInfo(path).fileName().isEmpty())
        return QString();
    const QString extension = TBExport::fileExtension(m_fileFormat);
    if (QFileInfo(path).suffix().compare(extension, Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + extension;
    return path;
}

void TBExportPanel::accept()
{
    // The name gets the format's extension before the dialog checks whether it would overwrite.
    const QString typed = fileName();
    const QString extension = TBExport::fileExtension(m_fileFormat);
    if (!typed.isEmpty() && QFileInfo(typed).suffix().compare(extension, Qt::CaseInsensitive) != 0)
        setFileName(typed + QLatin1Char('.') + extension);
    QFileDialog::accept();
}

void TBExportPanel::done(int result)
{
    // Confirmed choices become the remembered ones; a cancelled panel changes nothing.
    if (result == QDialog::Accepted) {
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        prefs->setExportFileFormat(m_fileFormat);
        if (!m_browse) {
            prefs->setExportSelectedRowsOnly(m_selectedRowsOnly);
            prefs->setExportIncludeAttrNames(m_includeAttrNames);
            prefs->setExportVisibleColumnsOnly(m_visibleColumnsOnly);
        }
    }
    QFileDialog::done(result);
}
