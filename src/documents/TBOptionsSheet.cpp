#include "TBOptionsSheet.h"

#include "TBPreferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kFetchWhichAttrs = QStringLiteral("FetchWhichAttrs");
const QString kMaxHits = QStringLiteral("MaxHits");
const QString kTimeLimit = QStringLiteral("TimeLimit");
const QString kConnectTimeout = QStringLiteral("ConnectTimeout");
const QString kDecodeBase64 = QStringLiteral("DecodeBase64");
const QString kDiscardOutput = QStringLiteral("DiscardOutput");
const QString kEnableDebug = QStringLiteral("EnableDebug");
const QString kDebugLevel = QStringLiteral("DebugLevel");
const QString kAutoAdd = QStringLiteral("AutoAddDiscoveredAttributes");
const QString kAutoDisplay = QStringLiteral("AutoDisplayAttributeColumns");
const QString kPagedResults = QStringLiteral("PagedResults");
const QString kPageSize = QStringLiteral("PageSize");

struct Range
{
    QString key;
    qint64 min;
    qint64 max;
};

const Range kRanges[] = {
    {kMaxHits, -1, 999},      {kTimeLimit, -1, 60},  {kConnectTimeout, 0, 75},
    {kDebugLevel, -1, 65536}, {kPageSize, 1, 10000},
};

} // namespace

const QStringList& TBOptionsSheet::optionKeys()
{
    static const QStringList keys {kFetchWhichAttrs, kMaxHits,       kTimeLimit,    kConnectTimeout,
                                   kDecodeBase64,    kDiscardOutput, kEnableDebug,  kDebugLevel,
                                   kAutoAdd,         kAutoDisplay,   kPagedResults, kPageSize};
    return keys;
}

qint64 TBOptionsSheet::clampedValue(const QString& key, qint64 value)
{
    for (const Range& range : kRanges) {
        if (range.key == key)
            return qBound(range.min, value, range.max);
    }
    return value;
}

qint64 TBOptionsSheet::integerValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Saturates instead of overflowing: any huge number is out of every range anyway.
    constexpr qint64 limit = qint64(1) << 40;
    qint64 value = 0;
    for (; i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = qMin(limit, value * 10 + (text.at(i).unicode() - u'0'));
    return negative ? -value : value;
}

QVariantMap TBOptionsSheet::preferenceOptions()
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    return QVariantMap {
        {QStringLiteral("FetchWhichAttrs"), prefs->fetchWhichAttrs()},
        {QStringLiteral("MaxHits"), prefs->maxHits()},
        {QStringLiteral("TimeLimit"), prefs->timeLimit()},
        {QStringLiteral("ConnectTimeout"), prefs->connectTimeout()},
        {QStringLiteral("DecodeBase64"), prefs->decodeBase64()},
        {QStringLiteral("DiscardOutput"), prefs->discardOutput()},
        {QStringLiteral("EnableDebug"), prefs->enableDebug()},
        {QStringLiteral("DebugLevel"), prefs->debugLevel()},
        {QStringLiteral("AutoAddDiscoveredAttributes"), prefs->autoAddDiscoveredAttributes()},
        {QStringLiteral("AutoDisplayAttributeColumns"), prefs->autoDisplayAttributeColumns()},
        {QStringLiteral("PagedResults"), prefs->pagedResults()},
        {QStringLiteral("PageSize"), prefs->pageSize()},
    };
}

TBOptionsSheet* TBOptionsSheet::openOn(QWidget* window, const QString& menuTitle, const QVariantMap& options,
                                       DefaultsProvider defaults, std::function<void(const QVariantMap&)> accepted)
{
    QString title = menuTitle;
    if (title.endsWith(QLatin1String("...")))
        title.chop(3);
    const QVariantMap edited = options.isEmpty() ? defaults() : options;
    auto* sheet = new TBOptionsSheet(title, std::move(defaults), window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setTempSearchOptions(edited);
    sheet->updateOptionsSheetUI();
    connect(sheet, &QDialog::accepted, window, [sheet, accepted] { accepted(sheet->tempSearchOptions()); });
    sheet->open();
    return sheet;
}

TBOptionsSheet::TBOptionsSheet(const QString& title, DefaultsProvider defaults, QWidget* parent)
    : QDialog(parent)
    , m_defaults(std::move(defaults))
{
    setObjectName(QStringLiteral("editOptionsSheet"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_fetchAttributes = new QComboBox(this);
    m_fetchAttributes->setObjectName(QStringLiteral("editOptionsFetchAttributesPopUp"));
    // In the order of the values the search command understands (0 to 4).
    m_fetchAttributes->addItems({tr("All user attributes"), tr("Searched and basic attributes"),
                                 tr("Operational attributes only"), tr("All user and operational attributes"),
                                 tr("No attributes (names only)")});
    form->addRow(tr("Fetch:"), m_fetchAttributes);

    m_maxHits = addNumberField(QStringLiteral("editOptionsMaxHitsTextField"));
    m_timeLimit = addNumberField(QStringLiteral("editOptionsTimeLimitTextField"));
    m_connectTimeout = addNumberField(QStringLiteral("editOptionsConnectTimeoutTextField"));
    m_debugLevel = addNumberField(QStringLiteral("editOptionsDebugLevelTextField"));
    m_pageSize = addNumberField(QStringLiteral("editOptionsPageSizeTextField"));

    auto withNote = [this](QLineEdit* field, const QString& note) {
        auto* row = new QHBoxLayout;
        row->addWidget(field);
        auto* label = new QLabel(note, this);
        label->setEnabled(false); // reads as a hint
        row->addWidget(label);
        row->addStretch(1);
        return row;
    };
    form->addRow(tr("Max # hits:"), withNote(m_maxHits, tr("-1 to 999 (-1: no limit)")));
    form->addRow(tr("Time limit:"), withNote(m_timeLimit, tr("seconds, -1 to 60 (-1: no limit)")));
    form->addRow(tr("Connect timeout:"), withNote(m_connectTimeout, tr("seconds, 0 to 75 (0: none)")));
    m_pagedResults = new QCheckBox(tr("Ask for pages of"), this);
    m_pagedResults->setObjectName(QStringLiteral("editOptionsPagedResultsCheckbox"));
    auto* pagingRow = withNote(m_pageSize, tr("entries (1 to 10000)"));
    pagingRow->insertWidget(0, m_pagedResults);
    form->addRow(tr("Paging:"), pagingRow);

    auto addCheckbox = [this](const QString& name, const QString& text) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(name);
        return box;
    };
    m_decodeBase64 = addCheckbox(QStringLiteral("editOptionsDecodeBase64Checkbox"), tr("Decode Base64 values"));
    m_discardOutput
        = addCheckbox(QStringLiteral("editOptionsDiscardOutputCheckbox"), tr("Discard command output text"));
    m_enableDebug = addCheckbox(QStringLiteral("editOptionsEnableDebugCheckbox"), tr("Enable debugging, level:"));
    m_autoAdd = addCheckbox(QStringLiteral("editOptionsAutoAddDiscoveredAttributesCheckbox"),
                            tr("Add discovered attributes to the preferences"));
    m_autoDisplay = addCheckbox(QStringLiteral("editOptionsAttributeColumnsAutoDisplayCheckbox"),
                                tr("Show columns for discovered attributes"));

    form->addRow(QString(), m_decodeBase64);
    form->addRow(QString(), m_discardOutput);
    auto* debugRow = new QHBoxLayout;
    debugRow->addWidget(m_enableDebug);
    debugRow->addWidget(m_debugLevel);
    debugRow->addStretch(1);
    form->addRow(QString(), debugRow);
    form->addRow(QString(), m_autoAdd);
    form->addRow(QString(), m_autoDisplay);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* defaultsButton = buttons->addButton(tr("Defaults"), QDialogButtonBox::ResetRole);
    defaultsButton->setObjectName(QStringLiteral("editOptionsDefaultsButton"));
    defaultsButton->setToolTip(tr("Show the values of the preferences"));
    QPushButton* cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    cancelButton->setObjectName(QStringLiteral("editOptionsCancelButton"));
    QPushButton* okButton = buttons->addButton(QDialogButtonBox::Ok);
    okButton->setObjectName(QStringLiteral("editOptionsOKButton"));
    okButton->setDefault(true);
    connect(defaultsButton, &QPushButton::clicked, this, &TBOptionsSheet::optionsDefaults);
    connect(cancelButton, &QPushButton::clicked, this, &TBOptionsSheet::optionsCancel);
    connect(okButton, &QPushButton::clicked, this, &TBOptionsSheet::optionsOK);

    auto* heading = new QLabel(tr("These settings apply to this window only."), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_enableDebug, &QCheckBox::toggled, this, &TBOptionsSheet::optionsControlValueChanged);
    connect(m_pagedResults, &QCheckBox::toggled, this, [this](bool on) {
        m_tempSearchOptions.insert(kPagedResults, on);
        m_pageSize->setEnabled(on);
    });
}

QLineEdit* TBOptionsSheet::addNumberField(const QString& name)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignRight);
    field->setMaxLength(12);
    field->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    connect(field, &QLineEdit::editingFinished, this, [this, field] { validateOptionsTextField(field, true); });
    return field;
}

void TBOptionsSheet::setTempSearchOptions(const QVariantMap& options)
{
    m_tempSearchOptions = options;
}

void TBOptionsSheet::updateOptionsSheetUI()
{
    if (m_tempSearchOptions.isEmpty())
        return;
    const QVariantMap& o = m_tempSearchOptions;
    m_fetchAttributes->setCurrentIndex(int(o.value(kFetchWhichAttrs).toLongLong()));
    m_maxHits->setText(QString::number(o.value(kMaxHits).toLongLong()));
    m_timeLimit->setText(QString::number(o.value(kTimeLimit).toLongLong()));
    m_connectTimeout->setText(QString::number(o.value(kConnectTimeout).toLongLong()));
    m_debugLevel->setText(QString::number(o.value(kDebugLevel).toLongLong()));
    m_pageSize->setText(QString::number(o.value(kPageSize).toLongLong()));
    const QSignalBlocker blocker(m_enableDebug);
    const QSignalBlocker pagingBlocker(m_pagedResults);
    m_decodeBase64->setChecked(o.value(kDecodeBase64).toBool());
    m_discardOutput->setChecked(o.value(kDiscardOutput).toBool());
    m_enableDebug->setChecked(o.value(kEnableDebug).toBool());
    m_autoAdd->setChecked(o.value(kAutoAdd).toBool());
    m_autoDisplay->setChecked(o.value(kAutoDisplay).toBool());
    m_debugLevel->setEnabled(o.value(kEnableDebug).toBool());
    m_pagedResults->setChecked(o.value(kPagedResults).toBool());
    m_pageSize->setEnabled(o.value(kPagedResults).toBool());
    validateOptionsTextField(nullptr, false);
}

void TBOptionsSheet::validateOptionsTextField(QLineEdit* field, bool updateOptions)
{
    const std::pair<QLineEdit*, QString> fields[] = {{m_maxHits, kMaxHits},
                                                     {m_timeLimit, kTimeLimit},
                                                     {m_connectTimeout, kConnectTimeout},
                                                     {m_debugLevel, kDebugLevel},
                                                     {m_pageSize, kPageSize}};
    for (const auto& [control, key] : fields) {
        if (field && field != control)
            continue;
        const qint64 value = integerValue(control->text());
        const qint64 clamped = clampedValue(key, value);
        // Text that is no number ("abc" reads as 0) shows the number it counts as, like a clamped one.
        const QString shown = QString::number(clamped);
        if (control->text() != shown)
            control->setText(shown);
        if (updateOptions)
            m_tempSearchOptions.insert(key, clamped);
    }
}

void TBOptionsSheet::optionsControlValueChanged()
{
    const bool on = m_enableDebug->isChecked();
    m_tempSearchOptions.insert(kEnableDebug, on);
    m_debugLevel->setEnabled(on);
}

void TBOptionsSheet::optionsOK()
{
    validateOptionsTextField(nullptr, true);
    m_tempSearchOptions.insert(kFetchWhichAttrs, qint64(qMax(0, m_fetchAttributes->currentIndex())));
    m_tempSearchOptions.insert(kDecodeBase64, m_decodeBase64->isChecked());
    m_tempSearchOptions.insert(kDiscardOutput, m_discardOutput->isChecked());
    m_tempSearchOptions.insert(kEnableDebug, m_enableDebug->isChecked());
    m_tempSearchOptions.insert(kAutoAdd, m_autoAdd->isChecked());
    m_tempSearchOptions.insert(kAutoDisplay, m_autoDisplay->isChecked());
    m_tempSearchOptions.insert(kPagedResults, m_pagedResults->isChecked());
    m_tempSearchOptions.insert(kDebugLevel, clampedValue(kDebugLevel, integerValue(m_debugLevel->text())));
    accept();
}

void TBOptionsSheet::optionsCancel()
{
    reject();
}

void TBOptionsSheet::optionsDefaults()
{
    if (!m_defaults)
        return;
    m_tempSearchOptions = m_defaults();
    updateOptionsSheetUI();
}
