#include "TBPrefsController.h"

#include "TBDirectoryTableController.h"
#include "TBEditDirectorySheet.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrefsWindowTest.h"
#include "TBPropertyList.h"
#include "TBTestPrefs.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace TBPrefsWindowTest;

namespace {

QVariantMap directoryDict(qint64 id, const QString& name, const QString& uri = QStringLiteral("ldap://127.0.0.1"))
{
    return {{QStringLiteral("DirectoryID"), id},
            {QStringLiteral("DirectoryName"), name},
            {QStringLiteral("LDAPURI"), uri},
            {QStringLiteral("SearchBase"), QStringLiteral("dc=tamblin,dc=test")},
            {QStringLiteral("Authentication"), qint64(2)},
            {QStringLiteral("SimpleID"), QStringLiteral("cn=reader,dc=tamblin,dc=test")}};
}

QStringList names()
{
    QStringList result;
    for (const TBDirectoryPtr& d : TBPreferences::sharedPreferences()->directories())
        result.append(d->directoryName());
    return result;
}

QList<int> intList(std::initializer_list<int> values)
{
    return QList<int>(values);
}

} // namespace

class tst_TBPrefsController : public QObject
{
    Q_OBJECT

    TBTestPrefs m_prefs;
    QObject m_observer;
    QList<TBNotification> m_notifications;
    Qt::KeyboardModifiers m_modifiers = Qt::NoModifier;

    QString storePath() const { return m_prefs.storePath(); }
    QString path(const QString& name) const { return m_prefs.filePath(name); }

    // Fresh preferences over a settings file holding `stored`, and a window on them.
    std::unique_ptr<TBPrefsController> windowWith(const QVariantMap& stored)
    {
        m_prefs.prefsWith(stored);
        m_notifications.clear();
        m_modifiers = Qt::NoModifier;
        return std::make_unique<TBPrefsController>();
    }

    std::unique_ptr<TBPrefsController> windowWithDirectories(const QStringList& dirNames)
    {
        QVariantList dirs;
        for (qsizetype i = 0; i < dirNames.size(); ++i)
            dirs.append(directoryDict(100 + i, dirNames.at(i)));
        return windowWith({{QStringLiteral("Directories"), dirs}});
    }

    // What the next run would read.
    TBUserDefaults onDisk() const { return TBUserDefaults(storePath()); }
    QStringList namesOnDisk() const
    {
        QStringList result;
        for (const QVariant& d : onDisk().arrayForKey(QStringLiteral("Directories")))
            result.append(d.toMap().value(QStringLiteral("DirectoryName")).toString());
        return result;
    }

    QList<TBNotification> posted(const QString& name) const
    {
        QList<TBNotification> result;
        for (const TBNotification& n : m_notifications) {
            if (n.name == name)
                result.append(n);
        }
        return result;
    }

    template<typename T>
    static T* child(QWidget* parent, const QString& name)
    {
        T* widget = parent->findChild<T*>(name);
        if (!widget)
            qFatal("No child named %s", qPrintable(name));
        return widget;
    }

    static QList<QFileDialog*> openPanels(QWidget* parent)
    {
        QList<QFileDialog*> result;
        for (QFileDialog* panel : parent->findChildren<QFileDialog*>()) {
            if (panel->isVisible())
                result.append(panel);
        }
        return result;
    }

    static void select(TBPrefsController* window, const QList<int>& rows)
    {
        QTableView* table = window->directoriesTable();
        table->clearSelection();
        for (int row : rows)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        TBNotificationCenter::defaultCenter()->addObserver(
            &m_observer, QString(), [this](const TBNotification& n) { m_notifications.append(n); });
        TBPrefsController::setModifierSource([this] { return m_modifiers; });
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    // ---------------------------------------------------------------- window and General tab

    void setUpShowsStoredState()
    {
        auto window = windowWith({
            {QStringLiteral("PrefToolbar"), QStringLiteral("Attributes")},
            {QStringLiteral("MaxHits"), qint64(5000)},
            {QStringLiteral("EnableDebug"), false},
            {QStringLiteral("DebugLevel"), qint64(-9)},
            {QStringLiteral("Directories"),
             QVariantList {directoryDict(100, QStringLiteral("A")), directoryDict(101, QStringLiteral("B"))}},
            {QStringLiteral("CurrentDirectoryID"), qint64(101)},
        });
        QCOMPARE(window->currentTab(), QStringLiteral("Attributes"));
        QVERIFY(window->toolbarItem(QStringLiteral("Attributes"))->isChecked());
        // Out-of-range stored values show clamped but are not stored until edited.
        QCOMPARE(child<QLineEdit>(window.get(), QStringLiteral("maxHitsTextField"))->text(), QStringLiteral("999"));
        QCOMPARE(TBPreferences::sharedPreferences()->maxHits(), 5000);
        QVERIFY(!child<QLineEdit>(window.get(), QStringLiteral("debugLevelTextField"))->isEnabled());
        // The current directory is selected; buttons follow the selection.
        QCOMPARE(window->selectedDirectoryRows(), intList({1}));
        QVERIFY(child<QPushButton>(window.get(), QStringLiteral("directoryEdtButton"))->isEnabled());
        select(window.get(), {0, 1});
        QVERIFY(!child<QPushButton>(window.get(), QStringLiteral("directoryEdtButton"))->isEnabled());
        QVERIFY(child<QPushButton>(window.get(), QStringLiteral("directoryDelButton"))->isEnabled());
        select(window.get(), {});
        QVERIFY(!child<QPushButton>(window.get(), QStringLiteral("directoryDelButton"))->isEnabled());
        QVERIFY(child<QPushButton>(window.get(), QStringLiteral("exportDirectoriesButton"))->isEnabled());
        QVERIFY(child<QPushButton>(window.get(), QStringLiteral("importDirectoriesButton"))->isEnabled());
    }

    void toolbarRemembersTab()
    {
        auto window = windowWith({});
        QCOMPARE(window->currentTab(), QStringLiteral("Directories")); // the default
        window->toolbarItem(QStringLiteral("Attributes"))->trigger();
        QCOMPARE(window->currentTab(), QStringLiteral("Attributes"));
        QCOMPARE(onDisk().stringForKey(QStringLiteral("PrefToolbar")), QStringLiteral("Attributes"));
        window.reset();
        QCOMPARE(std::make_unique<TBPrefsController>()->currentTab(), QStringLiteral("Attributes"));
    }

    void numberFieldsClampWhenEditingEnds_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<QString>("key");
        QTest::newRow("hits above") << "maxHitsTextField"
                                    << "5000" << qint64(999) << "MaxHits";
        QTest::newRow("hits below") << "maxHitsTextField"
                                    << "-7" << qint64(-1) << "MaxHits";
        QTest::newRow("hits huge") << "maxHitsTextField"
                                   << "99999999999999999999999" << qint64(999) << "MaxHits";
        QTest::newRow("hits refused letters") << "maxHitsTextField"
                                              << "1x2" << qint64(12) << "MaxHits";
        QTest::newRow("hits minus alone") << "maxHitsTextField"
                                          << "-" << qint64(0) << "MaxHits";
        QTest::newRow("time in range") << "timeLimitTextField"
                                       << "-1" << qint64(-1) << "TimeLimit";
        QTest::newRow("time above") << "timeLimitTextField"
                                    << "61" << qint64(60) << "TimeLimit";
        QTest::newRow("connect below") << "connectTimeoutTextField"
                                       << "-1" << qint64(0) << "ConnectTimeout";
        QTest::newRow("connect above") << "connectTimeoutTextField"
                                       << "76" << qint64(75) << "ConnectTimeout";
        QTest::newRow("debug above") << "debugLevelTextField"
                                     << "65537" << qint64(65536) << "DebugLevel";
        QTest::newRow("debug below") << "debugLevelTextField"
                                     << "-2" << qint64(-1) << "DebugLevel";
        QTest::newRow("page size above") << "pageSizeTextField"
                                         << "20000" << qint64(10000) << "PageSize";
        QTest::newRow("page size below") << "pageSizeTextField"
                                         << "0" << qint64(1) << "PageSize";
    }
    void numberFieldsClampWhenEditingEnds()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(qint64, stored);
        QFETCH(QString, key);
        auto window = windowWith({{QStringLiteral("EnableDebug"), true}, {QStringLiteral("PagedResults"), true}});
        auto* edit = child<QLineEdit>(window.get(), field);
        type(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);

        QCOMPARE(edit->text(), QString::number(stored));
        QCOMPARE(onDisk().integerForKey(key), stored);
        const QList<TBNotification> changes = posted(TBPrefsHaveChangedNotification);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().userInfo.value(QStringLiteral("changedPref")).toString(), key);
    }

    void switchesStoreAndAnnounce_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("initially");
        QTest::newRow("friendly") << "showFriendlyAttrsCheckbox"
                                  << "ShowFriendlyAttrs" << true;
        QTest::newRow("base64") << "decodeBase64Checkbox"
                                << "DecodeBase64" << true;
        QTest::newRow("discard") << "discardOutputCheckbox"
                                 << "DiscardOutput" << false;
        QTest::newRow("debug") << "enableDebugCheckbox"
                               << "EnableDebug" << false;
        QTest::newRow("paging") << "pagedResultsCheckbox"
                                << "PagedResults" << false;
        QTest::newRow("auto add") << "autoAddDiscoverdAttributesCheckbox"
                                  << "AutoAddDiscoveredAttributes" << true;
        QTest::newRow("auto display") << "attributeColumnsAutoDisplayCheckbox"
                                      << "AutoDisplayAttributeColumns" << true;
    }
    void switchesStoreAndAnnounce()
    {
        QFETCH(QString, box);
        QFETCH(QString, key);
        QFETCH(bool, initially);
        auto window = windowWith({});
        auto* checkbox = child<QCheckBox>(window.get(), box);
        QCOMPARE(checkbox->isChecked(), initially);
        checkbox->click();
        QCOMPARE(onDisk().boolForKey(key), !initially);
        QCOMPARE(posted(TBPrefsHaveChangedNotification).size(), 1);
        QCOMPARE(posted(TBPrefsHaveChangedNotification).first().userInfo.value(QStringLiteral("changedPref")),
                 QVariant(key));
    }

    void fetchChoiceStoresIndex()
    {
        auto window = windowWith({});
        auto* popUp = child<QComboBox>(window.get(), QStringLiteral("fetchAttributesPopUp"));
        QCOMPARE(popUp->count(), 5);
        QTest::keyClick(popUp, Qt::Key_Down);
        QTest::keyClick(popUp, Qt::Key_Down);
        QCOMPARE(TBPreferences::sharedPreferences()->fetchWhichAttrs(), 2);
        QCOMPARE(onDisk().integerForKey(QStringLiteral("FetchWhichAttrs")), 2);
        QCOMPARE(posted(TBPrefsHaveChangedNotification).last().userInfo.value(QStringLiteral("changedPref")),
                 QVariant(QStringLiteral("FetchWhichAttrs")));
    }

    void debugSwitchKeepsLevel()
    {
        auto window = windowWith({});
        auto* debug = child<QCheckBox>(window.get(), QStringLiteral("enableDebugCheckbox"));
        auto* level = child<QLineEdit>(window.get(), QStringLiteral("debugLevelTextField"));
        debug->click();
        QVERIFY(level->isEnabled());
        type(level, QStringLiteral("256"));
        QTest::keyClick(level, Qt::Key_Return);
        debug->click();
        QVERIFY(!level->isEnabled());
        QCOMPARE(level->text(), QStringLiteral("256"));
        QCOMPARE(TBPreferences::sharedPreferences()->debugLevel(), 256);
        QVERIFY(!TBPreferences::sharedPreferences()->enableDebug());
    }

    // A value still being typed is committed, clamped, when the window closes.
    void closingCommitsFieldBeingEdited()
    {
        auto window = windowWith({});
        window->show();
        auto* hits = child<QLineEdit>(window.get(), QStringLiteral("maxHitsTextField"));
        type(hits, QStringLiteral("5000"));
        m_notifications.clear();
        window->close();
        QCOMPARE(TBPreferences::sharedPreferences()->maxHits(), 999);
        QCOMPARE(onDisk().integerForKey(QStringLiteral("MaxHits")), 999);
        QVERIFY(!posted(TBPrefsHaveChangedNotification).isEmpty());
        QCOMPARE(posted(TBPrefsHaveChangedNotification).last().sender, window.get());
    }

    // The window's own keys, as in every other window: Ctrl+W and Escape close it, Ctrl+Q quits.
    void windowKeys_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Ctrl+W") << QKeyCombination(Qt::CTRL, Qt::Key_W) << true;
        QTest::newRow("Escape") << QKeyCombination(Qt::Key_Escape) << true;
        QTest::newRow("Ctrl+Q") << QKeyCombination(Qt::CTRL, Qt::Key_Q) << false;
    }

    void windowKeys()
    {
        QFETCH(QKeyCombination, key);
        QFETCH(bool, closes);
        auto window = windowWith({});
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QSignalSpy quit(window.get(), &TBPrefsController::quitRequested);
        QTest::keyClick(window.get(), key.key(), key.keyboardModifiers());
        QCOMPARE(window->isVisible(), !closes);
        QCOMPARE(quit.size(), closes ? 0 : 1);
    }

    void showsOneWindowOnly()
    {
        windowWith({});
        TBPrefsController::showPreferencesWindow();
        TBPrefsController* first = TBPrefsController::existingController();
        QVERIFY(first && first->isVisible());
        first->close();
        TBPrefsController::showPreferencesWindow();
        QCOMPARE(TBPrefsController::existingController(), first);
        QVERIFY(first->isVisible());
        int windows = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            windows += qobject_cast<TBPrefsController*>(w) ? 1 : 0;
        QCOMPARE(windows, 1);
        delete first;
    }

    // ---------------------------------------------------------------- Directories tab

    void firstDirectoryIsSavedAndBecomesCurrent()
    {
        auto window = windowWith({});
        child<QPushButton>(window.get(), QStringLiteral("directoryAddButton"))->click();
        TBEditDirectorySheet* sheet = window->editDirectorySheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->editDirectoryNameTextField()->text(), QStringLiteral("New Directory"));
        QCOMPARE(window->editingDirectoryID(), -2);
        type(sheet->editDirectoryNameTextField(), QStringLiteral("Sample"));
        type(sheet->editDirectoryLDAPURITextField(), QStringLiteral("ldap://127.0.0.1:3890"));
        sheet->editDirectoryOKButton()->click();

        QVERIFY(!sheet->isVisible());
        QVERIFY(!window->editingDirectory());
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        QCOMPARE(names(), QStringList {QStringLiteral("Sample")});
        const qint64 id = qint64(prefs->directories().first()->directoryID());
        QCOMPARE(prefs->currentDirectoryID(), id);
        QCOMPARE(window->selectedDirectoryRows(), intList({0}));
        const QList<TBNotification> changes = posted(TBPrefsDirectoriesHaveChangedNotification);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().userInfo.value(QStringLiteral("DirectoryID")).toLongLong(), -2);
        // Written at once: a crash now loses nothing.
        QCOMPARE(namesOnDisk(), QStringList {QStringLiteral("Sample")});
        QCOMPARE(onDisk().integerForKey(QStringLiteral("CurrentDirectoryID")), id);

        // A second directory does not take over as current.
        child<QPushButton>(window.get(), QStringLiteral("directoryAddButton"))->click();
        type(sheet->editDirectoryNameTextField(), QStringLiteral("Second"));
        type(sheet->editDirectoryLDAPURITextField(), QStringLiteral("ldap://x"));
        sheet->editDirectoryOKButton()->click();
        QCOMPARE(prefs->currentDirectoryID(), id);
        QCOMPARE(window->selectedDirectoryRows(), intList({1}));
    }

    void validation_data()
    {
        QTest::addColumn<int>("editRow"); // -1: a new directory
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::addColumn<QString>("badField");
        const QString nameMissing = QStringLiteral("\"Directory Name\" value is missing.");
        const QString uriMissing = QStringLiteral("\"LDAP URI\" value is missing.");
        const QString name = QStringLiteral("editDirectoryNameTextField");
        const QString uri = QStringLiteral("editDirectoryLDAPURITextField");
        QTest::newRow("empty name first") << -1 << ""
                                          << "" << nameMissing << name;
        QTest::newRow("blank name passes") << -1 << "   "
                                           << "ldap://h"
                                           << ""
                                           << "";
        QTest::newRow("taken name") << -1 << "Beta"
                                    << "ldap://h"
                                    << "There is already a directory named \"Beta\"." << name;
        QTest::newRow("other case") << -1 << "beta"
                                    << "ldap://h"
                                    << ""
                                    << "";
        QTest::newRow("own name") << 0 << "Alpha"
                                  << "ldap://h"
                                  << ""
                                  << "";
        QTest::newRow("rename to later") << 0 << "Gamma"
                                         << "ldap://h"
                                         << "There is already a directory named \"Gamma\"." << name;
        QTest::newRow("rename to earlier") << 2 << "Alpha"
                                           << "ldap://h"
                                           << "There is already a directory named \"Alpha\"." << name;
        QTest::newRow("bare scheme") << -1 << "New"
                                     << "ldap://" << uriMissing << uri;
        QTest::newRow("empty uri") << -1 << "New"
                                   << "" << uriMissing << uri;
        QTest::newRow("other scheme") << -1 << "New"
                                      << "ldaps://"
                                      << ""
                                      << "";
        QTest::newRow("any text") << -1 << "New"
                                  << "x"
                                  << ""
                                  << "";
    }
    void validation()
    {
        QFETCH(int, editRow);
        QFETCH(QString, name);
        QFETCH(QString, uri);
        QFETCH(QString, message);
        QFETCH(QString, badField);
        auto window = windowWithDirectories({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
        window->show();
        if (editRow < 0) {
            window->addDirectory();
        } else {
            select(window.get(), {editRow});
            window->edtDirectory(child<QPushButton>(window.get(), QStringLiteral("directoryEdtButton")));
        }
        TBEditDirectorySheet* sheet = window->editDirectorySheet();
        type(sheet->editDirectoryNameTextField(), name);
        type(sheet->editDirectoryLDAPURITextField(), uri);
        sheet->editDirectoryTabView()->setCurrentIndex(1);
        const QStringList before = names();
        sheet->editDirectoryOKButton()->click();

        QMessageBox* box = visibleAlert(sheet);
        if (message.isEmpty()) {
            QVERIFY(!box);
            QVERIFY(!sheet->isVisible());
            QCOMPARE(names().size(), before.size() + (editRow < 0 ? 1 : 0));
            QVERIFY(names().contains(name));
            return;
        }
        QVERIFY(box);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->text(), message);
        QVERIFY(box->informativeText().startsWith(
            badField.contains(QStringLiteral("Name"))
                ? QStringLiteral("Please enter a unique name for this directory.")
                : QStringLiteral("Please specify the LDAP URI for this directory.\n(")));
        // The sheet stays open on the offending field, and nothing is stored.
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->editDirectoryTabView()->currentIndex(), 0);
        QCOMPARE(sheet->focusWidget(), child<QLineEdit>(sheet, badField));
        QCOMPARE(names(), before);
        QVERIFY(posted(TBPrefsDirectoriesHaveChangedNotification).isEmpty());
        closeAlert(box);
        sheet->editDirectoryCancelButton()->click();
        QVERIFY(!window->editingDirectory());
    }

    void addWithAltDuplicates_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("alt");
        QTest::addColumn<QString>("name");
        QTest::newRow("alt, one row") << intList({1}) << true << "Copy of Beta";
        QTest::newRow("alt, two rows") << intList({0, 1}) << true << "New Directory";
        QTest::newRow("no alt") << intList({1}) << false << "New Directory";
    }
    void addWithAltDuplicates()
    {
        QFETCH(QList<int>, rows);
        QFETCH(bool, alt);
        QFETCH(QString, name);
        auto window = windowWithDirectories({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        select(window.get(), rows);
        m_modifiers = alt ? Qt::AltModifier : Qt::NoModifier;
        window->addDirectory();
        m_modifiers = Qt::NoModifier;
        type(window->editDirectorySheet()->editDirectoryLDAPURITextField(), QStringLiteral("ldap://h"));

        const TBDirectoryPtr copy = window->editingDirectory();
        QVERIFY(copy);
        QCOMPARE(copy->directoryName(), name);
        QCOMPARE(window->editDirectorySheet()->editDirectoryNameTextField()->text(), name);
        const TBDirectoryPtr beta = TBPreferences::sharedPreferences()->directories().at(1);
        QVERIFY(copy->directoryID() != beta->directoryID());
        QCOMPARE(copy->simpleID() == beta->simpleID(), name.startsWith(QStringLiteral("Copy")));

        window->editDirectorySheet()->editDirectoryOKButton()->click();
        QCOMPARE(names().last(), name);
        QCOMPARE(namesOnDisk().last(), name);
    }

    void editWorksOnACopy()
    {
        auto window = windowWithDirectories({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        window->show();
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        const TBDirectoryPtr beta = prefs->directories().at(1);

        // Double-click opens the row clicked; Cancel stores nothing.
        QTableView* table = window->directoriesTable();
        const QRect rect = table->visualRect(table->model()->index(1, 0));
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                           table->viewport()->mapTo(window.get(), rect.center()));
        TBEditDirectorySheet* sheet = window->editDirectorySheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(window->editingDirectoryID(), qint64(beta->directoryID()));
        type(sheet->editDirectoryNameTextField(), QStringLiteral("Changed"));
        sheet->editDirectoryCancelButton()->click();
        QCOMPARE(prefs->directories().at(1), beta);
        QCOMPARE(beta->directoryName(), QStringLiteral("Beta"));
        QCOMPARE(window->editingDirectoryID(), -2);
        QVERIFY(posted(TBPrefsDirectoriesHaveChangedNotification).isEmpty());

        // The edit button opens the selected row; OK replaces the record, keeping its identifier.
        select(window.get(), {1});
        child<QPushButton>(window.get(), QStringLiteral("directoryEdtButton"))->click();
        type(sheet->editDirectoryNameTextField(), QStringLiteral("Changed"));
        sheet->editDirectoryAuthenticationPopUp()->setCurrentIndex(3);
        type(sheet->editDirectorySASLAuthCTextField(), QStringLiteral("alice"));
        sheet->editDirectoryOKButton()->click();

        const TBDirectoryPtr saved = prefs->directories().at(1);
        QCOMPARE(saved->directoryID(), beta->directoryID());
        QCOMPARE(saved->directoryName(), QStringLiteral("Changed"));
        QCOMPARE(saved->authentication(), 3u);
        QCOMPARE(saved->saslAuthCID(), QStringLiteral("alice"));
        QCOMPARE(beta->directoryName(), QStringLiteral("Beta")); // holders of the old record see no half edit
        QCOMPARE(window->selectedDirectoryRows(), intList({1}));
        const QList<TBNotification> changes = posted(TBPrefsDirectoriesHaveChangedNotification);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().userInfo.value(QStringLiteral("DirectoryID")).toLongLong(),
                 qint64(beta->directoryID()));
        QCOMPARE(namesOnDisk(), (QStringList {QStringLiteral("Alpha"), QStringLiteral("Changed")}));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("alt");
        QTest::addColumn<QString>("answer"); // button clicked; empty: no question expected
        QTest::addColumn<QString>("informative");
        QTest::addColumn<QStringList>("remaining");
        const QStringList all {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        QTest::newRow("one, cancelled") << intList({1}) << false << "cancelButton"
                                        << "Are you sure you want to delete the directory \"B\"?" << all;
        QTest::newRow("one, deleted") << intList({1}) << false << "deleteButton"
                                      << "Are you sure you want to delete the directory \"B\"?"
                                      << QStringList {QStringLiteral("A"), QStringLiteral("C")};
        QTest::newRow("two, deleted") << intList({0, 2}) << false << "deleteButton"
                                      << "Are you sure you want to delete the selected directories?"
                                      << QStringList {QStringLiteral("B")};
        QTest::newRow("alt deletes at once") << intList({0}) << true << ""
                                             << "" << QStringList {QStringLiteral("B"), QStringLiteral("C")};
    }
    void deleteAsksFirst()
    {
        QFETCH(QList<int>, rows);
        QFETCH(bool, alt);
        QFETCH(QString, answer);
        QFETCH(QString, informative);
        QFETCH(QStringList, remaining);
        auto window = windowWithDirectories({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        window->show();
        QCOMPARE(TBPreferences::sharedPreferences()->currentDirectoryID(), 100);
        select(window.get(), rows);
        m_modifiers = alt ? Qt::AltModifier : Qt::NoModifier;
        child<QPushButton>(window.get(), QStringLiteral("directoryDelButton"))->click();
        m_modifiers = Qt::NoModifier;

        QMessageBox* box = visibleAlert(window.get());
        QCOMPARE(box != nullptr, !answer.isEmpty());
        if (box) {
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->text(), QStringLiteral("Really delete?"));
            QCOMPARE(box->informativeText(), informative);
            QCOMPARE(box->buttons().size(), 2);
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("Delete"));
            child<QPushButton>(box, answer)->click();
        }
        QCOMPARE(names(), remaining);
        QCOMPARE(namesOnDisk(), remaining);
        QCOMPARE(window->directoriesTable()->model()->rowCount(), remaining.size());
        const bool deleted = remaining.size() < 3;
        QCOMPARE(posted(TBPrefsDirectoriesDeletedNotification).size(), deleted ? 1 : 0);
        if (deleted) {
            QVERIFY(window->selectedDirectoryRows().isEmpty());
            QVERIFY(!child<QPushButton>(window.get(), QStringLiteral("directoryDelButton"))->isEnabled());
        }
        // Deleting the current directory leaves none current.
        QCOMPARE(TBPreferences::sharedPreferences()->currentDirectoryID() == 0, rows.contains(0) && deleted);
    }

    // What Alt does to the buttons, without Alt: window managers often take Alt-clicks.
    void commandsWithoutAlt_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("sheetName"); // the sheet opens on it; empty: no sheet
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QStringList>("remaining");
        const QStringList all {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        const QStringList withoutB {QStringLiteral("A"), QStringLiteral("C")};
        QTest::newRow("Duplicate in the menu") << "duplicateDirectoryAction"
                                               << "Copy of B" << false << all;
        QTest::newRow("Ctrl+D") << "ctrl+d"
                                << "Copy of B" << false << all;
        QTest::newRow("Edit in the menu") << "editDirectoryAction"
                                          << "B" << false << all;
        QTest::newRow("Delete key asks") << "delete"
                                         << "" << true << all;
        QTest::newRow("Shift+Delete does not") << "shift+delete"
                                               << "" << false << withoutB;
        QTest::newRow("Delete Without Asking in the menu") << "deleteDirectoriesWithoutAskingAction"
                                                           << "" << false << withoutB;
    }
    void commandsWithoutAlt()
    {
        QFETCH(QString, how);
        QFETCH(QString, sheetName);
        QFETCH(bool, asked);
        QFETCH(QStringList, remaining);
        auto window = windowWithDirectories({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        window->show();
        window->activateWindow(); // shortcuts work in the active window only
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        select(window.get(), {1});
        QTableView* table = window->directoriesTable();
        table->setFocus();
        if (how == QLatin1String("ctrl+d")) {
            QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
        } else if (how == QLatin1String("delete")) {
            QTest::keyClick(table, Qt::Key_Delete);
        } else if (how == QLatin1String("shift+delete")) {
            QTest::keyClick(table, Qt::Key_Delete, Qt::ShiftModifier);
        } else {
            QMenu* menu = window->directoriesTab()->directoriesMenu();
            auto* command = window->directoriesTab()->findChild<QAction*>(how);
            QVERIFY(command && menu->actions().contains(command) && command->isEnabled());
            command->trigger();
        }
        TBEditDirectorySheet* sheet = window->editDirectorySheet();
        QCOMPARE(sheet && sheet->isVisible(), !sheetName.isEmpty());
        if (sheet && sheet->isVisible()) {
            QCOMPARE(sheet->editDirectoryNameTextField()->text(), sheetName);
            QCOMPARE(window->editingDirectoryID() == -2, sheetName != QLatin1String("B"));
            sheet->editDirectoryCancelButton()->click();
        }
        QMessageBox* box = visibleAlert(window.get());
        QCOMPARE(box != nullptr, asked);
        if (box) {
            QCOMPARE(box->text(), QStringLiteral("Really delete?"));
            child<QPushButton>(box, QStringLiteral("cancelButton"))->click();
        }
        QCOMPARE(names(), remaining);
        QCOMPARE(namesOnDisk(), remaining);

        // With nothing selected the commands are off.
        select(window.get(), {});
        window->directoriesTab()->directoriesMenu();
        for (const QString& name :
             {QStringLiteral("duplicateDirectoryAction"), QStringLiteral("editDirectoryAction"),
              QStringLiteral("deleteDirectoryAction"), QStringLiteral("deleteDirectoriesWithoutAskingAction")})
            QVERIFY(!window->directoriesTab()->findChild<QAction*>(name)->isEnabled());
        QVERIFY(window->directoriesTab()->findChild<QAction*>(QStringLiteral("addDirectoryAction"))->isEnabled());
    }

    // Export all, check the file with another reader, read it back: two more directories.
    void exportAndImportRoundTrip()
    {
        auto window = windowWithDirectories({QStringLiteral("A"), QStringLiteral("B")});
        window->show();
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        const QString exported = path(QStringLiteral("round-trip"));
        QFile::remove(exported + QStringLiteral(".plist"));

        window->exportDirectories();
        QList<QFileDialog*> panels = openPanels(window.get());
        QCOMPARE(panels.size(), 1);
        auto* what = child<QComboBox>(panels.first(), QStringLiteral("exportDirectoriesExportWhatPopUp"));
        QCOMPARE(what->currentIndex(), 0);
        QVERIFY(panels.first()->selectedFiles().value(0).endsWith(QStringLiteral("/Tamblin Directories.plist")));
        panels.first()->selectFile(exported);
        static_cast<QDialog*>(panels.first())->accept();
        QVERIFY(!window->exportingDirectories());
        QVERIFY(QFile::exists(exported + QStringLiteral(".plist")));

        // Python's plistlib reads it: an array of two full records with identifier 0; it writes it back.
        const QString rewritten = path(QStringLiteral("rewritten.plist"));
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import plistlib, sys\n"
                                     "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                     "assert isinstance(d, list) and len(d) == 2, d\n"
                                     "assert [x['DirectoryID'] for x in d] == [0, 0], d\n"
                                     "assert [x['DirectoryName'] for x in d] == ['A', 'B'], d\n"
                                     "assert all(len(x) == 13 for x in d), d\n"
                                     "plistlib.dump(d, open(sys.argv[2], 'wb'))\n"),
                      exported + QStringLiteral(".plist"), rewritten});
        QVERIFY(python.waitForFinished(30000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        QCOMPARE(prefs->directories().at(0)->directoryID(), 100u); // stored records keep their identifiers

        window->importDirectories();
        panels = openPanels(window.get());
        QCOMPARE(panels.size(), 1);
        panels.first()->selectFile(rewritten);
        static_cast<QDialog*>(panels.first())->accept();
        QVERIFY(!window->exportingDirectories());

        const QStringList expected {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A 2"),
                                    QStringLiteral("B 2")};
        QCOMPARE(names(), expected);
        QCOMPARE(namesOnDisk(), expected);
        QSet<quint64> ids;
        for (const TBDirectoryPtr& d : prefs->directories())
            ids.insert(d->directoryID());
        QCOMPARE(ids.size(), 4);
        QVERIFY(!ids.contains(0));
        QCOMPARE(prefs->directories().at(3)->simpleID(), prefs->directories().at(1)->simpleID());
        QCOMPARE(posted(TBPrefsDirectoriesHaveChangedNotification).size(), 1);
        QVERIFY(posted(TBPrefsDirectoriesHaveChangedNotification).first().userInfo.isEmpty());
        QCOMPARE(prefs->currentDirectoryID(), 100);
    }

    // Imported records are new directories: identifiers from the file are never taken over, and
    // names are unique among the imported ones too.
    void importMakesNewDirectories()
    {
        auto window = windowWithDirectories({QStringLiteral("A")});
        const QString file = path(QStringLiteral("hand-made.plist"));
        QVERIFY(TBPropertyList::writeFile(file,
                                          QVariantList {directoryDict(100, QStringLiteral("A")),
                                                        directoryDict(100, QStringLiteral("X")),
                                                        directoryDict(7, QStringLiteral("X"))}));
        select(window.get(), {0});
        QVERIFY(window->importDirectoriesFromURL(file));
        QCOMPARE(
            names(),
            (QStringList {QStringLiteral("A"), QStringLiteral("A 2"), QStringLiteral("X"), QStringLiteral("X 2")}));
        QSet<quint64> ids;
        for (const TBDirectoryPtr& d : TBPreferences::sharedPreferences()->directories())
            ids.insert(d->directoryID());
        QCOMPARE(ids.size(), 4);
        QCOMPARE(window->selectedDirectoryRows(), intList({0})); // the selection stays
    }

    void importRefusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a plist") << QByteArray("Name\tURI\nA\tldap://a\n");
        QTest::newRow("root is a dictionary") << TBPropertyList::toXml(directoryDict(0, QStringLiteral("D")));
        QTest::newRow("element not a dictionary")
            << TBPropertyList::toXml(QVariantList {directoryDict(0, QStringLiteral("D")), QStringLiteral("E")});
    }
    void importRefusesBadFiles()
    {
        QFETCH(QByteArray, content);
        auto window = windowWithDirectories({QStringLiteral("A")});
        window->show();
        const QString file = path(QStringLiteral("bad.plist"));
        QFile::remove(file);
        if (!content.isEmpty()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        QVERIFY(!window->importDirectoriesFromURL(file));
        QMessageBox* box = visibleAlert(window.get());
        QVERIFY(box);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->text(), QStringLiteral("Could not import directories."));
        QCOMPARE(box->informativeText(), QStringLiteral("Has the plist file been edited? If so, it may be corrupt."));
        closeAlert(box);
        QCOMPARE(names(), QStringList {QStringLiteral("A")});
        QVERIFY(posted(TBPrefsDirectoriesHaveChangedNotification).isEmpty());
    }

    void exportSelectedOnly()
    {
        auto window = windowWithDirectories({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        window->show();
        window->exportDirectories();
        QFileDialog* panel = openPanels(window.get()).value(0);
        QVERIFY(panel);
        child<QComboBox>(panel, QStringLiteral("exportDirectoriesExportWhatPopUp"))->setCurrentIndex(1);
        QCOMPARE(onDisk().integerForKey(QStringLiteral("ExportWhichDirectories")), 1);
        panel->reject();
        QVERIFY(!window->exportingDirectories());

        const QString file = path(QStringLiteral("selected.plist"));
        QFile::remove(file);
        select(window.get(), {2, 0});
        QVERIFY(window->exportDirectoriesToURL(file));
        QStringList exported;
        for (const QVariant& d : TBPropertyList::readFile(file).toList())
            exported.append(d.toMap().value(QStringLiteral("DirectoryName")).toString());
        QCOMPARE(exported, (QStringList {QStringLiteral("A"), QStringLiteral("C")}));

        // Nothing selected: nothing written, nothing said.
        QFile::remove(file);
        select(window.get(), {});
        QString error;
        QVERIFY(!window->exportDirectoriesToURL(file, &error));
        QVERIFY(error.isEmpty());
        QVERIFY(!QFile::exists(file));
    }

    void exportFailureIsReported()
    {
        auto window = windowWithDirectories({QStringLiteral("A")});
        window->show();
        window->exportDirectories();
        QFileDialog* panel = openPanels(window.get()).value(0);
        QVERIFY(panel);
        // A folder that disappears while the panel is up.
        QTemporaryDir gone;
        panel->setDirectory(gone.path());
        panel->selectFile(gone.filePath(QStringLiteral("out.plist")));
        QVERIFY(gone.remove());
        static_cast<QDialog*>(panel)->accept();
        QMessageBox* box = visibleAlert(window.get());
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Could not export directories."));
        QVERIFY(!box->informativeText().isEmpty());
        closeAlert(box);
    }

    void panelsExcludeEachOther()
    {
        auto window = windowWithDirectories({QStringLiteral("A")});
        window->show();
        window->importDirectories();
        window->exportDirectories();
        window->importDirectories();
        QList<QFileDialog*> panels = openPanels(window.get());
        QCOMPARE(panels.size(), 1);
        QCOMPARE(panels.first()->objectName(), QStringLiteral("importOpenPanel"));
        panels.first()->reject();
        QVERIFY(!window->exportingDirectories());
        window->exportDirectories();
        panels = openPanels(window.get());
        QCOMPARE(panels.size(), 1);
        QCOMPARE(panels.first()->objectName(), QStringLiteral("exportSavePanel"));
        panels.first()->reject();
    }

    // A deletion made elsewhere reloads the table.
    void followsDeletionsElsewhere()
    {
        auto window = windowWithDirectories({QStringLiteral("A"), QStringLiteral("B")});
        select(window.get(), {1});
        TBPreferences::sharedPreferences()->deleteDirectoryAtIndex(0);
        QCOMPARE(window->directoriesTable()->model()->rowCount(), 1);
        QVERIFY(window->selectedDirectoryRows().isEmpty());
        QVERIFY(!child<QPushButton>(window.get(), QStringLiteral("directoryEdtButton"))->isEnabled());
    }
};

QTEST_MAIN(tst_TBPrefsController)
#include "tst_TBPrefsController.moc"
