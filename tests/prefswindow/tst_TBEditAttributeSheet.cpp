#include "TBEditAttributeSheet.h"

#include "TBAttribute.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_TBEditAttributeSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsAndReadsBack_data()
    {
        QTest::addColumn<qint64>("kind");
        QTest::addColumn<int>("shownIndex");
        QTest::newRow("text") << qint64(0) << 0;
        QTest::newRow("image") << qint64(1) << 1;
        QTest::newRow("binary") << qint64(2) << 2;
        // A kind without an item shows none and is given back as loaded.
        QTest::newRow("timestamp") << qint64(3) << -1;
    }
    void loadsAndReadsBack()
    {
        QFETCH(qint64, kind);
        QFETCH(int, shownIndex);
        TBEditAttributeSheet sheet;
        QCOMPARE(sheet.editAttributeTypePopUp()->count(), 3);
        QCOMPARE(sheet.editAttributeTypePopUp()->itemText(1), QStringLiteral("Image"));
        TBAttribute attribute;
        attribute.setAttributeName(QStringLiteral("badgePhoto"));
        attribute.setFriendlyName(QString());
        attribute.setAttributeType(kind);
        sheet.show();
        sheet.updateEditAttributeUI(attribute);
        QCOMPARE(sheet.editAttributeName()->text(), QStringLiteral("badgePhoto"));
        QCOMPARE(sheet.editAttributeName()->selectedText(), QStringLiteral("badgePhoto"));
        QCOMPARE(sheet.focusWidget(), sheet.editAttributeName());
        QCOMPARE(sheet.editAttributeTypePopUp()->currentIndex(), shownIndex);
        QCOMPARE(sheet.attributeType(), kind);
        // An empty friendly name is read as the empty string, never as nothing.
        QVERIFY(!sheet.friendlyName().isNull());
        QVERIFY(sheet.friendlyName().isEmpty());

        sheet.editAttributeTypePopUp()->setCurrentIndex(2);
        QCOMPARE(sheet.attributeType(), 2);
        sheet.editAttributeFriendlyName()->setText(QStringLiteral("Badge"));
        QCOMPARE(sheet.friendlyName(), QStringLiteral("Badge"));
    }

    // The name field takes only what an attribute name may hold, options included: a name that
    // discovery added with them can be edited.
    void nameFieldFilters()
    {
        TBEditAttributeSheet sheet;
        QLineEdit* name = sheet.editAttributeName();
        QTest::keyClicks(name, QStringLiteral("9 employee Number.2"));
        QCOMPARE(name->text(), QStringLiteral("employeeNumber2"));

        TBAttribute discovered;
        discovered.setAttributeName(QStringLiteral("member;range=0-1499"));
        sheet.updateEditAttributeUI(discovered);
        name->end(false);
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, QStringLiteral("8 "));
        QCOMPARE(name->text(), QStringLiteral("member;range=0-1498"));
    }

    // OK leaves the closing to the owner; Cancel rejects.
    void buttons()
    {
        TBEditAttributeSheet sheet;
        sheet.show();
        QSignalSpy ok(&sheet, &TBEditAttributeSheet::okClicked);
        QSignalSpy rejected(&sheet, &QDialog::rejected);
        sheet.editAttributeOKButton()->click();
        QCOMPARE(ok.size(), 1);
        QVERIFY(sheet.isVisible());
        sheet.editAttributeCancelButton()->click();
        QCOMPARE(rejected.size(), 1);
        QVERIFY(!sheet.isVisible());
    }
};

QTEST_MAIN(tst_TBEditAttributeSheet)
#include "tst_TBEditAttributeSheet.moc"
