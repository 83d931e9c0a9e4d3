#include "TBPrefsGeneralTab.h"

#include "TBNotificationCenter.h"
#include "TBNumberFormatter.h"
#include "TBPreferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

const QString kChangedPref = QStringLiteral("changedPref");

} // namespace

// One number field of the tab: its range and store property.
struct TBPrefsGeneralTab::NumberField
{
    QLineEdit* field;
    qint64 minimum;
    qint64 maximum;
    void (TBPreferences::*set)(qint64);
};

TBPrefsGeneralTab::TBPrefsGeneralTab(QWidget* parent)
    : TBPrefsTab(QStringLiteral("General"), parent)
{
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
    m_pageSizeTextField = numberField(QStringLiteral("pageSizeTextField"));

    m_showFriendlyAttrsCheckbox
        = addCheckbox(QStringLiteral("showFriendlyAttrsCheckbox"), tr("Show friendly attribute names"));
    m_decodeBase64Checkbox = addCheckbox(QStringLiteral("decodeBase64Checkbox"), tr("Decode Base64 values"));
    m_discardOutputCheckbox = addCheckbox(QStringLiteral("discardOutputCheckbox"), tr("Discard command output text"));
    m_enableDebugCheckbox = addCheckbox(QStringLiteral("enableDebugCheckbox"), tr("Enable debugging, level:"));
    m_pagedResultsCheckbox = addCheckbox(QStringLiteral("pagedResultsCheckbox"), tr("Ask for pages of"));
    m_autoAddDiscoverdAttributesCheckbox = addCheckbox(QStringLiteral("autoAddDiscoverdAttributesCheckbox"),
                                                       tr("Add discovered attributes to the preferences"));
    m_attributeColumnsAutoDisplayCheckbox = addCheckbox(QStringLiteral("attributeColumnsAutoDisplayCheckbox"),
                                                        tr("Show columns for discovered attributes"));

    form->addRow(tr("Fetch:"), m_fetchAttributesPopUp);
    form->addRow(tr("Maximum hits:"), withNote(m_maxHitsTextField, tr("-1 to 999 (-1: no limit)")));
    form->addRow(tr("Time limit:"), withNote(m_timeLimitTextField, tr("seconds, -1 to 60 (-1: no limit)")));
    form->addRow(tr("Connect timeout:"), withNote(m_connectTimeoutTextField, tr("seconds, 0 to 75 (0: none)")));
    // Servers such as Active Directory send only so many entries unless they are asked for pages.
    auto* pagingRow = withNote(m_pageSizeTextField, tr("entries (1 to 10000)"));
    pagingRow->insertWidget(0, m_pagedResultsCheckbox);
    form->addRow(tr("Paging:"), pagingRow);
    form->addRow(tr("Display:"), column({m_showFriendlyAttrsCheckbox}));
    form->addRow(tr("Results:"), column({m_decodeBase64Checkbox, m_discardOutputCheckbox}));
    auto* debugRow = new QHBoxLayout;
    debugRow->addWidget(m_enableDebugCheckbox);
    debugRow->addWidget(m_debugLevelTextField);
    debugRow->addStretch();
    form->addRow(tr("Tools:"), debugRow);
    form->addRow(tr("Attributes:"),
                 column({m_autoAddDiscoverdAttributesCheckbox, m_attributeColumnsAutoDisplayCheckbox}));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addLayout(form);
    layout->addStretch();

    loadGeneralControls();
    validateTextField(nullptr, false); // out-of-range stored values show clamped
}

QCheckBox* TBPrefsGeneralTab::addCheckbox(const QString& name, const QString& title)
{
    auto* box = new QCheckBox(title);
    box->setObjectName(name);
    connect(box, &QCheckBox::clicked, this, [this, box] { controlValueChanged(box); });
    return box;
}

void TBPrefsGeneralTab::loadGeneralControls()
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
    m_pagedResultsCheckbox->setChecked(p->pagedResults());
    m_pageSizeTextField->setText(TBNumberFormatter::stringForObjectValue(p->pageSize()));
    m_pageSizeTextField->setEnabled(p->pagedResults());
    m_autoAddDiscoverdAttributesCheckbox->setChecked(p->autoAddDiscoveredAttributes());
    m_attributeColumnsAutoDisplayCheckbox->setChecked(p->autoDisplayAttributeColumns());
}

qint64 TBPrefsGeneralTab::integerValue(const QString& text)
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

void TBPrefsGeneralTab::controlValueChanged(QObject* sender)
{
    TBPreferences* p = prefs();
    QString key;
    auto checked = [](const QCheckBox* box) { return box->checkState() == Qt::Checked; };
    // A switch's own number field: usable while it is on, and then ready for typing.
    auto enableField = [](QLineEdit* field, bool on) {
        field->setEnabled(on);
        if (on) {
            field->setFocus();
            field->selectAll();
        }
    };

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
        enableField(m_debugLevelTextField, on);
    } else if (sender == m_pagedResultsCheckbox) {
        const bool on = checked(m_pagedResultsCheckbox);
        p->setPagedResults(on);
        key = QStringLiteral("PagedResults");
        enableField(m_pageSizeTextField, on);
    } else if (sender == m_pageSizeTextField) {
        p->setPageSize(integerValue(m_pageSizeTextField->text()));
        key = QStringLiteral("PageSize");
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

void TBPrefsGeneralTab::postPrefsChanged(const QString& changedPref)
{
    if (changedPref.isEmpty())
        TBNotificationCenter::defaultCenter()->post(TBPrefsHaveChangedNotification, window());
    else
        TBNotificationCenter::defaultCenter()->post(TBPrefsHaveChangedNotification, nullptr,
                                                    {{kChangedPref, changedPref}});
}

void TBPrefsGeneralTab::validateTextField(QLineEdit* field, bool updatePrefs)
{
    const NumberField fields[] = {
        {m_maxHitsTextField, -1, 999, &TBPreferences::setMaxHits},
        {m_timeLimitTextField, -1, 60, &TBPreferences::setTimeLimit},
        {m_connectTimeoutTextField, 0, 75, &TBPreferences::setConnectTimeout},
        {m_debugLevelTextField, -1, 65536, &TBPreferences::setDebugLevel},
        {m_pageSizeTextField, 1, 10000, &TBPreferences::setPageSize},
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
