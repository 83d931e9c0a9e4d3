#include "TBExportPanel.h"

#include "TBExport.h"
#include "TBPreferences.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

TBEntryPtr person(const QString& dn, bool photo)
{
    TBEntryPtr entry = TBEntry::entry();
    entry->addAttribute(QStringLiteral("dn"), dn);
    entry->addAttribute(QStringLiteral("cn"), dn.section(QLatin1Char(','), 0, 0).section(QLatin1Char('='), 1));
    if (photo) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG");
        entry->addAttribute(QStringLiteral("jpegPhoto"), data, true);
    }
    return entry;
}

// Clicks a check box on its box, where a click always lands.
void click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

bool itemEnabled(const QComboBox* popUp, qint64 tag)
{
    const auto* model = qobject_cast<const QStandardItemModel*>(popUp->model());
    return model->item(popUp->findData(tag))->isEnabled();
}

} // namespace

// The export panel: what it shows from the remembered choices and the entries, how its controls
// change it, and what it remembers.
class tst_TBExportPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
    TBPreferences* prefs() const { return TBPreferences::sharedPreferences(); }

    void remember(qint64 format, bool selectedOnly, bool names, bool visibleOnly)
    {
        prefs()->setExportFileFormat(format);
        prefs()->setExportSelectedRowsOnly(selectedOnly);
        prefs()->setExportIncludeAttrNames(names);
        prefs()->setExportVisibleColumnsOnly(visibleOnly);
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        QVERIFY(m_dir.isValid());
        m_store = std::make_unique<TBUserDefaults>(m_dir.filePath(QStringLiteral("Tamblin.plist")));
        TBPreferences::resetSharedPreferences(m_store.get());
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    void panelFollowsChoicesAndEntries_data()
    {
        QTest::addColumn<qint64>("remembered");
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<QStringList>("all"); // DNs; a "*" first marks a photo
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<qint64>("format");
        QTest::addColumn<bool>("picturesOffered");
        QTest::addColumn<QString>("name");

        const QStringList plain {"uid=bob,dc=t", "uid=carol,dc=t"};
        QTest::newRow("no picture: rich text instead")
            << qint64(2) << false << plain << QList<int>() << qint64(1) << false << "LDAP Entries.rtf";
        QTest::newRow("a picture somewhere") << qint64(2) << false << QStringList({"uid=bob,dc=t", "*uid=ann,dc=t"})
                                             << QList<int>({0}) << qint64(2) << true << "LDAP Entries.rtfd";
        // Only the selected rows count when only they are exported.
        QTest::newRow("picture not among the selected")
            << qint64(2) << true << QStringList({"uid=bob,dc=t", "*uid=ann,dc=t"}) << QList<int>({0}) << qint64(1)
            << false << "bob.rtf";
        QTest::newRow("nothing selected")
            << qint64(4) << true << plain << QList<int>() << qint64(4) << false << "LDAP Entries.csv";
        QTest::newRow("stored value out of range")
            << qint64(9) << false << plain << QList<int>() << qint64(0) << false << "LDAP Entries.txt";
        QTest::newRow("one entry") << qint64(3) << false << QStringList {"cn=Smith/Jones,dc=t"} << QList<int>()
                                   << qint64(3) << false << "Smith-Jones.txt";
        QTest::newRow("no entries") << qint64(0) << false << QStringList() << QList<int>() << qint64(0) << false
                                    << "Error.txt";
    }

    void panelFollowsChoicesAndEntries()
    {
        QFETCH(qint64, remembered);
        QFETCH(bool, selectedOnly);
        QFETCH(QStringList, all);
        QFETCH(QList<int>, selected);
        QFETCH(qint64, format);
        QFETCH(bool, picturesOffered);
        QFETCH(QString, name);

        remember(remembered, selectedOnly, true, false);
        TBEntryList entries;
        for (const QString& dn : all)
            entries.append(person(dn.startsWith('*') ? dn.mid(1) : dn, dn.startsWith('*')));
        TBEntryList chosen;
        for (int row : selected)
            chosen.append(entries.at(row));

        TBExportPanel panel(entries, chosen);
        QCOMPARE(panel.exportFileFormat(), format);
        QCOMPARE(panel.savePanelFileFormatPopup()->currentData().toLongLong(), format);
        QCOMPARE(itemEnabled(panel.savePanelFileFormatPopup(), TBExportRTFD), picturesOffered);
        QCOMPARE(panel.fileName(), name);
        QCOMPARE(panel.defaultSuffix(), TBExport::fileExtension(format));

        QCheckBox* selectedBox = panel.savePanelSelectedRowsCheckbox();
        QCOMPARE(selectedBox->isEnabled(), !selected.isEmpty());
        QCOMPARE(selectedBox->toolTip(), selected.isEmpty() ? QStringLiteral("(nothing selected)") : QString());
        QCOMPARE(selectedBox->isChecked(), selectedOnly && !selected.isEmpty());
        const bool delimited = format == 3 || format == 4;
        QCOMPARE(panel.savePanelIncludeAttrNamesCheckbox()->isEnabled(), delimited);
        QCOMPARE(panel.savePanelVisibleColumnsCheckbox()->isEnabled(), delimited);
        QVERIFY(panel.savePanelIncludeAttrNamesCheckbox()->isChecked());
    }

    void controlsChangeThePanel()
    {
        remember(0, false, false, false);
        const TBEntryList entries {person("uid=bob,dc=t", false), person("uid=ann,dc=t", true)};
        TBExportPanel panel(entries, {entries.at(1)});
        panel.open();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        // The format pop-up: a new extension, the typed name kept, the check boxes for delimited text.
        panel.setFileName(QStringLiteral("people.txt"));
        QComboBox* popUp = panel.savePanelFileFormatPopup();
        QTest::keyClick(popUp, Qt::Key_End);
        QCOMPARE(panel.exportFileFormat(), qint64(TBExportCommaSeparated));
        QCOMPARE(panel.fileName(), QStringLiteral("people.csv"));
        QVERIFY(panel.savePanelIncludeAttrNamesCheckbox()->isEnabled());
        click(panel.savePanelIncludeAttrNamesCheckbox());
        QVERIFY(panel.exportIncludeAttrNames());

        // Selected rows only: the other suggested name; off again, the first one.
        click(panel.savePanelSelectedRowsCheckbox());
        QVERIFY(panel.exportSelectedRowsOnly());
        QCOMPARE(panel.fileName(), QStringLiteral("ann.csv"));
        click(panel.savePanelSelectedRowsCheckbox());
        QCOMPARE(panel.fileName(), QStringLiteral("LDAP Entries.csv"));

        QTest::keyClick(popUp, Qt::Key_Home);
        QCOMPARE(panel.fileName(), QStringLiteral("LDAP Entries.txt"));
        QVERIFY(!panel.savePanelIncludeAttrNamesCheckbox()->isEnabled());
        panel.reject();
    }

    void confirmedChoicesAreRemembered()
    {
        remember(0, false, false, false);
        const TBEntryList entries {person("uid=bob,dc=t", false), person("uid=ann,dc=t", false)};

        // Cancelled: nothing remembered.
        {
            TBExportPanel panel(entries, {entries.at(0)});
            panel.setExportFileFormat(TBExportTabDelimited);
            panel.setExportVisibleColumnsOnly(true);
            panel.open();
            panel.reject();
            QCOMPARE(prefs()->exportFileFormat(), qint64(0));
            QVERIFY(!prefs()->exportVisibleColumnsOnly());
        }

        TBExportPanel panel(entries, {entries.at(0)});
        panel.setDirectory(m_dir.path());
        panel.setExportFileFormat(TBExportCommaSeparated);
        panel.setExportSelectedRowsOnly(true);
        panel.setExportIncludeAttrNames(true);
        panel.setExportVisibleColumnsOnly(true);
        // A name without the format's extension gets it.
        panel.selectFile(m_dir.filePath(QStringLiteral("people")));
        panel.open();
        panel.accept();
        QCOMPARE(panel.result(), int(QDialog::Accepted));
        QCOMPARE(panel.exportPath(), m_dir.filePath(QStringLiteral("people.csv")));
        QCOMPARE(prefs()->exportFileFormat(), qint64(TBExportCommaSeparated));
        QVERIFY(prefs()->exportSelectedRowsOnly());
        QVERIFY(prefs()->exportIncludeAttrNames());
        QVERIFY(prefs()->exportVisibleColumnsOnly());
    }

    void browsePanel()
    {
        remember(TBExportTabDelimited, true, true, true);
        TBEntryPtr entry = person(QString(), true);
        TBExportPanel panel(entry);
        // No delimited formats: the remembered tab-delimited choice reads as plain text.
        QCOMPARE(panel.savePanelFileFormatPopup()->count(), 3);
        QCOMPARE(panel.exportFileFormat(), qint64(TBExportPlainText));
        QVERIFY(itemEnabled(panel.savePanelFileFormatPopup(), TBExportRTFD));
        QVERIFY(panel.savePanelExtrasView()->isHidden());
        QCOMPARE(panel.fileName(), QStringLiteral("LDAP Entry.txt"));

        panel.setDirectory(m_dir.path());
        panel.setExportFileFormat(TBExportRTFD);
        panel.selectFile(m_dir.filePath(QStringLiteral("entry")));
        panel.accept();
        QCOMPARE(panel.exportPath(), m_dir.filePath(QStringLiteral("entry.rtfd")));
        // Only the format is the browse window's to remember.
        QCOMPARE(prefs()->exportFileFormat(), qint64(TBExportRTFD));
        QVERIFY(prefs()->exportSelectedRowsOnly());
    }
};

QTEST_MAIN(tst_TBExportPanel)
#include "tst_TBExportPanel.moc"
