#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class TBAttribute;

// The sheet that edits one attribute definition: its name (letters, digits, "-" and "_", starting
// with a letter), its friendly name and its kind (text, image or binary, in that order). It only
// shows and reads values; its owner validates them and decides what OK and Cancel mean (OK does
// not close the sheet by itself).
class TBEditAttributeSheet : public QDialog
{
    Q_OBJECT
public:
    explicit TBEditAttributeSheet(QWidget* parent = nullptr);

    // Loads the fields from the definition and focuses the name field, its text selected.
    void updateEditAttributeUI(const TBAttribute& attribute);
    QString attributeName() const;
    QString friendlyName() const;
    // The chosen kind: the index of the selected item.
    qint64 attributeType() const;
    // Selects the name field's text and focuses it (for a validation problem).
    void focusNameField();

    QLineEdit* editAttributeName() const { return m_name; }
    QLineEdit* editAttributeFriendlyName() const { return m_friendlyName; }
    QComboBox* editAttributeTypePopUp() const { return m_typePopUp; }
    QPushButton* editAttributeOKButton() const { return m_okButton; }
    QPushButton* editAttributeCancelButton() const { return m_cancelButton; }

Q_SIGNALS:
    void okClicked();

private:
    QLineEdit* m_name = nullptr;
    QLineEdit* m_friendlyName = nullptr;
    QComboBox* m_typePopUp = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    qint64 m_loadedType = 0; // kept when the loaded kind has no item
};
