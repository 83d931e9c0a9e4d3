#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// The sheet for searching on an attribute that a row's pop-up does not list: every attribute of
// the registry, group by group. Open it with open() (window-modal); accepted() means OK.
class TBOtherAttributeSheet : public QDialog
{
    Q_OBJECT
public:
    explicit TBOtherAttributeSheet(QWidget* parent = nullptr);

    // Fills the pop-up from the registry's six attribute lists; a separator between lists.
    void updateOtherAttrPopupButton();
    // Selects the attribute of that name (case ignored); false when the pop-up has none.
    bool selectAttributeNamed(const QString& name);
    // The chosen attribute's number and name; -1 and "" when nothing is chosen.
    qint64 selectedAttributeID() const;
    QString selectedAttributeName() const;

    QComboBox* otherAttrPopUpButton() const { return m_popUp; }
    QPushButton* otherAttrOKButton() const { return m_okButton; }
    QPushButton* otherAttrCancelButton() const { return m_cancelButton; }

private:
    QComboBox* m_popUp = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
