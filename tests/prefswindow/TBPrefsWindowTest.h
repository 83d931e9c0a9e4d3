#pragma once

#include "TBAttributeAttrItem.h"
#include "TBAttributeGroupItem.h"
#include "TBAttributeTableController.h"
#include "TBPrefsAttributesTab.h"
#include "TBTestPrefs.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTreeView>
#include <QtTest>

#include <memory>

// What the tests of the preferences window share: its alerts and fields, and for the attributes
// tab a shown tab over given settings, with its rows found, selected and clicked as the user does.
namespace TBPrefsWindowTest {

inline QMessageBox* visibleAlert(QWidget* parent)
{
    for (QMessageBox* box : parent->findChildren<QMessageBox*>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

inline void closeAlert(QMessageBox* box)
{
    box->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Replaces a field's text by typing, as the user does (so its formatter sees every key).
inline void type(QLineEdit* field, const QString& text)
{
    field->clear();
    QTest::keyClicks(field, text);
}

// Custom attributes of each kind but binary, two of them with choices of their own.
inline QVariantMap customSettings()
{
    return {
        {QStringLiteral("CustomAttributes"),
         QVariantMap {{QStringLiteral("tamblinStaffNumber"), QStringLiteral("Staff Number")},
                      {QStringLiteral("tamblinRoom"), QStringLiteral("Room")},
                      {QStringLiteral("tamblinColour"), QStringLiteral("Colour")}}},
        {QStringLiteral("CustomImageAttributes"),
         QVariantMap {{QStringLiteral("badgePhoto"), QStringLiteral("Badge")}}},
        {QStringLiteral("BasicAttributes"), QVariantList {QStringLiteral("cn"), QStringLiteral("tamblinRoom")}},
    };
}

inline std::unique_ptr<TBPrefsAttributesTab> shownTab(TBTestPrefs& prefs, const QVariantMap& stored)
{
    prefs.prefsWith(stored);
    auto tab = std::make_unique<TBPrefsAttributesTab>();
    tab->resize(640, 900);
    tab->show();
    if (!QTest::qWaitForWindowExposed(tab.get()))
        qWarning("The tab's window was not shown");
    return tab;
}

// The row of a group, or of an attribute of a group by its name.
inline QModelIndex row(const TBPrefsAttributesTab& tab, qint64 group, const QString& name = QString(), int column = 0)
{
    TBAttributeTableController* model = tab.attributeTableController();
    const TBAttributeGroupItem* item = model->groupItemForGroup(group);
    if (name.isNull())
        return model->indexForItem(item, column);
    for (const TBAttributeItemPtr& child : item->children()) {
        if (child->displayedName() == name)
            return model->indexForItem(child.get(), column);
    }
    return QModelIndex();
}

inline QStringList selectedNames(const TBPrefsAttributesTab& tab)
{
    QStringList names;
    for (const TBAttributeAttrItem* item : tab.attributeTableController()->selectedAttributeItems())
        names.append(item->displayedName());
    return names;
}

inline void select(const TBPrefsAttributesTab& tab, const QModelIndexList& rows)
{
    QItemSelectionModel* selection = tab.attributesTable()->selectionModel();
    selection->clearSelection();
    for (const QModelIndex& index : rows)
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Clicks through the window, so the view sees the events a person's click makes.
inline void click(TBPrefsAttributesTab& tab, const QModelIndex& index, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                  bool twice = false)
{
    QTreeView* table = tab.attributesTable();
    table->scrollTo(index);
    QWidget* window = tab.window();
    const QPoint position = table->viewport()->mapTo(window, table->visualRect(index).center());
    if (twice)
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, modifiers, position);
    else
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, modifiers, position);
}

} // namespace TBPrefsWindowTest
