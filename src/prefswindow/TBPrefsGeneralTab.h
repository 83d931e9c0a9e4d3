#pragma once

#include "TBPrefsTab.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// The "General" tab: which attributes a search fetches, the limits and the time-out, paged results,
// display and output switches, debugging with its level, and the two switches for discovered
// attributes.
class TBPrefsGeneralTab : public TBPrefsTab
{
    Q_OBJECT
public:
    explicit TBPrefsGeneralTab(QWidget* parent = nullptr);

    // Clamps and stores all five number fields.
    void commitEditing() override { validateTextField(nullptr, true); }

    void controlValueChanged(QObject* sender);
    // Clamps one number field (nullptr: all five) into its range and shows the result; with
    // updatePrefs, also stores the fields, saves and announces the change once.
    void validateTextField(QLineEdit* field, bool updatePrefs);
    // A field's integer: optional "-" and digits; too large values saturate, anything else is 0.
    static qint64 integerValue(const QString& text);

private:
    struct NumberField;
    void loadGeneralControls();
    void postPrefsChanged(const QString& changedPref);
    QCheckBox* addCheckbox(const QString& name, const QString& title);

    QComboBox* m_fetchAttributesPopUp = nullptr;
    QLineEdit* m_maxHitsTextField = nullptr;
    QLineEdit* m_timeLimitTextField = nullptr;
    QLineEdit* m_connectTimeoutTextField = nullptr;
    QCheckBox* m_showFriendlyAttrsCheckbox = nullptr;
    QCheckBox* m_decodeBase64Checkbox = nullptr;
    QCheckBox* m_discardOutputCheckbox = nullptr;
    QCheckBox* m_enableDebugCheckbox = nullptr;
    QLineEdit* m_debugLevelTextField = nullptr;
    QCheckBox* m_autoAddDiscoverdAttributesCheckbox = nullptr;
    QCheckBox* m_attributeColumnsAutoDisplayCheckbox = nullptr;
    QCheckBox* m_pagedResultsCheckbox = nullptr;
    QLineEdit* m_pageSizeTextField = nullptr;
};
