#include "TBPrefsController.h"

#include "TBDirectoryTableController.h"
#include "TBEditDirectorySheet.h"
#include "TBNotificationCenter.h"
#include "TBNumberFormatter.h"
#include "TBPreferences.h"
#include "TBPropertyList.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>
#include <limits>

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kDirectories = QStringLiteral("Directories");
const QString kAttributes = QStringLiteral("Attributes");
const QString kChangedPref = QStringLiteral("changedPref");
const QString kDirectoryID = QStringLiteral("DirectoryID");
const QString kCurrentDirectoryID = QStringLiteral("CurrentDirectoryID");
const QString kUniqueNameHint = QStringLiteral("Please enter a unique name for this directory.");

TBPreferences* prefs()
{
    return TBPreferences::sharedPreferences();
}

QPointer<TBPrefsController> s_sharedController;

} // namespace

// One number field of the General tab: its range and store property.
struct TBPrefsController::NumberField
{
    QLineEdit* field;
    qint64 minimum;
    qint64 maximum;
    void (TBPreferences::*set)(qint64);
};

TBPrefsController::ModifierSource TBPrefsController::s_modifierSource;

void TBPrefsController::showPreferencesWindow()
{
    if (!s_sharedController) {
        s_sharedController = new TBPrefsController;
        // Closing only hides the window; it goes when the application quits, after committing.
        if (QCoreApplication* app = QCoreApplication::instance())
            connect(app, &QCoreApplication::aboutToQuit, s_sharedController.data(), &QObject::deleteLater);
    }
    s_sharedController->show();
    s_sharedController->raise();
    s_sharedController->activateWindow();
}

TBPrefsController* TBPrefsController::existingController()
{
    return s_sharedController.data();
}

void TBPrefsController::setModifierSource(ModifierSource source)
{
    s_modifierSource = std::move(source);
}

Qt::KeyboardModifiers TBPrefsController::currentModifiers() const
{
    return s_modifierSource ? s_modifierSource() : QGuiApplication::queryKeyboardModifiers();
}

TBPrefsController::TBPrefsController(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(tr("Preferences"));
    setContextMenuPolicy(Qt::PreventContextMenu); // the toolbar is not customisable

    m_prefsTabView = new QStackedWidget(this);
    m_prefsTabView->setObjectName(QStringLiteral("prefsTabView"));
    m_prefsTabView->addWidget(buildGeneralTab());
    m_prefsTabView->addWidget(buildDirectoriesTab());
    m_prefsTabView->addWidget(buildAttributesTab());
    setCentralWidget(m_prefsTabView);
    buildToolbar();

    loadGeneralControls();
    awakeDirectories();
    validateTextField(nullptr, false); // out-of-range stored values show clamped

    QString tab = prefs()->prefToolbar();
    if (!TBPreferences::toolbarIdentifiers().contains(tab))
        tab = kGeneral;
    if (QAction* item = toolbarItem(tab))
        item->setChecked(true);
    if (QWidget* page = m_prefsTabView->findChild<QWidget*>(tab, Qt::FindDirectChildrenOnly))
        m_prefsTabView->setCurrentWidget(page);

    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { validateTextField(nullptr, true); });
    resize(620, 440);
}

TBPrefsController::~TBPrefsController() = default;

// ---------------------------------------------------------------- window and toolbar

void TBPrefsController::buildToolbar()
{
    m_toolbar = addToolBar(tr("Preferences"));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbarGroup = new QActionGroup(this);
    m_toolbarGroup->setExclusive(true);

    const QList<std::pair<QString, QStyle::StandardPixmap>> items {
        {kGeneral, QStyle::SP_FileDialogDetailedView},
        {kDirectories, QStyle::SP_DirIcon},
        {kAttributes, QStyle::SP_FileDialogListView},
    };
    const QStringList labels {tr("General"), tr("Directories"), tr("Attributes")};
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString identifier = items.at(i).first;
        QAction* item = m_toolbar->addAction(style()->standardIcon(items.at(i).second), labels.at(i));
        item->setObjectName(identifier + QStringLiteral("ToolbarItem"));
        item->setData(identifier);
        item->setCheckable(true);
        m_toolbarGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, identifier] { toolbarClicked(identifier); });
    }
}

QAction* TBPrefsController::toolbarItem(const QString& identifier) const
{
    for (QAction* item : m_toolbarGroup->actions()) {
        if (item->data().toString() == identifier)
            return item;
    }
    return nullptr;
}

void TBPrefsController::toolbarClicked(const QString& identifier)
{
    QWidget* page = m_prefsTabView->findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly);
    if (!page || !TBPreferences::toolbarIdentifiers().contains(identifier))
        return;
    m_prefsTabView->setCurrentWidget(page);
    if (QAction* item = toolbarItem(identifier))
        item->setChecked(true);
    prefs()->setPrefToolbar(identifier);
    savePreferences();
}

QString TBPrefsController::currentTab() const
{
    return m_prefsTabView->currentWidget() ? m_prefsTabView->currentWidget()->objectName() : QString();
}

void TBPrefsController::closeEvent(QCloseEvent* event)
{
    validateTextField(nullptr, true);
    QMainWindow::closeEvent(event);
}

void TBPrefsController::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        validateTextField(nullptr, true);
    QMainWindow::changeEvent(event);
}

void TBPrefsController::savePreferences()
{
    TBPreferences* p = prefs();
    p->savePrefs();
}

// ---------------------------------------------------------------- General tab

QCheckBox* TBPrefsController::addCheckbox(const QString& name, const QString& title)
{
    auto* box = new QCheckBox(title);
    box->setObjectName(name);
    connect(box, &QCheckBox::clicked, this, [this, box] { controlValueChanged(box); });
    return box;
}

QWidget* TBPrefsController::buildGeneralTab()
{
    auto* page = new QWidget;
    page->setObjectName(kGeneral);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFormAlignment(Qt::AlignHCenter | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setVerticalSpacing(8);

    m_fetchAttributesPopUp = new QComboBox;
    m_fetchAttributesPopUp->setObjectName(QStringLiteral("fetchAttributesPopUp"));
    // In the order of the fetch choices 0 to 4.
    m_fetchAttributesPopUp->addItems({tr("All user attributes"), tr("Searched and basic attributes"),
                                      tr("Operational attributes only"), tr("All user and operational attributes"),
                                      tr("No attributes (names only)")});
    connect(m_fetchAttributesPopUp, &QComboBox::activated, this,
            [this] { controlValueChanged(m_fetchAttributesPopUp); });

    auto numberField = [this](const QString& name) {
        auto* field = new QLineEdit;
        field->setObjectName(name);
        field->setValidator(new TBNumberFormatter(field));
        field->setAlignment(Qt::AlignRight);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-000000")) + 16);
        connect(field, &QLineEdit::editingFinished, this, [this, field] {
            validateTextField(field, false);
            controlValueChanged(field);
        });
        return field;
    };
    auto withNote = [](QWidget* field, const QString& note) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        row->addWidget(field);
        auto* label = new QLabel(note);
        label->setEnabled(false);
        row->addWidget(label);
        row->addStretch();
        return row;
    };
    auto column = [](std::initializer_list<QWidget*> widgets) {
        auto* box = new QVBoxLayout;
        box->setSpacing(4);
        for (QWidget* w : widgets)
            box->addWidget(w);
        return box;
    };

    m_maxHitsTextField = numberField(QStringLiteral("maxHitsTextField"));
    m_timeLimitTextField = numberField(QStringLiteral("timeLimitTextField"));
    m_connectTimeoutTextField = numberField(QStringLiteral("connectTimeoutTextField"));
    m_debugLevelTextField = numberField(QStringLiteral("debugLevelTextField"));

    m_showFriendlyAttrsCheckbox
        = addCheckbox(QStringLiteral("showFriendlyAttrsCheckbox"), tr("Show friendly attribute names"));
    m_decodeBase64Checkbox = addCheckbox(QStringLiteral("decodeBase64Checkbox"), tr("Decode Base64 values"));
    m_discardOutputCheckbox = addCheckbox(QStringLiteral("discardOutputCheckbox"), tr("Discard command output text"));
    m_enableDebugCheckbox = addCheckbox(QStringLiteral("enableDebugCheckbox"), tr("Enable debugging, level:"));
    m_autoAddDiscoverdAttributesCheckbox = addCheckbox(QStringLiteral("autoAddDiscoverdAttributesCheckbox"),
                                                       tr("Add discovered attributes to the preferences"));
    m_attributeColumnsAutoDisplayCheckbox = addCheckbox(QStringLiteral("attributeColumnsAutoDisplayCheckbox"),
                                                        tr("Show columns for discovered attributes"));

    form->addRow(tr("Fetch:"), m_fetchAttributesPopUp);
    form->addRow(tr("Maximum hits:"), withNote(m_maxHitsTextField, tr("-1 to 999 (-1: no limit)")));
    form->addRow(tr("Time limit:"), withNote(m_timeLimitTextField, tr("seconds, -1 to 60 (-1: no limit)")));
    form->addRow(tr("Connect timeout:"), withNote(m_connectTimeoutTextField, tr("seconds, 0 to 75 (0: none)")));
    form->addRow(tr("Display:"), column({m_showFriendlyAttrsCheckbox}));
    form->addRow(tr("Results:"), column({m_decodeBase64Checkbox, m_discardOutputCheckbox}));
    auto* debugRow = new QHBoxLayout;
    debugRow->addWidget(m_enableDebugCheckbox);
    debugRow->addWidget(m_debugLevelTextField);
    debugRow->addStretch();
    form->addRow(tr("Tools:"), debugRow);
    form->addRow(tr("Attributes:"),
                 column({m_autoAddDiscoverdAttributesCheckbox, m_attributeColumnsAutoDisplayCheckbox}));

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

void TBPrefsController::loadGeneralControls()
{
    const TBPreferences* p = prefs();
    const qint64 fetch = p->fetchWhichAttrs();
    m_fetchAttributesPopUp->setCurrentIndex(fetch >= 0 && fetch < m_fetchAttributesPopUp->count() ? int(fetch) : -1);
    m_maxHitsTextField->setText(TBNumberFormatter::stringForObjectValue(p->maxHits()));
    m_timeLimitTextField->setText(TBNumberFormatter::stringForObjectValue(p->timeLimit()));
    m_connectTimeoutTextField->setText(TBNumberFormatter::stringForObjectValue(p->connectTimeout()));
    m_debugLevelTextField->setText(TBNumberFormatter::stringForObjectValue(p->debugLevel()));
    m_showFriendlyAttrsCheckbox->setChecked(p->showFriendlyAttrs());
    m_decodeBase64Checkbox->setChecked(p->decodeBase64());
    m_discardOutputCheckbox->setChecked(p->discardOutput());
    m_enableDebugCheckbox->setChecked(p->enableDebug());
    m_debugLevelTextField->setEnabled(p->enableDebug());
    m_autoAddDiscoverdAttributesCheckbox->setChecked(p->autoAddDiscoveredAttributes());
    m_attributeColumnsAutoDisplayCheckbox->setChecked(p->autoDisplayAttributeColumns());
}

qint64 TBPrefsController::integerValue(const QString& text)
{
    const QString t = text.trimmed();
    const bool negative = t.startsWith(QLatin1Char('-'));
    const QStringView digits = QStringView(t).mid(negative ? 1 : 0);
    if (digits.isEmpty())
        return 0;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        const int d = c.unicode() - u'0';
        // Saturate, so a huge number still clamps to the top of its range.
        if (value > (std::numeric_limits<qint64>::max() - d) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        value = value * 10 + d;
    }
    return negative ? -value : value;
}

void TBPrefsController::controlValueChanged(QObject* sender)
{
    TBPreferences* p = prefs();
    QString key;
    auto checked = [](const QCheckBox* box) { return box->checkState() == Qt::Checked; };

    if (sender == m_fetchAttributesPopUp) {
        if (m_fetchAttributesPopUp->currentIndex() < 0)
            return;
        p->setFetchWhichAttrs(m_fetchAttributesPopUp->currentIndex());
        key = QStringLiteral("FetchWhichAttrs");
    } else if (sender == m_maxHitsTextField) {
        p->setMaxHits(integerValue(m_maxHitsTextField->text()));
        key = QStringLiteral("MaxHits");
    } else if (sender == m_timeLimitTextField) {
        p->setTimeLimit(integerValue(m_timeLimitTextField->text()));
        key = QStringLiteral("TimeLimit");
    } else if (sender == m_connectTimeoutTextField) {
        p->setConnectTimeout(integerValue(m_connectTimeoutTextField->text()));
        key = QStringLiteral("ConnectTimeout");
    } else if (sender == m_debugLevelTextField) {
        p->setDebugLevel(integerValue(m_debugLevelTextField->text()));
        key = QStringLiteral("DebugLevel");
    } else if (sender == m_showFriendlyAttrsCheckbox) {
        p->setShowFriendlyAttrs(checked(m_showFriendlyAttrsCheckbox));
        key = QStringLiteral("ShowFriendlyAttrs");
    } else if (sender == m_decodeBase64Checkbox) {
        p->setDecodeBase64(checked(m_decodeBase64Checkbox));
        key = QStringLiteral("DecodeBase64");
    } else if (sender == m_discardOutputCheckbox) {
        p->setDiscardOutput(checked(m_discardOutputCheckbox));
        key = QStringLiteral("DiscardOutput");
    } else if (sender == m_enableDebugCheckbox) {
        const bool on = checked(m_enableDebugCheckbox);
        p->setEnableDebug(on);
        key = QStringLiteral("EnableDebug");
        // The level is kept while debugging is off; it only stops being passed to the tools.
        m_debugLevelTextField->setEnabled(on);
        if (on) {
            m_debugLevelTextField->setFocus();
            m_debugLevelTextField->selectAll();
        }
    } else if (sender == m_autoAddDiscoverdAttributesCheckbox) {
        p->setAutoAddDiscoveredAttributes(checked(m_autoAddDiscoverdAttributesCheckbox));
        key = QStringLiteral("AutoAddDiscoveredAttributes");
    } else if (sender == m_attributeColumnsAutoDisplayCheckbox) {
        p->setAutoDisplayAttributeColumns(checked(m_attributeColumnsAutoDisplayCheckbox));
        key = QStringLiteral("AutoDisplayAttributeColumns");
    } else {
        return;
    }
    savePreferences();
    postPrefsChanged(key);
}

void TBPrefsController::postPrefsChanged(const QString& changedPref)
{
    if (changedPref.isEmpty())
        TBNotificationCenter::defaultCenter()->post(TBPrefsHaveChangedNotification, this);
    else
        TBNotificationCenter::defaultCenter()->post(TBPrefsHaveChangedNotification, nullptr,
                                                    {{kChangedPref, changedPref}});
}

void TBPrefsController::validateTextField(QLineEdit* field, bool updatePrefs)
{
    const NumberField fields[] = {
        {m_maxHitsTextField, -1, 999, &TBPreferences::setMaxHits},
        {m_timeLimitTextField, -1, 60, &TBPreferences::setTimeLimit},
        {m_connectTimeoutTextField, 0, 75, &TBPreferences::setConnectTimeout},
        {m_debugLevelTextField, -1, 65536, &TBPreferences::setDebugLevel},
    };
    TBPreferences* p = prefs();
    for (const NumberField& f : fields) {
        if (field && field != f.field)
            continue;
        const qint64 value = std::clamp(integerValue(f.field->text()), f.minimum, f.maximum);
        const QString shown = QString::number(value);
        if (f.field->text() != shown)
            f.field->setText(shown);
        if (updatePrefs)
            (p->*f.set)(value);
    }
    if (updatePrefs) {
        savePreferences();
        postPrefsChanged(QString());
    }
}

// ---------------------------------------------------------------- Attributes tab

QWidget* TBPrefsController::buildAttributesTab()
{
    auto* page = new QWidget;
    page->setObjectName(kAttributes);
    new QVBoxLayout(page);
    return page;
}

// ---------------------------------------------------------------- Directories tab

QWidget* TBPrefsController::buildDirectoriesTab()
{
    auto* page = new QWidget;
    page->setObjectName(kDirectories);

    auto* hint = new QLabel(tr("Every window lists the directories in this order. Drag a row to move it."));
    hint->setWordWrap(true);

    m_directoriesTable = new QTableView;
    m_directoriesTable->setObjectName(QStringLiteral("directoriesTable"));
    m_directoryTableController = new TBDirectoryTableController(this);
    m_directoryTableController->setObjectName(QStringLiteral("directoryTableController"));
    m_directoryTableController->setDirectoriesTable(m_directoriesTable);

    auto button = [this](const QString& name, const QString& title, void (TBPrefsController::*action)()) {
        auto* b = new QPushButton(title);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        return b;
    };
    m_directoryAddButton = button(QStringLiteral("directoryAddButton"), tr("Add…"), &TBPrefsController::addDirectory);
    m_directoryAddButton->setToolTip(tr("Add a directory. Hold Alt to duplicate the selected one."));
    m_directoryEdtButton = new QPushButton(tr("Edit…"));
    m_directoryEdtButton->setObjectName(QStringLiteral("directoryEdtButton"));
    m_directoryEdtButton->setAutoDefault(false);
    connect(m_directoryEdtButton, &QPushButton::clicked, this, [this] { edtDirectory(m_directoryEdtButton); });
    m_directoryDelButton = button(QStringLiteral("directoryDelButton"), tr("Delete"), &TBPrefsController::delDirectory);
    m_directoryDelButton->setToolTip(tr("Delete the selected directories. Hold Alt to skip the question."));
    m_importDirectoriesButton
        = button(QStringLiteral("importDirectoriesButton"), tr("Import…"), &TBPrefsController::importDirectories);
    m_exportDirectoriesButton
        = button(QStringLiteral("exportDirectoriesButton"), tr("Export…"), &TBPrefsController::exportDirectories);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_directoryAddButton);
    buttons->addWidget(m_directoryEdtButton);
    buttons->addWidget(m_directoryDelButton);
    buttons->addStretch();
    buttons->addWidget(m_importDirectoriesButton);
    buttons->addWidget(m_exportDirectoriesButton);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(hint);
    layout->addWidget(m_directoriesTable, 1);
    layout->addLayout(buttons);
    return page;
}

void TBPrefsController::awakeDirectories()
{
    m_editingDirectory.reset();
    m_editingDirectoryID = -2;
    m_exportingDirectories = false;
    connect(m_directoriesTable, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_clickedRow = index.row();
        edtDirectory(m_directoriesTable);
        m_clickedRow = -1;
    });
    connect(m_directoriesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TBPrefsController::updateDirectoryButtons);
    m_directoryTableController->reloadData();
    if (!prefs()->directories().isEmpty()) {
        const qsizetype row = prefs()->directoryIndexWithID(prefs()->currentDirectoryID());
        selectDirectoryRow(row < 0 ? 0 : row);
    }
    updateDirectoryButtons();
    TBNotificationCenter::defaultCenter()->addObserver(
        this, TBPrefsDirectoriesDeletedNotification,
        [this](const TBNotification&) { prefsDirectoriesDeletedNotification(); });
}

void TBPrefsController::selectDirectoryRow(qsizetype row)
{
    if (row < 0 || row >= m_directoryTableController->rowCount())
        return;
    m_directoriesTable->selectRow(int(row));
    m_directoriesTable->scrollTo(m_directoryTableController->index(int(row), 0));
}

QList<int> TBPrefsController::selectedDirectoryRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_directoriesTable->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TBPrefsController::updateDirectoryButtons()
{
    const qsizetype selected = selectedDirectoryRows().size();
    m_directoryAddButton->setEnabled(true);
    m_importDirectoriesButton->setEnabled(true);
    m_directoryDelButton->setEnabled(selected > 0);
    m_directoryEdtButton->setEnabled(selected == 1);
    m_exportDirectoriesButton->setEnabled(!prefs()->directories().isEmpty());
}

void TBPrefsController::addDirectory()
{
    if (m_editingDirectory)
        return; // the sheet is already up
    const QList<int> rows = selectedDirectoryRows();
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    if (rows.size() == 1 && (currentModifiers() & Qt::AltModifier) && list.at(rows.first())) {
        const TBDirectoryPtr original = list.at(rows.first());
        m_editingDirectory = TBDirectory::directoryWithDirectory(*original);
        m_editingDirectory->setDirectoryName(QStringLiteral("Copy of %1").arg(original->directoryName()));
        m_editingDirectory->updateDirectoryID(list);
    } else {
        m_editingDirectory = TBDirectory::directory(list);
    }
    m_editingDirectoryID = -2;
    openEditSheet();
}

void TBPrefsController::edtDirectory(QObject* sender)
{
    if (m_editingDirectory)
        return;
    int row = -1;
    if (sender == m_directoriesTable) {
        row = m_clickedRow;
    } else if (sender == m_directoryEdtButton || sender == m_directoryTableController) {
        const QList<int> rows = selectedDirectoryRows();
        const int current = m_directoriesTable->currentIndex().row();
        row = rows.contains(current) ? current : (rows.isEmpty() ? -1 : rows.last());
    } else {
        return;
    }
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    if (row < 0 || row >= list.size() || !list.at(row))
        return;
    m_editingDirectory = TBDirectory::directoryWithDirectory(*list.at(row));
    m_editingDirectoryID = qint64(m_editingDirectory->directoryID());
    openEditSheet();
}

void TBPrefsController::openEditSheet()
{
    if (!m_editDirectorySheet) {
        m_editDirectorySheet = new TBEditDirectorySheet(this);
        connect(m_editDirectorySheet, &TBEditDirectorySheet::okClicked, this, &TBPrefsController::editDirectoryOK);
        connect(m_editDirectorySheet, &QDialog::rejected, this, &TBPrefsController::editDirectoryCancel);
    }
    m_editDirectorySheet->updateEditDirectoryUI(*m_editingDirectory);
    m_editDirectorySheet->open();
}

bool TBPrefsController::directoryNameIsUnique(const QString& name, qint64 ignoringID) const
{
    for (const TBDirectoryPtr& directory : prefs()->directories()) {
        if (directory && qint64(directory->directoryID()) != ignoringID && directory->directoryName() == name)
            return false;
    }
    return true;
}

bool TBPrefsController::directoryInfoValid()
{
    TBEditDirectorySheet* sheet = m_editDirectorySheet;
    auto refuse = [this, sheet](QLineEdit* field, const QString& text, const QString& informative) {
        sheet->focusServerField(field);
        alert(sheet, false, text, informative)->open();
        return false;
    };
    const QString name = sheet->editDirectoryNameTextField()->text();
    if (name.isEmpty())
        return refuse(sheet->editDirectoryNameTextField(), QStringLiteral("\"Directory Name\" value is missing."),
                      kUniqueNameHint);
    if (!directoryNameIsUnique(name, m_editingDirectoryID))
        return refuse(sheet->editDirectoryNameTextField(),
                      QStringLiteral("There is already a directory named \"%1\".").arg(name), kUniqueNameHint);
    const QString uri = sheet->editDirectoryLDAPURITextField()->text();
    if (uri.isEmpty() || uri == QStringLiteral("ldap://"))
        return refuse(sheet->editDirectoryLDAPURITextField(), QStringLiteral("\"LDAP URI\" value is missing."),
                      QStringLiteral("Please specify the LDAP URI for this directory.\n"
                                     "(for example ldap://ldap.example.com:389)"));
    return true;
}

void TBPrefsController::editDirectoryOK()
{
    if (!m_editingDirectory || !m_editDirectorySheet || !directoryInfoValid())
        return;
    TBPreferences* p = prefs();
    m_editDirectorySheet->storeInto(*m_editingDirectory);

    const qint64 savedID = qint64(m_editingDirectory->directoryID());
    if (p->currentDirectoryID() == 0) {
        p->setCurrentDirectoryID(savedID);
        if (p->store())
            p->store()->setInteger(savedID, kCurrentDirectoryID);
    }
    // The store saves the list and announces the change.
    const qsizetype index = p->directoryIndexWithID(m_editingDirectoryID);
    if (index < 0)
        p->addDirectory(m_editingDirectory, this);
    else
        p->replaceDirectoryAtIndex(index, m_editingDirectory, this);

    m_editDirectorySheet->done(QDialog::Accepted);
    m_directoriesTable->setFocus();
    m_directoriesTable->clearSelection();
    m_directoryTableController->reloadData();
    selectDirectoryRow(p->directoryIndexWithID(savedID));
    updateDirectoryButtons();

    m_editingDirectory.reset();
    m_editingDirectoryID = -2;
}

void TBPrefsController::editDirectoryCancel()
{
    if (m_editDirectorySheet && m_editDirectorySheet->isVisible())
        m_editDirectorySheet->done(QDialog::Rejected);
    m_editingDirectory.reset();
    m_editingDirectoryID = -2;
}

QMessageBox* TBPrefsController::alert(QWidget* parent, bool critical, const QString& text, const QString& informative)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("alert"));
    box->setIcon(critical ? QMessageBox::Critical : QMessageBox::Warning);
    box->setWindowTitle(QGuiApplication::applicationDisplayName());
    box->setText(text);
    box->setInformativeText(informative);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Wide enough that the informative text does not wrap into a narrow column.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(380, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    return box;
}

void TBPrefsController::delDirectory()
{
    const QList<int> rows = selectedDirectoryRows();
    if (rows.isEmpty())
        return;
    if (currentModifiers() & Qt::AltModifier) {
        deleteDirectoriesAtRows(rows);
        return;
    }
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    const QString informative = rows.size() == 1 && list.at(rows.first())
        ? QStringLiteral("Are you sure you want to delete the directory \"%1\"?")
              .arg(list.at(rows.first())->directoryName())
        : QStringLiteral("Are you sure you want to delete the selected directories?");
    QMessageBox* box = alert(this, true, QStringLiteral("Really delete?"), informative);
    QPushButton* deleteButton = box->addButton(QStringLiteral("Delete"), QMessageBox::AcceptRole);
    deleteButton->setObjectName(QStringLiteral("deleteButton"));
    QPushButton* cancelButton = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    box->setDefaultButton(deleteButton);
    box->setEscapeButton(cancelButton);
    connect(box, &QMessageBox::finished, this, [this, box, deleteButton, rows] {
        if (box->clickedButton() == deleteButton)
            deleteDirectoriesAtRows(rows);
    });
    box->open();
}

void TBPrefsController::deleteDirectoriesAtRows(const QList<int>& rows)
{
    QList<qsizetype> indexes;
    for (int row : rows)
        indexes.append(row);
    // The store saves the list and announces the deletion, on which the table reloads.
    prefs()->deleteDirectoriesAtIndexes(indexes);
    if (!prefs()->canNotify())
        prefsDirectoriesDeletedNotification();
}

void TBPrefsController::prefsDirectoriesDeletedNotification()
{
    m_directoriesTable->clearSelection();
    m_directoryTableController->reloadData();
    m_directoriesTable->scrollToTop();
    updateDirectoryButtons();
}

// ---------------------------------------------------------------- export and import

void TBPrefsController::exportDirectories()
{
    if (m_exportingDirectories)
        return;
    m_exportingDirectories = true;

    auto* panel = new QFileDialog(this, tr("Export Directories"));
    panel->setObjectName(QStringLiteral("exportSavePanel"));
    panel->setOption(QFileDialog::DontUseNativeDialog); // it carries the export choice below
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setNameFilter(tr("Property lists (*.plist)"));
    panel->setDefaultSuffix(QStringLiteral("plist"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    panel->setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
    panel->selectFile(QStringLiteral("Tamblin Directories.plist"));

    auto* extras = new QWidget(panel);
    extras->setObjectName(QStringLiteral("exportDirectoriesExtras"));
    auto* extrasLayout = new QHBoxLayout(extras);
    extrasLayout->setContentsMargins(0, 0, 0, 0);
    auto* whatPopUp = new QComboBox(extras);
    whatPopUp->setObjectName(QStringLiteral("exportDirectoriesExportWhatPopUp"));
    whatPopUp->addItems({tr("All directories"), tr("Selected directories")});
    whatPopUp->setCurrentIndex(prefs()->exportWhichDirectories() == 0 ? 0 : 1);
    connect(whatPopUp, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        prefs()->setExportWhichDirectories(index);
        savePreferences();
    });
    extrasLayout->addWidget(new QLabel(tr("Export:"), extras));
    extrasLayout->addWidget(whatPopUp);
    extrasLayout->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(panel->layout()))
        grid->addWidget(extras, grid->rowCount(), 0, 1, grid->columnCount());

    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) { finishExport(panel, result); });
    panel->open();
}

void TBPrefsController::finishExport(QFileDialog* panel, int result)
{
    const QStringList files = panel->selectedFiles();
    panel->hide();
    panel->deleteLater();
    m_exportingDirectories = false;
    if (result != QDialog::Accepted || files.isEmpty())
        return;
    QString error;
    if (!exportDirectoriesToURL(files.first(), &error) && !error.isEmpty())
        alert(this, true, tr("Could not export directories."), error)->open();
}

bool TBPrefsController::exportDirectoriesToURL(const QString& path, QString* error)
{
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    QList<int> rows;
    if (prefs()->exportWhichDirectories() != 0) {
        rows = selectedDirectoryRows();
    } else {
        for (int i = 0; i < list.size(); ++i)
            rows.append(i);
    }
    if (rows.isEmpty())
        return false;
    QVariantList array;
    for (int row : rows) {
        if (row >= list.size() || !list.at(row))
            continue;
        // The stored directories keep their identifiers; the file carries 0 so an import draws new ones.
        QVariantMap dict = list.at(row)->dictionaryRepresentation();
        dict.insert(kDirectoryID, qint64(0));
        array.append(dict);
    }
    QString reason;
    if (TBPropertyList::writeFile(path, array, &reason))
        return true;
    qWarning("Could not export directories to %s: %s", qPrintable(path), qPrintable(reason));
    if (error)
        *error = reason.isEmpty() ? tr("The file could not be written.") : reason;
    return false;
}

void TBPrefsController::importDirectories()
{
    if (m_exportingDirectories)
        return;
    m_exportingDirectories = true;

    auto* panel = new QFileDialog(this, tr("Import Directories"));
    panel->setObjectName(QStringLiteral("importOpenPanel"));
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(tr("Property lists (*.plist)"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    panel->setDirectory(QDir(documents).exists() ? documents : QDir::homePath());

    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) { finishImport(panel, result); });
    panel->open();
}

void TBPrefsController::finishImport(QFileDialog* panel, int result)
{
    const QStringList files = panel->selectedFiles();
    panel->hide();
    panel->deleteLater();
    m_exportingDirectories = false;
    if (result == QDialog::Accepted && !files.isEmpty())
        importDirectoriesFromURL(files.first());
}

void TBPrefsController::showImportError()
{
    alert(this, true, QStringLiteral("Could not import directories."),
          QStringLiteral("Has the plist file been edited? If so, it may be corrupt."))
        ->open();
}

bool TBPrefsController::importDirectoriesFromURL(const QString& path)
{
    QString reason;
    const std::optional<QList<TBDirectoryPtr>> imported
        = TBDirectory::directoriesFromPropertyList(TBPropertyList::readFile(path, &reason), prefs()->directories());
    if (!imported) {
        qWarning("Could not import directories from %s%s%s", qPrintable(path), reason.isEmpty() ? "" : ": ",
                 qPrintable(reason));
        showImportError();
        return false;
    }
    if (imported->isEmpty())
        return true;

    const QList<int> selected = selectedDirectoryRows();
    // The store saves the list and announces the change.
    prefs()->addDirectories(*imported, this);

    m_directoryTableController->reloadData();
    for (int row : selected)
        m_directoriesTable->selectionModel()->select(m_directoryTableController->index(row, 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    updateDirectoryButtons();
    return true;
}
