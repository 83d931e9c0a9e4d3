#include "TBDirectoryTableController.h"

#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrefsController.h"
#include "TBPropertyList.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <memory>

class tst_TBDirectoryTableController : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
    QObject m_observer;
    int m_changes = 0;
    Qt::KeyboardModifiers m_modifiers = Qt::NoModifier;

    QString storePath() const { return m_dir.filePath(QStringLiteral("Tamblin.plist")); }

    // A window over the directories A, B, C.
    std::unique_ptr<TBPrefsController> window()
    {
        TBPreferences::resetSharedPreferences(nullptr);
        m_store.reset();
        QVariantList dirs;
        for (const QString& name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
            dirs.append(QVariantMap {{QStringLiteral("DirectoryID"), qint64(name.at(0).unicode())},
                                     {QStringLiteral("DirectoryName"), name},
                                     {QStringLiteral("LDAPURI"), QString(QStringLiteral("ldap://") + name.toLower())}});
        if (!TBPropertyList::writeFile(storePath(), QVariantMap {{QStringLiteral("Directories"), dirs}}))
            qFatal("Could not write the settings fixture");
        m_store = std::make_unique<TBUserDefaults>(storePath());
        TBPreferences::resetSharedPreferences(m_store.get());
        TBPreferences::sharedPreferences();
        m_changes = 0;
        return std::make_unique<TBPrefsController>();
    }

    static QString order(const QAbstractItemModel* model, int column = 0)
    {
        QString result;
        for (int row = 0; row < model->rowCount(); ++row)
            result += model->index(row, column).data().toString();
        return result;
    }

    static QString orderOnDisk(const QString& path)
    {
        QString result;
        for (const QVariant& d : TBUserDefaults(path).arrayForKey(QStringLiteral("Directories")))
            result += d.toMap().value(QStringLiteral("DirectoryName")).toString();
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        TBNotificationCenter::defaultCenter()->addObserver(&m_observer, TBPrefsDirectoriesHaveChangedNotification,
                                                           [this](const TBNotification&) { ++m_changes; });
        TBPrefsController::setModifierSource([this] { return m_modifiers; });
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    void showsNameAndURI()
    {
        auto w = window();
        TBDirectoryTableController* model = w->directoryTableController();
        QCOMPARE(model->columnCount(), 2);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("URI"));
        QCOMPARE(order(model, 0), QStringLiteral("ABC"));
        QCOMPARE(order(model, 1), QStringLiteral("ldap://aldap://bldap://c"));
    }

    // The identifier shows only while Alt is held.
    void toolTipShowsIdentifierWithAlt()
    {
        auto w = window();
        const QModelIndex b = w->directoryTableController()->index(1, 1);
        QVERIFY(!b.data(Qt::ToolTipRole).isValid());
        m_modifiers = Qt::AltModifier;
        QCOMPARE(b.data(Qt::ToolTipRole).toString(), QStringLiteral("directoryID: 66"));
        m_modifiers = Qt::NoModifier;
    }

    // The name column widens for a long name, up to half the table; a name cut short shows
    // whole in its tool tip, a name that fits has none.
    void longNamesShowWhole()
    {
        auto w = window();
        w->resize(720, 600);
        w->show();
        QTableView* table = w->directoriesTable();
        TBDirectoryTableController* model = w->directoryTableController();
        const TBDirectoryPtr directory = TBPreferences::sharedPreferences()->directories().at(0);
        const QString medium = QStringLiteral("Corporate Directory of the Northern Region");
        directory->setDirectoryName(medium);
        model->reloadData();
        QVERIFY(table->horizontalHeader()->sectionSize(0) > table->fontMetrics().horizontalAdvance(medium));

        const QString longName = medium.repeated(4);
        directory->setDirectoryName(longName);
        model->reloadData();
        QVERIFY(table->horizontalHeader()->sectionSize(0)
                <= qMax(TBDirectoryTableController::leastNameWidth, table->viewport()->width() / 2));
        const auto askToolTip = [table](const QModelIndex& cell) {
            const QPoint pos = table->visualRect(cell).center();
            QHelpEvent help(QEvent::ToolTip, pos, table->viewport()->mapToGlobal(pos));
            QApplication::sendEvent(table->viewport(), &help);
        };
        askToolTip(model->index(0, 0));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), longName);
        askToolTip(model->index(1, 0));
        QTRY_VERIFY(!QToolTip::isVisible());
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
        QTest::newRow("first below second") << 0 << 2 << -1 << "BAC" << 1;
        QTest::newRow("onto an item") << 0 << -1 << 2 << "BAC" << 1;
        QTest::newRow("onto empty space") << 0 << -1 << -1 << "BCA" << 2;
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
        TBDirectoryTableController* model = w->directoryTableController();
        // Only the first of the dragged rows moves.
        std::unique_ptr<QMimeData> data(
            model->mimeData({model->index(dragged, 0), model->index(dragged, 1), model->index(2, 0)}));
        QVERIFY(data->hasFormat(QStringLiteral("directoryDragType")));
        QCOMPARE(model->draggedRow(), dragged);
        const QModelIndex parent = onItem < 0 ? QModelIndex() : model->index(onItem, 0);
        const bool accepted = selected >= 0;

        QCOMPARE(model->canDropMimeData(data.get(), Qt::MoveAction, row, 0, parent), accepted);
        QCOMPARE(model->dropMimeData(data.get(), Qt::MoveAction, row, 0, parent), accepted);
        QCOMPARE(order(model), result);
        QCOMPARE(orderOnDisk(storePath()), result);
        QCOMPARE(m_changes, accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(w->selectedDirectoryRows(), QList<int> {selected});
    }

    // Rows arrive only from this table: data made elsewhere is refused, even with our type.
    void refusesForeignDrops()
    {
        auto w = window();
        TBDirectoryTableController* model = w->directoryTableController();
        std::unique_ptr<QMimeData> ours(model->mimeData({model->index(0, 0)}));
        QMimeData foreign;
        foreign.setData(QStringLiteral("directoryDragType"), ours->data(QStringLiteral("directoryDragType")));
        QVERIFY(!model->canDropMimeData(&foreign, Qt::MoveAction, 3, 0, QModelIndex()));
        QVERIFY(!model->dropMimeData(&foreign, Qt::MoveAction, 3, 0, QModelIndex()));
        QCOMPARE(order(model), QStringLiteral("ABC"));
    }

    void returnKeyEdits_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }
    void returnKeyEdits()
    {
        QFETCH(int, key);
        auto w = window();
        w->show();
        w->directoriesTable()->selectRow(1);
        QTest::keyClick(w->directoriesTable(), Qt::Key(key));
        QVERIFY(w->editingDirectory());
        QCOMPARE(w->editingDirectoryID(), 66);
    }
};

QTEST_MAIN(tst_TBDirectoryTableController)
#include "tst_TBDirectoryTableController.moc"
