#include "TBADValues.h"

#include <QtTest>

#include <limits>

// The readable forms are checked against pairs made without this code: GUID texts by Python's
// uuid.UUID(bytes_le=bytes.fromhex(...)), SIDs written byte by byte from their layout (revision,
// sub-authority count, 48-bit big-endian authority, 32-bit little-endian sub-authorities).
class tst_TBADValues : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

private Q_SLOTS:
    void guidToString_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("alice of the sample")
            << hex("0f1e2d3c4b5a69788796a5b4c3d2e1f0") << QStringLiteral("{3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0}");
        QTest::newRow("bob of the sample")
            << hex("00112233445566778899aabbccddeeff") << QStringLiteral("{33221100-5544-7766-8899-aabbccddeeff}");
        QTest::newRow("the sample's Devices group")
            << hex("a1b2c3d4e5f60718293a4b5c6d7e8f90") << QStringLiteral("{d4c3b2a1-f6e5-1807-293a-4b5c6d7e8f90}");
        // uuid.NAMESPACE_DNS.bytes_le
        QTest::newRow("a well-known GUID")
            << hex("10b8a76bad9dd11180b400c04fd430c8") << QStringLiteral("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}");
        QTest::newRow("all bits set") << hex("ffffffffffffffffffffffffffffffff")
                                      << QStringLiteral("{ffffffff-ffff-ffff-ffff-ffffffffffff}");
        QTest::newRow("zero") << QByteArray(16, '\0') << QStringLiteral("{00000000-0000-0000-0000-000000000000}");

        QTest::newRow("15 bytes (mallory of the sample)") << hex("0f1e2d3c4b5a69788796a5b4c3d2e1") << QString();
        QTest::newRow("17 bytes") << hex("0f1e2d3c4b5a69788796a5b4c3d2e1f000") << QString();
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("the text form itself") << QByteArray("3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0") << QString();
    }

    void guidToString()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(TBADGUIDToString(bytes), expected);
    }

    void sidToString_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        // revision, count | authority | sub-authorities
        QTest::newRow("alice of the sample") << hex("0105"
                                                    "000000000005"
                                                    "15000000"
                                                    "dcf4dc3b"
                                                    "833d2b46"
                                                    "828ba628"
                                                    "50040000")
                                             << QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1104");
        QTest::newRow("the sample's Administrators") << hex("0105"
                                                            "000000000005"
                                                            "15000000"
                                                            "dcf4dc3b"
                                                            "833d2b46"
                                                            "828ba628"
                                                            "20020000")
                                                     << QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-544");
        QTest::newRow("BUILTIN\\Administrators") << hex("0102"
                                                        "000000000005"
                                                        "20000000"
                                                        "20020000")
                                                 << QStringLiteral("S-1-5-32-544");
        QTest::newRow("Everyone") << hex("0101"
                                         "000000000001"
                                         "00000000")
                                  << QStringLiteral("S-1-1-0");
        QTest::newRow("no sub-authority") << hex("0100"
                                                 "000000000005")
                                          << QStringLiteral("S-1-5");
        QTest::newRow("largest sub-authority, unsigned") << hex("0102"
                                                                "000000000005"
                                                                "ffffffff"
                                                                "00000080")
                                                         << QStringLiteral("S-1-5-4294967295-2147483648");
        QTest::newRow("fifteen sub-authorities") << hex("010f"
                                                        "000000000005"
                                                        "01000000020000000300000004000000050000000600000007000000"
                                                        "08000000090000000a0000000b0000000c0000000d0000000e000000"
                                                        "0f000000")
                                                 << QStringLiteral("S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15");
        QTest::newRow("largest decimal authority") << hex("0101"
                                                          "0000ffffffff"
                                                          "07000000")
                                                   << QStringLiteral("S-1-4294967295-7");
        QTest::newRow("authority of 2^32 and more, in hex") << hex("0101"
                                                                   "00010000abcd"
                                                                   "07000000")
                                                            << QStringLiteral("S-1-0x00010000ABCD-7");

        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("shorter than the header") << hex("01000000000005") << QString();
        QTest::newRow("revision 2") << hex("0201"
                                           "000000000005"
                                           "12000000")
                                    << QString();
        QTest::newRow("revision 0") << hex("0001"
                                           "000000000005"
                                           "12000000")
                                    << QString();
        QTest::newRow("sixteen sub-authorities") << hex("0110"
                                                        "000000000005"
                                                        "01000000020000000300000004000000050000000600000007000000"
                                                        "08000000090000000a0000000b0000000c0000000d0000000e000000"
                                                        "0f00000010000000")
                                                 << QString();
        QTest::newRow("five announced, four held (mallory of the sample)") << hex("0105"
                                                                                  "000000000005"
                                                                                  "15000000"
                                                                                  "dcf4dc3b"
                                                                                  "833d2b46"
                                                                                  "828ba628")
                                                                           << QString();
        QTest::newRow("one byte too many") << hex("0101"
                                                  "000000000005"
                                                  "12000000"
                                                  "00")
                                           << QString();
        QTest::newRow("a sub-authority cut short") << hex("0101"
                                                          "000000000005"
                                                          "120000")
                                                   << QString();
        QTest::newRow("a GUID") << hex("0f1e2d3c4b5a69788796a5b4c3d2e1f0") << QString();
    }

    void sidToString()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(TBADSIDToString(bytes), expected);
    }

    void identifierToString_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        const QByteArray guid = hex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
        const QString guidText = QStringLiteral("{3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0}");
        const QByteArray sid = hex("0101000000000005" // S-1-5-18
                                   "12000000");

        QTest::newRow("objectGUID") << QStringLiteral("objectGUID") << guid << guidText;
        QTest::newRow("case and an option ignored") << QStringLiteral("OBJECTGUID;binary") << guid << guidText;
        QTest::newRow("objectSid") << QStringLiteral("objectsid") << sid << QStringLiteral("S-1-5-18");
        QTest::newRow("a SID under objectGUID") << QStringLiteral("objectGUID") << sid << QString();
        QTest::newRow("a GUID under objectSid") << QStringLiteral("objectSid") << guid << QString();
        QTest::newRow("another attribute") << QStringLiteral("msExchMailboxGuid") << guid << QString();
        QTest::newRow("a longer name") << QStringLiteral("objectGUIDs") << guid << QString();
        QTest::newRow("no name") << QString() << guid << QString();
    }

    void identifierToString()
    {
        QFETCH(QString, attribute);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(TBADIdentifierToString(attribute, bytes), expected);
    }

    void timestampMeansNever_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<bool>("never");

        const QString accountExpires = QStringLiteral("accountExpires");
        const qint64 largest = std::numeric_limits<qint64>::max();
        QTest::newRow("accountExpires 0") << accountExpires << qint64(0) << true;
        QTest::newRow("accountExpires 9223372036854775807") << accountExpires << largest << true;
        QTest::newRow("case and an option ignored") << QStringLiteral("ACCOUNTEXPIRES;x-a") << qint64(0) << true;
        QTest::newRow("a date") << accountExpires << Q_INT64_C(133537590000000000) << false;
        QTest::newRow("one tick") << accountExpires << qint64(1) << false;
        QTest::newRow("one less than the largest") << accountExpires << largest - 1 << false;
        QTest::newRow("the smallest") << accountExpires << std::numeric_limits<qint64>::min() << false;
        QTest::newRow("pwdLastSet 0 keeps its rule") << QStringLiteral("pwdLastSet") << qint64(0) << false;
        QTest::newRow("lastLogon largest is a date") << QStringLiteral("lastLogon") << largest << false;
        QTest::newRow("a longer name") << QStringLiteral("accountExpiresAt") << qint64(0) << false;
        QTest::newRow("no name") << QString() << qint64(0) << false;
    }

    void timestampMeansNever()
    {
        QFETCH(QString, attribute);
        QFETCH(qint64, ticks);
        QFETCH(bool, never);
        QCOMPARE(TBADTimestampMeansNever(attribute, ticks), never);
    }

    void baseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");

        QTest::newRow("binary picture") << QStringLiteral("jpegPhoto;binary") << QStringLiteral("jpegPhoto");
        QTest::newRow("range") << QStringLiteral("member;range=0-1499") << QStringLiteral("member");
        QTest::newRow("several options") << QStringLiteral("cn;lang-de;x-a") << QStringLiteral("cn");
        QTest::newRow("no option") << QStringLiteral("thumbnailPhoto") << QStringLiteral("thumbnailPhoto");
        QTest::newRow("empty option") << QStringLiteral("userCertificate;") << QStringLiteral("userCertificate");
        QTest::newRow("only an option") << QStringLiteral(";binary") << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void baseName()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(TBAttributeBaseName(name), expected);
    }

    void rangeOption_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("ranged");
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::addColumn<bool>("complete");

        QTest::newRow("range=0-1499") << QStringLiteral("member;range=0-1499") << true << qint64(0) << qint64(1499)
                                      << false;
        QTest::newRow("range=1500-*") << QStringLiteral("member;range=1500-*") << true << qint64(1500) << qint64(-1)
                                      << true;
        QTest::newRow("range=0-*, everything at once")
            << QStringLiteral("member;range=0-*") << true << qint64(0) << qint64(-1) << true;
        QTest::newRow("one value") << QStringLiteral("member;range=7-7") << true << qint64(7) << qint64(7) << false;
        QTest::newRow("option name in capitals")
            << QStringLiteral("member;RANGE=0-1499") << true << qint64(0) << qint64(1499) << false;
        QTest::newRow("after another option")
            << QStringLiteral("member;binary;range=3-4") << true << qint64(3) << qint64(4) << false;
        QTest::newRow("before another option")
            << QStringLiteral("member;range=3-4;x-a") << true << qint64(3) << qint64(4) << false;
        QTest::newRow("the first of two")
            << QStringLiteral("member;range=0-1499;range=1500-*") << true << qint64(0) << qint64(1499) << false;
        QTest::newRow("largest high") << QStringLiteral("member;range=0-9223372036854775807") << true << qint64(0)
                                      << std::numeric_limits<qint64>::max() << false;

        const auto none = [](const char* name) {
            QTest::newRow(name) << QString::fromUtf8(name) << false << qint64(0) << qint64(0) << false;
        };
        none("member");
        none("member;binary");
        none("member;ranged=0-1");
        none("range=0-1499"); // an option needs an attribute type before it
        none("member;range=");
        none("member;range=0");
        none("member;range=0-");
        none("member;range=-1499");
        none("member;range=*-1499");
        none("member;range=*");
        none("member;range=1499-0");
        none("member;range= 0-1499");
        none("member;range=0-1499 ");
        none("member;range=+0-1499");
        none("member;range=0x10-0x20");
        none("member;range=0-1499x");
        none("member;range=0-1-2");
        none("member;range=0-**");
        none("member;range=0-99999999999999999999");
        none("member;range=\xd9\xa0-\xd9\xa1"); // Arabic-Indic digits
        none("member;range=0-1499x;range=1500-*"); // the first one decides
        QTest::newRow("empty") << QString() << false << qint64(0) << qint64(0) << false;
    }

    void rangeOption()
    {
        QFETCH(QString, name);
        QFETCH(bool, ranged);
        const std::optional<TBAttributeRange> range = TBAttributeRangeOption(name);
        QCOMPARE(range.has_value(), ranged);
        if (!ranged)
            return;
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        QFETCH(bool, complete);
        QCOMPARE(range->low, low);
        QCOMPARE(range->high, high);
        QCOMPARE(range->complete, complete);
    }
};

QTEST_GUILESS_MAIN(tst_TBADValues)
#include "tst_TBADValues.moc"
