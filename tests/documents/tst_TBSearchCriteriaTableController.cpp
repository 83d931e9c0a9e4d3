#include "TBSearchCriteriaTableController.h"

#include "TBOtherAttributeSheet.h"
#include "TBPreferences.h"
#include "TBSearchCriteriaRow.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace {

// An owner that applies the edits as the search window does and notes what it was told.
class Owner : public TBSearchCriteriaTableOwner
{
public:
    TBSearchCriteriaTableController* controller = nullptr;
    TBSearchCriteriaPtr criteria
        = TBSearchCriteria::searchCriteria(TBPreferences::sharedPreferences()->lastSelectedAttribute());
    QStringList calls;
    bool answersCancel = false;

    TBSearchCriteriaPtr criteriaForController(TBSearchCriteriaTableController*) override { return criteria; }
    void useCriteriaFromController(const TBSearchCriteriaPtr& dropped) override
    {
        criteria = dropped->copy();
        controller->reloadData();
        calls.append(QStringLiteral("use"));
    }
    void searchItemEnter(QLineEdit* field) override
    {
        calls.append(QStringLiteral("search from %1").arg(controller->rowForView(field)));
    }
    void searchItemTextDidChange(QLineEdit* field) override
    {
        criteria->searchItemAtIndex(controller->rowForView(field))->setSearchText(field->text());
    }
    void changedAttrPopUp(QComboBox* popUp) override
    {
        const int row = controller->rowForView(popUp);
        const qint64 tag = TBSearchCriteriaTableController::selectedTag(popUp);
        if (tag == TBSearchCriteriaTableController::otherAttributeTag)
            controller->getOtherAttributeForRow(row);
        else
            controller->setAttributeIDForRow(row, tag);
    }
    void changedTypePopUp(QComboBox* popUp) override
    {
        controller->setSearchTypeForRow(controller->rowForView(popUp), popUp->currentIndex());
    }
    void addSearchItem(QAbstractButton* button) override
    {
        controller->insertSearchItemAfterRow(controller->rowForView(button));
    }
    void delSearchItem(QAbstractButton* button) override
    {
        controller->removeSearchItemAtRow(controller->rowForView(button));
    }
    void selectSearchTextForRow(int row) override
    {
        calls.append(QStringLiteral("focus %1").arg(row));
        controller->selectSearchTextForRow(row);
    }
    bool respondsToSearchItemCancel() const override { return answersCancel; }
    void searchItemCancel() override { calls.append(QStringLiteral("cancel")); }
};

// Criteria from "attribute type text" triples, e.g. {"cn", "2", "ali"}.
TBSearchCriteriaPtr criteriaOf(const QList<QStringList>& items)
{
    TBSearchCriteriaPtr criteria
        = TBSearchCriteria::searchCriteria(TBPreferences::sharedPreferences()->lastSelectedAttribute());
    criteria->removeSearchItemAtIndex(0);
    for (const QStringList& fields : items) {
        TBSearchItemPtr item = TBSearchItem::searchItem(TBPreferences::sharedPreferences()->lastSelectedAttribute());
        item->setSearchAttr(fields.value(0));
        item->setSearchType(fields.value(1).toLongLong());
        item->setSearchText(fields.value(2));
        criteria->insertSearchItem(item, criteria->numSearchItems());
    }
    return criteria;
}

QStringList titles(const QComboBox* popUp)
{
    QStringList list;
    for (int i = 0; i < popUp->count(); ++i)
        list.append(popUp->itemText(i).isEmpty() ? QStringLiteral("---") : popUp->itemText(i));
    return list;
}

QList<bool> enabledItems(const QComboBox* popUp)
{
    QList<bool> list;
    auto* model = qobject_cast<QStandardItemModel*>(popUp->model());
    for (int i = 0; i < popUp->count(); ++i)
        list.append(model->item(i)->isEnabled());
    return list;
}

} // namespace

// The criteria table: rows built from the items and the registry, the row limits, focus moves
// by Tab and Return, the other-attribute sheet and dropped saved searches.
class tst_TBSearchCriteriaTableController : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Owner> m_owner;
    TBSearchCriteriaTableController* m_controller = nullptr;

    TBPreferences* prefs() const { return TBPreferences::sharedPreferences(); }
    TBSearchCriteriaRow* row(int index) const { return m_controller->rowView(index); }

    void showCriteria(const TBSearchCriteriaPtr& criteria)
    {
        m_owner->criteria = criteria;
        m_controller->reloadData();
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        TBPreferences::resetSharedPreferences(nullptr);
        QFile::remove(m_dir.filePath(QStringLiteral("Tamblin.plist")));
        m_store = std::make_unique<TBUserDefaults>(m_dir.filePath(QStringLiteral("Tamblin.plist")));
        TBPreferences::resetSharedPreferences(m_store.get());
        prefs()->setShowFriendlyAttrs(false);
        prefs()->setLastSelectedAttribute(QStringLiteral("cn"));

        m_window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_window.get());
        m_owner = std::make_unique<Owner>();
        m_controller = new TBSearchCriteriaTableController(m_owner.get(), m_window.get(), m_window.get());
        m_owner->controller = m_controller;
        layout->addWidget(m_controller->tableView());
        layout->addStretch();
        m_controller->reloadData();
        m_window->resize(640, 200);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_owner.reset();
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    void rowLimits()
    {
        QSignalSpy rowsChanged(m_controller, &TBSearchCriteriaTableController::numberOfRowsChanged);
        QCOMPARE(m_controller->numberOfRows(), 1);
        QVERIFY(row(0)->addButton()->isEnabled());
        QVERIFY(!row(0)->delButton()->isEnabled());

        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(row(0)->addButton(), Qt::LeftButton);
        QCOMPARE(m_controller->numberOfRows(), 4);
        QCOMPARE(rowsChanged.count(), 3);
        QCOMPARE(rowsChanged.last(), QVariantList({3, 4}));
        QCOMPARE(m_controller->tableView()->height(), 4 * m_controller->rowHeight());
        for (int i = 0; i < 4; ++i) {
            QVERIFY(!row(i)->addButton()->isEnabled());
            QVERIFY(row(i)->delButton()->isEnabled());
        }
        // The new row's text has the focus.
        QTRY_VERIFY(row(1)->dataField()->hasFocus());
        QVERIFY(!m_controller->insertSearchItemAfterRow(3));

        // Removing the last row focuses the new last row.
        QTest::mouseClick(row(3)->delButton(), Qt::LeftButton);
        QTRY_VERIFY(row(2)->dataField()->hasFocus());
        QTest::mouseClick(row(0)->delButton(), Qt::LeftButton);
        QTest::mouseClick(row(0)->delButton(), Qt::LeftButton);
        QCOMPARE(m_controller->numberOfRows(), 1);
        QVERIFY(!row(0)->delButton()->isEnabled());
        QVERIFY(!m_controller->removeSearchItemAtRow(0));
        QCOMPARE(m_controller->tableView()->height(), m_controller->rowHeight());
    }

    void attributePopUp_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<bool>("friendly");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("toolTip");

        const QStringList basic {"dn", "cn", "sn", "ou", "mail", "objectclass", "---"};
        QTest::newRow("basic") << "sn" << false << basic + QStringList {"Other\u2026"} << "sn"
                               << "Last Name";
        QTest::newRow("friendly") << "cn" << true
                                  << QStringList({"Distinguished Name", "Full Name", "Last Name", "Organizational Unit",
                                                  "Email", "Object Class", "---", "Other\u2026"})
                                  << "Full Name"
                                  << "cn";
        // A registered attribute that is not basic gets its own item before "Other…".
        QTest::newRow("not basic") << "uid" << false << basic + QStringList({"uid", "Other\u2026"}) << "uid"
                                   << "";
        QTest::newRow("not basic, friendly")
            << "uid" << true
            << QStringList({"Distinguished Name", "Full Name", "Last Name", "Organizational Unit", "Email",
                            "Object Class", "---", "User ID", "Other\u2026"})
            << "User ID"
            << "User ID";
        // Unknown to the registry: shown as it is, the item unchanged.
        QTest::newRow("unknown") << "tamblinNowhere" << false << basic + QStringList({"tamblinNowhere", "Other\u2026"})
                                 << "tamblinNowhere"
                                 << "";
    }

    void attributePopUp()
    {
        QFETCH(QString, attribute);
        QFETCH(bool, friendly);
        QFETCH(QStringList, titles);
        QFETCH(QString, selected);
        QFETCH(QString, toolTip);

        prefs()->setShowFriendlyAttrs(friendly);
        if (!prefs()->attributeExists(attribute))
            QTest::ignoreMessage(
                QtWarningMsg,
                qPrintable(QStringLiteral("Attribute \"%1\" unknown. Adding default to menu instead.").arg(attribute)));
        showCriteria(criteriaOf({{attribute, "0", "x"}}));
        const QComboBox* popUp = row(0)->attrPopUp();
        QCOMPARE(::titles(popUp), titles);
        QCOMPARE(popUp->currentText(), selected);
        QCOMPARE(popUp->itemData(popUp->currentIndex(), Qt::ToolTipRole).toString(), toolTip);
        QCOMPARE(m_owner->criteria->searchItemAtIndex(0)->searchAttr(), attribute);
    }

    void unchosenComparisonShowsNoChoice()
    {
        showCriteria(criteriaOf({{"cn", "2", "ali"}}));
        QCOMPARE(row(0)->typePopUp()->currentIndex(), 2);
        showCriteria(criteriaOf({{"cn", "-1", "ali"}}));
        QCOMPARE(row(0)->typePopUp()->currentIndex(), -1);
        QCOMPARE(m_owner->criteria->searchItemAtIndex(0)->searchType(), -1);
    }

    void chooseAttributes()
    {
        showCriteria(criteriaOf({{"cn", "2", "ali"}}));
        QComboBox* popUp = row(0)->attrPopUp();

        // A basic attribute straight from the pop-up; new rows start with it.
        popUp->setFocus();
        QTest::keyClick(popUp, Qt::Key_Down);
        QCOMPARE(m_owner->criteria->searchItemAtIndex(0)->searchAttr(), QStringLiteral("sn"));
        QCOMPARE(prefs()->lastSelectedAttribute(), QStringLiteral("sn"));

        // "Other…" then Cancel: nothing changes and the pop-up shows the attribute again.
        QTest::keyClick(popUp, Qt::Key_End);
        TBOtherAttributeSheet* sheet = m_controller->otherAttributeSheet();
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->selectedAttributeName(), QStringLiteral("sn"));
        QTest::mouseClick(sheet->otherAttrCancelButton(), Qt::LeftButton);
        QTRY_VERIFY(!sheet->isVisible());
        QCOMPARE(popUp->currentText(), QStringLiteral("sn"));

        // "Other…" then a picture attribute: the comparison becomes "exists", the text goes away
        // and only "exists" and "is missing" remain choosable.
        QSignalSpy closed(m_controller, &TBSearchCriteriaTableController::otherAttributeSheetClosed);
        QTest::keyClick(popUp, Qt::Key_End);
        QTRY_VERIFY(sheet->isVisible());
        QVERIFY(sheet->selectAttributeNamed(QStringLiteral("jpegPhoto")));
        QTest::mouseClick(sheet->otherAttrOKButton(), Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.first(), QVariantList({0, true}));
        const TBSearchItemPtr item = m_owner->criteria->searchItemAtIndex(0);
        QCOMPARE(item->searchAttr(), QStringLiteral("jpegphoto"));
        QCOMPARE(item->searchType(), qint64(TBSearchTypeExists));
        QCOMPARE(popUp->currentText(), QStringLiteral("jpegphoto"));
        QCOMPARE(row(0)->typePopUp()->currentText(), QStringLiteral("exists"));
        QCOMPARE(enabledItems(row(0)->typePopUp()), QList<bool>({false, false, false, false, false, true, true}));
        QVERIFY(row(0)->dataField()->isHidden());
        QCOMPARE(row(0)->dataField()->text(), QStringLiteral("(exists)"));

        // Back to a text attribute: every comparison again, the text field back.
        showCriteria(criteriaOf({{"cn", "6", ""}}));
        QCOMPARE(enabledItems(row(0)->typePopUp()), QList<bool>(7, true));
        QCOMPARE(row(0)->dataField()->text(), QStringLiteral("(missing)"));
        QTest::keyClick(row(0)->typePopUp(), Qt::Key_Home);
        QCOMPARE(m_owner->criteria->searchItemAtIndex(0)->searchType(), qint64(TBSearchTypeIs));
        QVERIFY(!row(0)->dataField()->isHidden());
        QCOMPARE(row(0)->dataField()->text(), QString());
        QTRY_VERIFY(row(0)->dataField()->hasFocus());
    }

    void navigationQueries_data()
    {
        // Rows as "type:text"; types 5 and 6 take no text. Answers per row for the four queries.
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("external");
        QTest::addColumn<QList<int>>("nextSelectable");
        QTest::addColumn<QList<int>>("prevSelectable");
        QTest::addColumn<QList<int>>("nextEmpty");
        QTest::addColumn<QList<int>>("prevEmpty");

        QTest::newRow("filled, empty, empty")
            << QStringList({"0:a", "0:", "0:"}) << false << QList<int>({1, 2, 0}) << QList<int>({2, 0, 1})
            << QList<int>({1, 2, 1}) << QList<int>({2, 2, 1});
        QTest::newRow("all filled") << QStringList({"0:a", "2:b", "3:c"}) << false << QList<int>({1, 2, 0})
                                    << QList<int>({2, 0, 1}) << QList<int>({-1, -1, -1}) << QList<int>({-1, -1, -1});
        // Closed rows are skipped; the only open row finds itself.
        QTest::newRow("exists, open, missing")
            << QStringList({"5:", "0:", "6:"}) << false << QList<int>({1, 1, 1}) << QList<int>({1, 1, 1})
            << QList<int>({1, 1, 1}) << QList<int>({1, -1, 1});
        QTest::newRow("external view") << QStringList({"0:a", "0:b", "0:c"}) << true << QList<int>({1, 2, -1})
                                       << QList<int>({2, 0, 1}) << QList<int>({-1, -1, -1}) << QList<int>({-1, -1, -1});
    }

    void navigationQueries()
    {
        QFETCH(QStringList, rows);
        QFETCH(bool, external);
        QFETCH(QList<int>, nextSelectable);
        QFETCH(QList<int>, prevSelectable);
        QFETCH(QList<int>, nextEmpty);
        QFETCH(QList<int>, prevEmpty);

        QList<QStringList> items;
        for (const QString& text : rows)
            items.append({"cn", text.section(':', 0, 0), text.section(':', 1)});
        showCriteria(criteriaOf(items));
        m_controller->setExternalView(external);
        for (int r = 0; r < rows.size(); ++r) {
            QCOMPARE(m_controller->nextSelectableTextForRow(r), nextSelectable.at(r));
            QCOMPARE(m_controller->prevSelectableTextForRow(r), prevSelectable.at(r));
            QCOMPARE(m_controller->nextEmptyTextForRow(r), nextEmpty.at(r));
            QCOMPARE(m_controller->prevEmptyTextForRow(r), prevEmpty.at(r));
        }
        // From no row: the first open one.
        const qsizetype firstOpen = rows.indexOf(QRegularExpression(QStringLiteral("^[0-4]:.*")));
        QCOMPARE(m_controller->nextSelectableTextForRow(-1), int(firstOpen));
    }

    void keysInTheTextFields()
    {
        showCriteria(criteriaOf({{"cn", "0", "a"}, {"cn", "0", ""}, {"cn", "0", ""}}));
        QLineEdit* first = row(0)->dataField();

        // Return walks through the empty fields, then searches once all are filled.
        QTest::keyClick(first, Qt::Key_Return);
        QTest::keyClick(row(1)->dataField(), Qt::Key_Return);
        QCOMPARE(m_owner->calls, QStringList({"focus 1", "focus 2"}));
        QTRY_VERIFY(row(2)->dataField()->hasFocus());
        QTest::keyClick(row(2)->dataField(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(m_owner->calls.last(), QStringLiteral("focus 1"));
        QTest::keyClicks(row(1)->dataField(), QStringLiteral("b"));
        QTest::keyClicks(row(2)->dataField(), QStringLiteral("c"));
        QCOMPARE(m_owner->criteria->searchItemAtIndex(2)->searchText(), QStringLiteral("c"));
        QTest::keyClick(row(2)->dataField(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(m_owner->calls.last(), QStringLiteral("search from 2"));

        // Tab wraps from the last row; Shift-Tab goes back.
        m_owner->calls.clear();
        QTest::keyClick(row(2)->dataField(), Qt::Key_Tab);
        QTest::keyClick(row(0)->dataField(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(m_owner->calls, QStringList({"focus 0", "focus 2"}));
        // In the saved-search editor Tab leaves the table from the last row.
        m_controller->setExternalView(true);
        QTest::keyClick(row(2)->dataField(), Qt::Key_Tab);
        QCOMPARE(m_owner->calls.last(), QStringLiteral("focus -1"));

        // Escape only when the owner answers it.
        m_owner->calls.clear();
        QTest::keyClick(first, Qt::Key_Escape);
        QVERIFY(m_owner->calls.isEmpty());
        m_owner->answersCancel = true;
        QTest::keyClick(first, Qt::Key_Escape);
        QCOMPARE(m_owner->calls, QStringList {"cancel"});
    }

    void droppedSavedSearch_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("rows");

        QTest::newRow("saved search") << criteriaOf({{"cn", "2", "al"}, {"mail", "5", ""}, {"sn", "0", "x"}})->archive()
                                      << true << 3;
        QTest::newRow("damaged") << QByteArray("<plist><dict><key>") << false << 1;
    }

    void droppedSavedSearch()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, accepted);
        QFETCH(int, rows);

        QSignalSpy rowsChanged(m_controller, &TBSearchCriteriaTableController::numberOfRowsChanged);
        QMimeData mime;
        mime.setData(TBSearchCriteriaTableController::searchCriteriaDragType, data);
        // Dropped anywhere, even on a text field, the saved search goes to the table.
        QWidget* target = row(0)->dataField();
        const QPoint pos(5, 5);
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QCOMPARE(drop.isAccepted(), accepted);
        QCOMPARE(m_controller->numberOfRows(), rows);
        QCOMPARE(rowsChanged.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(row(1)->dataField()->text(), QStringLiteral("(exists)"));

        // Plain text is not a saved search.
        QMimeData text;
        text.setText(QStringLiteral("cn=x"));
        QVERIFY(!m_controller->acceptDrop(&text));
    }
};

QTEST_MAIN(tst_TBSearchCriteriaTableController)
#include "tst_TBSearchCriteriaTableController.moc"
