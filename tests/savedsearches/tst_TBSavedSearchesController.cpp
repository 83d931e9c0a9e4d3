#include "TBSavedSearchesController.h"

#include "TBEditSearchSheet.h"
#include "TBModifierKeys.h"
#include "TBNotificationCenter.h"
#include "TBOtherAttributeSheet.h"
#include "TBSavedSearchesTableController.h"
#include "TBSearchCriteriaRow.h"
#include "TBSearchCriteriaTableController.h"
#include "TBSearchDocument.h"
#include "TBTableView.h"
#include "TBTestPrefs.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

using Item = std::tuple<QString, qint64, QString>; // attribute, type, text

// The saved-searches window over settings of its own: its list, the edit sheet and its checks,
// deleting, reordering, and handing a search to a search window, each read back from the
// settings file.
class tst_TBSavedSearchesController : public QObject
{
    Q_OBJECT

    TBTestPrefs m_prefs;
    QObject m_observer;
    int m_changes = 0;
    Qt::KeyboardModifiers m_modifiers = Qt::NoModifier;
    TBSearchDocument* m_document = nullptr; // where a used search goes

    static QVariantMap criteriaDict(const QString& name, const QList<Item>& items)
    {
        QVariantList list;
        for (const auto& [attribute, type, text] : items)
            list.append(QVariantMap {{QStringLiteral("searchAttr"), attribute},
                                     {QStringLiteral("searchType"), type},
                                     {QStringLiteral("searchText"), text}});
        return {{QStringLiteral("name"), name}, {QStringLiteral("searchItems"), list}};
    }

    // A shown window over the saved searches A (one condition), B (three) and C (an "exists").
    std::unique_ptr<TBSavedSearchesController> window(const QVariantMap& stored = threeSearches())
    {
        m_prefs.prefsWith(stored);
        m_changes = 0;
        auto w = std::make_unique<TBSavedSearchesController>();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("The window was not shown");
        return w;
    }

    static QVariantMap threeSearches()
    {
        return {{QStringLiteral("SavedSearchCriteria"),
                 QVariantList {criteriaDict(QStringLiteral("A"), {{QStringLiteral("sn"), 2, QStringLiteral("smith")}}),
                               criteriaDict(QStringLiteral("B"),
                                            {{QStringLiteral("cn"), 0, QStringLiteral("x")},
                                             {QStringLiteral("mail"), 3, QStringLiteral("y")},
                                             {QStringLiteral("sn"), 4, QStringLiteral("z")}}),
                               criteriaDict(QStringLiteral("C"), {{QStringLiteral("mail"), 5, QString()}})}}};
    }

    static QString names(const QAbstractItemModel* model)
    {
        QString result;
        for (int row = 0; row < model->rowCount(); ++row)
            result += model->index(row, TBSavedSearchesTableController::NameColumn).data().toString();
        return result;
    }

    // The names in the settings file, as Python's plistlib reads it.
    QString namesOnDisk() const
    {
        QString result;
        for (const QVariant& c : m_prefs.readByPython().value(QStringLiteral("SavedSearchCriteria")).toList())
            result += c.toMap().value(QStringLiteral("name")).toString();
        return result;
    }

    static QMessageBox* visibleAlert(QWidget* parent)
    {
        for (QMessageBox* box : parent->findChildren<QMessageBox*>()) {
            if (box->isVisible())
                return box;
        }
        return nullptr;
    }

    static QAction* command(TBSavedSearchesController& w, const QString& name)
    {
        return w.savedSearchesMenu()->findChild<QAction*>(name);
    }

    static TBSearchCriteriaRow* row(TBSavedSearchesController& w, int row)
    {
        return w.searchTableController()->rowView(row);
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        TBNotificationCenter::defaultCenter()->addObserver(&m_observer, TBSavedSearchesHaveChangedNotification,
                                                           [this](const TBNotification&) { ++m_changes; });
        TBModifierKeys::setSource([this] { return m_modifiers; });
        TBSavedSearchesController::setDocumentSource([this] { return m_document; });
    }

    void cleanupTestCase()
    {
        TBModifierKeys::setSource({});
        TBSavedSearchesController::setDocumentSource({});
    }

    void init() { m_modifiers = Qt::NoModifier; }

    void listsTheSavedSearches()
    {
        auto w = window();
        const TBSavedSearchesTableController* model = w->savedSearchesTableController();
        QCOMPARE(model->columnCount(), 2);
        QCOMPARE(model->headerData(0, Qt::Horizontal, TBSavedSearchesTableController::identifierRole).toString(),
                 QStringLiteral("Icon"));
        QCOMPARE(model->headerData(1, Qt::Horizontal, TBSavedSearchesTableController::identifierRole).toString(),
                 QStringLiteral("Name"));
        QCOMPARE(names(model), QStringLiteral("ABC"));
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).value<QPixmap>().isNull());
        QCOMPARE(model->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("B\n- cn is x\n- mail starts with y\n- sn ends with z"));
        QCOMPARE(model->index(2, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("C\n- mail exists"));

        // The first row starts selected; without a selection only Add works.
        QCOMPARE(w->selectedRow(), 0);
        QCOMPARE(w->selectedSearchCriteria()->name(), QStringLiteral("A"));
        QVERIFY(w->useSelectedSearchButton()->isEnabled());
        w->savedSearchesTable()->clearSelection();
        for (QPushButton* button : {w->delSearchButton(), w->edtSearchButton(), w->useSelectedSearchButton()})
            QVERIFY(!button->isEnabled());
        QVERIFY(w->addSearchButton()->isEnabled());
        QVERIFY(!w->selectedSearchCriteria());

        // Only a shown window has a selected search for the search windows' command.
        w->selectSearchRow(1);
        QCOMPARE(TBPreferences::sharedPreferences()->selectedSearchCriteria()->name(), QStringLiteral("B"));
        w->hide();
        QVERIFY(!TBPreferences::sharedPreferences()->selectedSearchCriteria());
    }

    // A huge search text is shown in part, not laid out whole in a tool tip.
    void toolTipOfAHugeText()
    {
        const QString huge(200000, QLatin1Char('x'));
        auto w = window({{QStringLiteral("SavedSearchCriteria"),
                          QVariantList {criteriaDict(QStringLiteral("Huge"), {{QStringLiteral("sn"), 0, huge}})}}});
        const QString tip = w->savedSearchesTableController()->index(0, 1).data(Qt::ToolTipRole).toString();
        QVERIFY(tip.startsWith(QStringLiteral("Huge\n- sn is xxx")));
        QVERIFY(tip.size() < 1000);
    }

    // The older stored form: "SavedSearches" with items in the numbered "searchSpecs" form.
    void loadsTheOlderStoredForm()
    {
        const QVariantList specs {QVariantMap {{QStringLiteral("searchAttr"), 1},
                                               {QStringLiteral("searchtype"), 2},
                                               {QStringLiteral("searchText"), QStringLiteral("ann")}},
                                  QVariantMap {{QStringLiteral("searchAttr"), 0},
                                               {QStringLiteral("otherAttr"), QStringLiteral("Mail")},
                                               {QStringLiteral("searchtype"), 5}}};
        const QVariantList old {
            QVariantMap {{QStringLiteral("name"), QStringLiteral("Old one")}, {QStringLiteral("searchSpecs"), specs}},
            QVariantMap {{QStringLiteral("name"), QStringLiteral("Old two")}}};
        auto w = window({{QStringLiteral("SavedSearches"), old}});
        QCOMPARE(names(w->savedSearchesTableController()), QStringLiteral("Old oneOld two"));
        QCOMPARE(w->savedSearchesTableController()->index(0, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Old one\n- cn contains ann\n- mail exists"));

        // The first change writes the list in the current form and leaves the old key alone.
        w->deleteSelectedSearch(false);
        const QVariantMap onDisk = m_prefs.readByPython();
        QCOMPARE(onDisk.value(QStringLiteral("SavedSearches")).toList().size(), 2);
        const QVariantList current = onDisk.value(QStringLiteral("SavedSearchCriteria")).toList();
        QCOMPARE(current.size(), 1);
        QCOMPARE(current.first().toMap().value(QStringLiteral("name")).toString(), QStringLiteral("Old two"));
    }

    // What the edit sheet says while it cannot be confirmed, and what OK then stores.
    void editSheetChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("complete") << "People" << qint64(2) << "smith"
                                  << "";
        QTest::newRow("no name") << "" << qint64(2) << "smith"
                                 << "Please enter a name for this search.";
        QTest::newRow("no text") << "People" << qint64(0) << ""
                                 << "Please enter a text for every condition that needs one.";
        QTest::newRow("exists needs no text") << "People" << qint64(5) << ""
                                              << "";
        QTest::newRow("is missing needs no text") << "People" << qint64(6) << ""
                                                  << "";
        QTest::newRow("blank name is a name") << " " << qint64(1) << "a"
                                              << "";
    }
    void editSheetChecks()
    {
        QFETCH(QString, name);
        QFETCH(qint64, type);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        auto w = window();
        QTest::mouseClick(w->addSearchButton(), Qt::LeftButton);
        TBEditSearchSheet* sheet = w->editSearchSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(w->editingSearchIndex(), -1);
        QCOMPARE(sheet->editSearchName()->text(), QStringLiteral("New Search"));
        QCOMPARE(sheet->focusWidget(), sheet->editSearchName());
        QCOMPARE(w->searchTableController()->numberOfRows(), 1);
        QVERIFY(w->searchTableController()->externalView());

        sheet->editSearchName()->clear();
        QTest::keyClicks(sheet->editSearchName(), name);
        QComboBox* typePopUp = row(*w, 0)->typePopUp();
        typePopUp->setCurrentIndex(int(type));
        Q_EMIT typePopUp->activated(int(type));
        if (!text.isEmpty())
            QTest::keyClicks(row(*w, 0)->dataField(), text);
        QCOMPARE(sheet->problemText(), problem);
        QCOMPARE(sheet->editSearchOKButton()->isEnabled(), problem.isEmpty());

        // OK (or Return in the condition's field) stores it as the new last row, selected.
        QTest::keyClick(row(*w, 0)->dataField(), Qt::Key_Return);
        if (!problem.isEmpty()) {
            QVERIFY(sheet->isVisible());
            QCOMPARE(m_changes, 0);
            QTest::keyClick(row(*w, 0)->dataField(), Qt::Key_Escape);
            QVERIFY(!sheet->isVisible());
            QCOMPARE(namesOnDisk(), QStringLiteral("ABC"));
            return;
        }
        QVERIFY(!sheet->isVisible());
        QVERIFY(!w->editingSearchCriteria());
        QCOMPARE(names(w->savedSearchesTableController()), QStringLiteral("ABC") + name);
        QCOMPARE(w->selectedRow(), 3);
        const QVariantList onDisk = m_prefs.readByPython().value(QStringLiteral("SavedSearchCriteria")).toList();
        QCOMPARE(onDisk.size(), 4);
        const QVariantMap stored = onDisk.last().toMap();
        QCOMPARE(stored.value(QStringLiteral("name")).toString(), name);
        const QVariantMap item = stored.value(QStringLiteral("searchItems")).toList().first().toMap();
        QCOMPARE(item.value(QStringLiteral("searchType")).toLongLong(), type);
        QCOMPARE(item.value(QStringLiteral("searchText")).toString(), text);
    }

    // Add with Alt, or the list's Duplicate command, copies the selected search.
    void addOrDuplicate_data()
    {
        QTest::addColumn<bool>("alt");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rows");
        QTest::newRow("add") << false << false << 1 << "New Search" << 1;
        QTest::newRow("alt-add") << true << false << 1 << "Copy of B" << 3;
        QTest::newRow("alt-add, nothing selected") << true << false << -1 << "New Search" << 1;
        QTest::newRow("duplicate command") << false << true << 1 << "Copy of B" << 3;
        QTest::newRow("duplicate command, nothing selected") << false << true << -1 << "" << 0;
    }
    void addOrDuplicate()
    {
        QFETCH(bool, alt);
        QFETCH(bool, menu);
        QFETCH(int, selected);
        QFETCH(QString, name);
        QFETCH(int, rows);
        auto w = window();
        w->savedSearchesTable()->clearSelection();
        w->selectSearchRow(selected);
        m_modifiers = alt ? Qt::AltModifier : Qt::NoModifier;
        if (menu) {
            QAction* duplicate = command(*w, QStringLiteral("duplicateSearchAction"));
            QCOMPARE(duplicate->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
            QCOMPARE(duplicate->isEnabled(), selected >= 0);
            duplicate->trigger();
        } else {
            QTest::mouseClick(w->addSearchButton(), Qt::LeftButton);
        }
        if (rows == 0) {
            QVERIFY(!w->editingSearchCriteria());
            return;
        }
        QCOMPARE(w->editSearchSheet()->editSearchName()->text(), name);
        QCOMPARE(w->searchTableController()->numberOfRows(), rows);
        QCOMPARE(w->editingSearchIndex(), -1);
        // Two saved searches may share a name; the copy goes to the end, the original stays.
        w->editSearchSheet()->editSearchName()->setText(QStringLiteral("A"));
        if (rows == 1)
            QTest::keyClicks(row(*w, 0)->dataField(), QStringLiteral("text"));
        QTest::mouseClick(w->editSearchSheet()->editSearchOKButton(), Qt::LeftButton);
        QCOMPARE(namesOnDisk(), QStringLiteral("ABCA"));
        QCOMPARE(TBPreferences::sharedPreferences()->searchCriteriaAtIndex(3)->numSearchItems(), qsizetype(rows));
        QCOMPARE(TBPreferences::sharedPreferences()->searchCriteriaAtIndex(1)->numSearchItems(), qsizetype(3));
    }

    // Editing B's three conditions: the sheet is two row steps taller, rows come and go within one
    // to four, and only OK stores the copy in B's place.
    void editGrowsWithTheConditions()
    {
        auto w = window();
        // The sheet takes its new height once its layout has run.
        const auto height = [](QWidget* sheet) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            return sheet->height();
        };
        QTest::mouseClick(w->addSearchButton(), Qt::LeftButton); // one row, for the height
        const int oneRow = height(w->editSearchSheet());
        QTest::mouseClick(w->editSearchSheet()->editSearchCancelButton(), Qt::LeftButton);
        QCOMPARE(m_changes, 0);

        w->selectSearchRow(1);
        QTest::mouseClick(w->edtSearchButton(), Qt::LeftButton);
        TBEditSearchSheet* sheet = w->editSearchSheet();
        TBSearchCriteriaTableController* table = w->searchTableController();
        QCOMPARE(w->editingSearchIndex(), 1);
        QCOMPARE(table->numberOfRows(), 3);
        const int step = table->rowHeight();
        QCOMPARE(height(sheet), oneRow + 2 * step);
        QCOMPARE(row(*w, 2)->dataField()->text(), QStringLiteral("z"));

        QTest::mouseClick(row(*w, 0)->addButton(), Qt::LeftButton);
        QCOMPARE(table->numberOfRows(), 4);
        QCOMPARE(height(sheet), oneRow + 3 * step);
        QVERIFY(!sheet->editSearchOKButton()->isEnabled()); // the new row has no text
        QVERIFY(!row(*w, 0)->addButton()->isEnabled()); // a fifth is not offered
        w->addSearchItem(row(*w, 0)->addButton());
        QCOMPARE(table->numberOfRows(), 4);
        QTest::mouseClick(row(*w, 1)->delButton(), Qt::LeftButton);
        QTest::mouseClick(row(*w, 0)->delButton(), Qt::LeftButton);
        QCOMPARE(table->numberOfRows(), 2);
        QVERIFY(sheet->editSearchOKButton()->isEnabled());
        // The list keeps the stored search until OK.
        QCOMPARE(TBPreferences::sharedPreferences()->searchCriteriaAtIndex(1)->numSearchItems(), qsizetype(3));
        sheet->editSearchName()->setText(QStringLiteral("B2"));
        QTest::mouseClick(sheet->editSearchOKButton(), Qt::LeftButton);
        QCOMPARE(namesOnDisk(), QStringLiteral("AB2C"));
        QCOMPARE(w->selectedRow(), 1);
        QCOMPARE(TBPreferences::sharedPreferences()->searchCriteriaAtIndex(1)->numSearchItems(), qsizetype(2));
        QCOMPARE(m_changes, 1);
    }

    // An attribute chosen through "Other…" in the sheet; a picture attribute can only be there or
    // missing, so its condition needs no text.
    void otherAttributeInTheSheet_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("result");
        QTest::addColumn<qint64>("type");
        QTest::addColumn<bool>("canSave");
        QTest::newRow("text attribute") << "uid" << true << "uid" << qint64(0) << false;
        QTest::newRow("picture attribute") << "jpegPhoto" << true << "jpegphoto" << qint64(5) << true;
        QTest::newRow("cancelled") << "uid" << false << "sn" << qint64(0) << false;
    }
    void otherAttributeInTheSheet()
    {
        QFETCH(QString, attribute);
        QFETCH(bool, accept);
        QFETCH(QString, result);
        QFETCH(qint64, type);
        QFETCH(bool, canSave);
        auto w = window();
        TBPreferences::sharedPreferences()->setLastSelectedAttribute(QStringLiteral("sn"));
        QTest::mouseClick(w->addSearchButton(), Qt::LeftButton);
        QComboBox* attrPopUp = row(*w, 0)->attrPopUp();
        attrPopUp->setCurrentIndex(attrPopUp->findData(TBSearchCriteriaTableController::otherAttributeTag));
        Q_EMIT attrPopUp->activated(attrPopUp->currentIndex());
        TBOtherAttributeSheet* other = w->searchTableController()->otherAttributeSheet();
        QVERIFY(other && other->isVisible());
        QCOMPARE(other->parentWidget(), w->editSearchSheet());
        QVERIFY(other->selectAttributeNamed(attribute));
        if (accept)
            other->accept();
        else
            other->reject();
        const TBSearchItemPtr item = w->editingSearchCriteria()->searchItemAtIndex(0);
        QCOMPARE(item->searchAttr(), result);
        QCOMPARE(item->searchType(), type);
        QCOMPARE(w->editSearchSheet()->editSearchOKButton()->isEnabled(), canSave);
    }

    // Tab in the sheet: from the name to the conditions' texts, and out of the last one back to
    // the name.
    void tabLeavesTheConditions()
    {
        auto w = window();
        w->selectSearchRow(1);
        QTest::mouseClick(w->edtSearchButton(), Qt::LeftButton);
        TBEditSearchSheet* sheet = w->editSearchSheet();
        QLineEdit* name = sheet->editSearchName();
        QCOMPARE(sheet->focusWidget(), name);
        QCOMPARE(name->nextInFocusChain(), row(*w, 0)->dataField());
        QTest::keyClick(row(*w, 2)->dataField(), Qt::Key_Tab);
        QCOMPARE(sheet->focusWidget(), name);
        QTest::keyClick(row(*w, 0)->dataField(), Qt::Key_Tab);
        QCOMPARE(sheet->focusWidget(), row(*w, 1)->dataField());
    }

    void deleteAsks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("result");
        QTest::newRow("button, Delete") << "button" << true << true << "AC";
        QTest::newRow("button, Cancel") << "button" << true << false << "ABC";
        QTest::newRow("Alt and button") << "alt" << false << false << "AC";
        QTest::newRow("Delete key") << "key" << true << true << "AC";
        QTest::newRow("without asking, from the menu") << "menu" << false << false << "AC";
    }
    void deleteAsks()
    {
        QFETCH(QString, how);
        QFETCH(bool, asks);
        QFETCH(bool, confirm);
        QFETCH(QString, result);
        auto w = window();
        w->selectSearchRow(1);
        if (how == QLatin1String("button") || how == QLatin1String("alt")) {
            m_modifiers = how == QLatin1String("alt") ? Qt::AltModifier : Qt::NoModifier;
            QTest::mouseClick(w->delSearchButton(), Qt::LeftButton);
        } else if (how == QLatin1String("key")) {
            w->savedSearchesTable()->setFocus();
            QTest::keyClick(w->savedSearchesTable(), Qt::Key_Delete);
        } else {
            QAction* skip = command(*w, QStringLiteral("deleteSearchWithoutAskingAction"));
            QCOMPARE(skip->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
            skip->trigger();
        }
        QMessageBox* box = visibleAlert(w.get());
        QCOMPARE(bool(box), asks);
        if (box) {
            QCOMPARE(box->text(), QStringLiteral("Really delete?"));
            QCOMPARE(box->informativeText(),
                     QStringLiteral("Are you sure you want to delete the search \"B\"? This action cannot be undone."));
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QCOMPARE(box->buttons().first()->text(), QStringLiteral("Delete"));
            QTest::mouseClick(
                box->findChild<QPushButton*>(confirm ? QStringLiteral("deleteButton") : QStringLiteral("cancelButton")),
                Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QCOMPARE(names(w->savedSearchesTableController()), result);
        QCOMPARE(namesOnDisk(), result);
        if (result != QLatin1String("ABC"))
            QCOMPARE(w->selectedRow(), -1);
    }

    // row -1 with an item: a drop on that item (taken as above it); -1 without: empty space (the end).
    void dragReorders_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("onItem");
        QTest::addColumn<QString>("result"); // unchanged order: refused
        QTest::addColumn<int>("selected");
        QTest::newRow("first to end") << 0 << 3 << -1 << "BCA" << 2;
        QTest::newRow("last to top") << 2 << 0 << -1 << "CAB" << 0;
        QTest::newRow("onto an item") << 0 << -1 << 2 << "BAC" << 1;
        QTest::newRow("above itself") << 1 << 1 << -1 << "ABC" << -1;
        QTest::newRow("below itself") << 1 << 2 << -1 << "ABC" << -1;
        QTest::newRow("last to end") << 2 << 3 << -1 << "ABC" << -1;
    }
    void dragReorders()
    {
        QFETCH(int, dragged);
        QFETCH(int, row);
        QFETCH(int, onItem);
        QFETCH(QString, result);
        QFETCH(int, selected);
        auto w = window();
        TBSavedSearchesTableController* model = w->savedSearchesTableController();
        std::unique_ptr<QMimeData> data(model->mimeData({model->index(dragged, 0), model->index(dragged, 1)}));
        QVERIFY(data->hasFormat(QStringLiteral("savedSearchDragType")));
        QVERIFY(data->hasFormat(QStringLiteral("searchCriteriaDragType")));
        QCOMPARE(model->draggedRow(), dragged);
        const QModelIndex parent = onItem < 0 ? QModelIndex() : model->index(onItem, 0);
        const bool accepted = selected >= 0;
        QCOMPARE(model->canDropMimeData(data.get(), Qt::MoveAction, row, 0, parent), accepted);
        QCOMPARE(model->dropMimeData(data.get(), Qt::MoveAction, row, 0, parent), accepted);
        QCOMPARE(names(model), result);
        QCOMPARE(namesOnDisk(), result);
        QCOMPARE(m_changes, accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(w->selectedRow(), selected);

        // Rows dragged from elsewhere (another table's data) do not land here.
        QMimeData foreign;
        foreign.setData(QStringLiteral("savedSearchDragType"), data->data(QStringLiteral("savedSearchDragType")));
        QVERIFY(!model->canDropMimeData(&foreign, Qt::MoveAction, 0, 0, QModelIndex()));
    }

    // The row dragged onto a search window's conditions: the window takes a copy of the search.
    void dragOntoASearchWindow()
    {
        auto w = window();
        TBSavedSearchesTableController* model = w->savedSearchesTableController();
        std::unique_ptr<QMimeData> data(model->mimeData({model->index(1, 1)}));
        TBSearchDocument document;
        document.loadWindow();
        document.show();
        QWidget* criteria = document.searchTableController()->tableView();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(criteria, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(criteria, &drop);
        QVERIFY(drop.isAccepted());
        const TBSearchCriteriaPtr applied = document.searchCriteria();
        QCOMPARE(applied->name(), QStringLiteral("B"));
        QCOMPARE(applied->numSearchItems(), qsizetype(3));
        QCOMPARE(applied->searchItemAtIndex(1)->searchText(), QStringLiteral("y"));
        QCOMPARE(document.searchTableController()->numberOfRows(), 3);
        applied->searchItemAtIndex(0)->setSearchText(QStringLiteral("changed"));
        QCOMPARE(TBPreferences::sharedPreferences()->searchCriteriaAtIndex(1)->searchItemAtIndex(0)->searchText(),
                 QStringLiteral("x"));

        // The edit sheet's own conditions ignore a dropped search.
        QTest::mouseClick(w->addSearchButton(), Qt::LeftButton);
        QVERIFY(w->searchTableController()->acceptDrop(data.get()));
        QCOMPARE(w->searchTableController()->numberOfRows(), 1);
        QCOMPARE(w->editSearchSheet()->editSearchName()->text(), QStringLiteral("New Search"));
    }

    // The button, a double-click, Return and Enter hand the selected search to a search window.
    void usesTheSelectedSearch_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("button") << "button";
        QTest::newRow("double-click") << "double-click";
        QTest::newRow("Return") << "return";
        QTest::newRow("Enter") << "enter";
        QTest::newRow("menu") << "menu";
    }
    void usesTheSelectedSearch()
    {
        QFETCH(QString, how);
        auto w = window();
        TBSearchDocument document;
        document.loadWindow();
        m_document = &document;
        w->selectSearchRow(2);
        TBTableView* table = w->savedSearchesTable();
        if (how == QLatin1String("button")) {
            QTest::mouseClick(w->useSelectedSearchButton(), Qt::LeftButton);
        } else if (how == QLatin1String("double-click")) {
            const QPoint at = table->visualRect(w->savedSearchesTableController()->index(1, 1)).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        } else if (how == QLatin1String("menu")) {
            command(*w, QStringLiteral("useSelectedSearchAction"))->trigger();
        } else {
            table->setFocus();
            QTest::keyClick(table, how == QLatin1String("enter") ? Qt::Key_Enter : Qt::Key_Return);
        }
        m_document = nullptr;
        QCOMPARE(document.searchCriteria()->name(),
                 how == QLatin1String("double-click") ? QStringLiteral("B") : QStringLiteral("C"));
        QCOMPARE(TBPreferences::sharedPreferences()->previousSearch()->name(), document.searchCriteria()->name());
    }

    // The list follows changes made elsewhere (a search window's Save Current Search).
    void followsTheStore()
    {
        auto w = window();
        w->selectSearchRow(2);
        TBSearchCriteriaPtr added = TBSearchCriteria::searchCriteria(QStringLiteral("cn"));
        added->setName(QStringLiteral("D"));
        TBPreferences::sharedPreferences()->addSearchCriteria(added);
        QCOMPARE(names(w->savedSearchesTableController()), QStringLiteral("ABCD"));
        QCOMPARE(w->selectedRow(), 2);
    }
};

QTEST_MAIN(tst_TBSavedSearchesController)
#include "tst_TBSavedSearchesController.moc"
