#pragma once

#include "TBAttribute.h"
#include "TBPrefsTab.h"

#include <QModelIndex>
#include <QVariantMap>

class QAction;
class QMenu;
class QPushButton;
class QTreeView;
class TBAttributeAttrItem;
class TBAttributeTableController;
class TBEditAttributeSheet;
struct TBNotification;

// The "Attributes" tab: every attribute definition of the registry in an outline of six groups,
// where attributes are made basic (offered in the search conditions' attribute menus) or shown as
// result columns, custom definitions are added, edited in a sheet and deleted, and the basic and
// column choices are reset. Default definitions never change: editing one makes a custom copy.
//
// Every change is saved at once and announced with "TBPrefsAttributesHaveChangedNotification",
// so every window follows. The commands that Alt changes (duplicate, reset without asking) are
// also in the outline's context menu, since window managers often take Alt-clicks.
class TBPrefsAttributesTab : public TBPrefsTab
{
    Q_OBJECT
public:
    explicit TBPrefsAttributesTab(QWidget* parent = nullptr);

    // The add button: a new attribute, or with Alt a copy of the one selected row.
    void addAttribute();
    // A copy named "copyof<name>" of the one selected attribute; nothing without one.
    void duplicateAttribute();
    // Deletes the selected custom attributes, without asking; default ones are skipped.
    void delAttribute();
    // sender: the outline (a double-click on m_clickedIndex), the edit button (the selected row),
    // the table controller or the edit action (the current row); any other sender does nothing.
    // A group row toggles, a "None Defined" row opens a new attribute of its group's kind.
    void edtAttribute(QObject* sender);
    // Asks first, unless Alt is held.
    void resetAttributes();
    void resetAttributesWithoutAsking();
    // Every selected row (or the clicked one alone when it is not selected) becomes basic, or
    // stops being basic when the clicked one was; the same for the displayed columns.
    void toggleBasicAttribute(const QModelIndex& clicked);
    void toggleShowColumn(const QModelIndex& clicked);
    void editAttributeOK();
    void editAttributeCancel();
    void updateAttributeButtons();
    bool attributeInfoValid();
    bool attributeNameIsUnique(const QString& name, qint64 ignoringID) const;

    TBAttributePtr editingAttribute() const { return m_editingAttribute; }
    qint64 editingAttributeID() const { return m_editingAttributeID; }
    TBEditAttributeSheet* editAttributeSheet() const { return m_editAttributeSheet; }
    TBAttributeTableController* attributeTableController() const { return m_attributeTableController; }
    QTreeView* attributesTable() const { return m_attributesTable; }
    // The outline's context menu, made up to date for the current selection.
    QMenu* attributesMenu();

private:
    void openEditSheet(const TBAttributePtr& workingCopy, qint64 editingID);
    TBAttributePtr copyOf(const TBAttribute& attribute) const;
    // The row the menu and Return act on: the current row, else the first selected one.
    QModelIndex currentAttributeIndex() const;
    void toggle(const QModelIndex& clicked, bool basic);
    void prefsAttributesHaveChangedNotification(const TBNotification& notification);
    // Writes the settings, then announces what changed (sent by the preferences window).
    void saveAndPost(const QVariantMap& userInfo);

    QTreeView* m_attributesTable = nullptr;
    TBAttributeTableController* m_attributeTableController = nullptr;
    QPushButton* m_attributesAddButton = nullptr;
    QPushButton* m_attributesDelButton = nullptr;
    QPushButton* m_attributesEdtButton = nullptr;
    QPushButton* m_resetAttributesButton = nullptr;
    TBEditAttributeSheet* m_editAttributeSheet = nullptr;
    QMenu* m_attributesMenu = nullptr;
    QAction* m_addAction = nullptr;
    QAction* m_duplicateAction = nullptr;
    QAction* m_editAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_basicAction = nullptr;
    QAction* m_showColumnAction = nullptr;
    QAction* m_resetAction = nullptr;
    QAction* m_resetWithoutAskingAction = nullptr;

    TBAttributePtr m_editingAttribute;
    qint64 m_editingAttributeID = -2;
    QModelIndex m_clickedIndex;
};
