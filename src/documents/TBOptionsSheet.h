#pragma once

#include <QDialog>
#include <QVariantMap>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The options sheet of a window: the search settings that window uses instead of the
// preferences. It edits a copy (tempSearchOptions); the window takes it when the sheet is
// accepted (OK) and ignores it when rejected (Cancel).
class TBOptionsSheet : public QDialog
{
    Q_OBJECT
public:
    using DefaultsProvider = std::function<QVariantMap()>;

    // The twelve keys, which are also the user-defaults keys they override.
    static const QStringList& optionKeys();
    // Brings a numeric option into its range (keys "MaxHits", "TimeLimit", "ConnectTimeout",
    // "DebugLevel", "PageSize"); other keys are returned unchanged.
    static qint64 clampedValue(const QString& key, qint64 value);
    // A field's integer: leading blanks, an optional sign and digits; anything else reads as 0.
    static qint64 integerValue(const QString& text);

    // The twelve options as the preferences hold them.
    static QVariantMap preferenceOptions();

    TBOptionsSheet(const QString& title, DefaultsProvider defaults, QWidget* parent = nullptr);
    // Opens a sheet on the window, titled after its menu item ("Search Options..." without the
    // dots), editing the options, or the defaults when the window has none; accepted gets the
    // result on OK.
    static TBOptionsSheet* openOn(QWidget* window, const QString& menuTitle, const QVariantMap& options,
                                  DefaultsProvider defaults, std::function<void(const QVariantMap&)> accepted);

    QVariantMap tempSearchOptions() const { return m_tempSearchOptions; }
    void setTempSearchOptions(const QVariantMap& options);

    // Shows tempSearchOptions in the controls.
    void updateOptionsSheetUI();
    // Clamps one numeric field (nullptr: all five), rewriting it when out of range; with
    // updateOptions the clamped values are stored in tempSearchOptions.
    void validateOptionsTextField(QLineEdit* field, bool updateOptions);

public Q_SLOTS:
    void optionsOK();
    void optionsCancel();
    void optionsDefaults();

private:
    void optionsControlValueChanged();
    QLineEdit* addNumberField(const QString& name);

    DefaultsProvider m_defaults;
    QVariantMap m_tempSearchOptions;
    QComboBox* m_fetchAttributes = nullptr;
    QLineEdit* m_maxHits = nullptr;
    QLineEdit* m_timeLimit = nullptr;
    QLineEdit* m_connectTimeout = nullptr;
    QLineEdit* m_debugLevel = nullptr;
    QCheckBox* m_decodeBase64 = nullptr;
    QCheckBox* m_discardOutput = nullptr;
    QCheckBox* m_enableDebug = nullptr;
    QCheckBox* m_autoAdd = nullptr;
    QCheckBox* m_autoDisplay = nullptr;
    QCheckBox* m_pagedResults = nullptr;
    QLineEdit* m_pageSize = nullptr;
};
