#include "TBOtherAttributeSheet.h"

#include "TBPreferences.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The other-attribute sheet lists the whole registry, list by list, and answers the choice.
class tst_TBOtherAttributeSheet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        QVERIFY(m_dir.isValid());
        m_store = std::make_unique<TBUserDefaults>(m_dir.filePath(QStringLiteral("Tamblin.plist")));
        TBPreferences::resetSharedPreferences(m_store.get());
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    void listsTheRegistry()
    {
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        auto plain = std::make_shared<TBAttribute>();
        plain->setAttributeName(QStringLiteral("tamblinPlain"));
        plain->setFriendlyName(QString());
        prefs->addAttribute(plain);

        TBOtherAttributeSheet sheet;
        const QComboBox* popUp = sheet.otherAttrPopUpButton();
        // One item per attribute, a separator between the non-empty lists.
        qsizetype attributes = 0;
        qsizetype lists = 0;
        for (const TBAttributeList* list : prefs->allAttributeArrays()) {
            attributes += list->size();
            lists += list->isEmpty() ? 0 : 1;
        }
        QCOMPARE(popUp->count(), attributes + lists - 1);
        QCOMPARE(popUp->itemText(popUp->findData(prefs->attributeWithName("cn")->attributeID())),
                 QStringLiteral("cn (Full Name)"));
        QCOMPARE(popUp->itemText(popUp->count() - 1), QStringLiteral("tamblinPlain"));
        // Between the default text list and the picture list.
        QVERIFY(popUp->itemText(int(prefs->defaultAttrs().size())).isEmpty());

        QVERIFY(sheet.selectAttributeNamed(QStringLiteral("JPEGPHOTO")));
        QCOMPARE(sheet.selectedAttributeName(), QStringLiteral("jpegphoto"));
        QCOMPARE(sheet.selectedAttributeID(), prefs->attributeWithName("jpegphoto")->attributeID());
        QVERIFY(!sheet.selectAttributeNamed(QStringLiteral("tamblinNowhere")));
        QCOMPARE(sheet.selectedAttributeName(), QStringLiteral("jpegphoto"));
    }
};

QTEST_MAIN(tst_TBOtherAttributeSheet)
#include "tst_TBOtherAttributeSheet.moc"
