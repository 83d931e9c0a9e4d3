#include "TBEntry.h"
#include "TBTestModel.h"

#include "TBAttributeRegistry.h"
#include "TBTestSupport.h"

#include <QtTest>

#include <limits>
#include <time.h>

namespace {

// A 600 x 300 GIF in one colour (Qt reads GIF but cannot write it).
const QByteArray gif600x300 = QByteArray::fromBase64(
    "R0lGODlhWAIsAfAAADNmmQAAACH5BAAAAAAALAAAAABYAiwBAAL+hI+py+0Po5y02ouz3rz7D4biSJbmiabqyrbuC8fyTNf2jef6"
    "zvf+DwwKh8Si8YhMKpfMpvMJjUqn1Kr1is1qt9yu9wsOi8fksvmMTqvX7Lb7DY/L5/S6/Y7P6/f8vv8PGCg4SFhoeIiYqLjI2Oj4"
    "CBkpOUlZaXmJmam5ydnp+QkaKjpKWmp6ipqqusra6voKGys7S1tre4ubq7vL2+v7CxwsPExcbHyMnKy8zNzs/AwdLT1NXW19jZ2t"
    "vc3d7f0NHi4+Tl5ufo6err7O3u7+Dh8vP09fb3+Pn6+/z9/v/w8woMCBBAsaPIgwocKFDBs6fAgxosSJFCtavIgxo8b+jRw7evwI"
    "MqTIkSRLmjyJMqXKlSxbunwJM6bMmTRr2ryJM6fOnTx7+vwJNKjQoUSLGj2KNKnSpUybOn0KNarUqVSrWr2KNavWrVy7ev0KNqzY"
    "sWTLmj2LNq3atWzbun0LN67cuXTr2r2LN6/evXz7+v0LOLDgwYQLGz6MOLHixYwbO34MObLkyZQrW76MObPmzZw7e/4MOrTo0aRL"
    "mz6NOrXq1axbu34NO7bs2bRr276NO7fu3bx7+/4NPLjw4cSLGz+OPLny5cybO38OPbr06dSrW7+OPbv27dy7e/8OPrz48eTLmz+P"
    "Pr369ezbu38PP778+fTr27+PP7/+/fx5+/v/D2CAAg5IYIEGHohgggouyGCDDj4IYYQSTkhhhRZeiGGGGm7IYYcefghiiCKOSGKJ"
    "Jp6IYooqrshiiy6+CGOMMs5IY4023ohjjjruyGOPPv4IZJBCDklkkUYeiWSSSi7JZJNOPglllFJOSWWVVl6JZZZabglTAQA7");

QByteArray encodedPicture(QSize size, const char* format)
{
    if (qstrcmp(format, "GIF") == 0)
        return size == QSize(600, 300) ? gif600x300 : QByteArray();
    return TBTestSupport::encodedImage(size, QColor(0x33, 0x66, 0x99), format);
}

QStringList texts(const QList<TBValue>& values)
{
    QStringList list;
    for (const TBValue& value : values)
        list << value.text();
    return list;
}

void setTimeZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

} // namespace

class tst_TBEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void multipleValues();
    void builtEntries();
    void dnRule_data();
    void dnRule();
    void ignoredAdditions();
    void kindsOfValues();
    void pictures_data();
    void pictures();
    void undecodablePictures_data();
    void undecodablePictures();
    void registryDecidesPictures();
    void pictureCacheRedecodes();
    void firstPartOfDN_data();
    void firstPartOfDN();
    void adTimestampValue_data();
    void adTimestampValue();
    void adTimestampToString_data();
    void adTimestampToString();
    void adTimestampInLocalTime();
    void adTimestampExtremes();
};

void tst_TBEntry::initTestCase()
{
    TBTestSupport::useScratchConfig();
    setTimeZone("UTC");
}

void tst_TBEntry::multipleValues()
{
    TBEntry entry;
    entry.addAttribute(QStringLiteral("mail"), QStringLiteral("a@test"));
    entry.addAttribute(QStringLiteral("cn"), QStringLiteral("A"));
    entry.addAttribute(QStringLiteral("mail"), QStringLiteral("b@test"));
    entry.addAttribute(QStringLiteral("MAIL"), QStringLiteral("c@test"));

    QCOMPARE(entry.attributes(), QStringList({"mail", "cn"}));
    QCOMPARE(entry.numValuesForAttribute(QStringLiteral("MAIL")), 3);
    QCOMPARE(texts(entry.allValuesForAttribute(QStringLiteral("Mail"))), QStringList({"a@test", "b@test", "c@test"}));
    QCOMPARE(entry.valueForAttribute(QStringLiteral("mAiL")).text(), QStringLiteral("a@test"));
    QCOMPARE(entry.valueForKey(QStringLiteral("CN")).text(), QStringLiteral("A"));
    QCOMPARE(entry.indexOfAttribute(QStringLiteral("Cn")), 1);

    QCOMPARE(entry.indexOfAttribute(QStringLiteral("sn")), -1);
    QVERIFY(entry.valueForAttribute(QStringLiteral("sn")).isNull());
    QVERIFY(entry.allValuesForAttribute(QStringLiteral("sn")).isEmpty());
    QCOMPARE(entry.numValuesForAttribute(QStringLiteral("sn")), 0);
    QVERIFY(entry.valueAtIndex(2).isNull());
    QVERIFY(entry.valuesAtIndex(-1).isEmpty());
}

void tst_TBEntry::builtEntries()
{
    // Entries of one builder share their names; adding to one later must not touch the others.
    TBEntryBuilder builder;
    const quint32 dn = builder.nameID(QStringLiteral("dn"));
    const quint32 mail = builder.nameID(QStringLiteral("mail"));
    const quint32 upperMail = builder.nameID(QStringLiteral("MAIL"));
    const quint32 photo = builder.nameID(QStringLiteral("jpegPhoto"));
    builder.addText(dn, "cn=a");
    builder.addText(mail, "a1");
    builder.addPictureData(photo, encodedPicture(QSize(300, 150), "PNG"));
    builder.addText(upperMail, "a2");
    builder.addBytes(mail, QByteArray("\xff", 1));
    const TBEntryPtr a = builder.take();
    builder.addText(mail, "b1");
    builder.addText(dn, "cn=b");
    builder.addPictureData(photo, "junk");
    const TBEntryPtr b = builder.take();
    const TBEntryPtr empty = builder.take();

    QCOMPARE(a->dn(), QStringLiteral("cn=a"));
    QCOMPARE(a->attributes(), QStringList({"dn", "mail", "jpegPhoto"}));
    QCOMPARE(a->numValuesForAttribute(QStringLiteral("Mail")), 3);
    QCOMPARE(a->allValuesForAttribute(QStringLiteral("mail")).at(2).bytes(), QByteArray("\xff", 1));
    QCOMPARE(a->valueForAttribute(QStringLiteral("jpegphoto")).picture().size(), QSize(256, 128));
    QVERIFY(a->hasPhoto());
    QCOMPARE(b->dn(), QStringLiteral("cn=b"));
    QCOMPARE(b->attributes(), QStringList({"mail", "dn", "jpegPhoto"}));
    QCOMPARE(b->valueForAttribute(QStringLiteral("JPEGPHOTO")).text(), QStringLiteral("<Could not decode image data>"));
    QVERIFY(!b->hasPhoto());
    QVERIFY(empty->attributes().isEmpty());
    QCOMPARE(empty->dn(), QString());

    a->addAttribute(QStringLiteral("Cn"), QStringLiteral("A"));
    a->addAttribute(QStringLiteral("Mail"), QStringLiteral("a3"));
    a->addAttribute(QStringLiteral("cn"), QStringLiteral("A2"));
    QCOMPARE(a->attributes(), QStringList({"dn", "mail", "jpegPhoto", "Cn"}));
    QCOMPARE(texts(a->allValuesForAttribute(QStringLiteral("cn"))), QStringList({"A", "A2"}));
    QCOMPARE(a->valuesAtIndex(1).size(), 4);
    QCOMPARE(a->valuesAtIndex(1).at(3).text(), QStringLiteral("a3"));
    QCOMPARE(a->valueForAttribute(QStringLiteral("dn")).text(), QStringLiteral("cn=a"));
    QCOMPARE(b->indexOfAttribute(QStringLiteral("cn")), -1);
    QCOMPARE(b->attributes(), QStringList({"mail", "dn", "jpegPhoto"}));
}

void tst_TBEntry::dnRule_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("dn");
    QTest::addColumn<QStringList>("attributes");

    QTest::newRow("dn sets the dn") << QStringList {"dn", "cn"} << QStringLiteral("v0") << QStringList {"dn", "cn"};
    QTest::newRow("DN does not") << QStringList {"DN", "cn"} << QString() << QStringList {"DN", "cn"};
    QTest::newRow("DN joins an existing dn") << QStringList {"dn", "DN"} << QStringLiteral("v0") << QStringList {"dn"};
    QTest::newRow("a later dn replaces it") << QStringList {"dn", "dn"} << QStringLiteral("v1") << QStringList {"dn"};
}

void tst_TBEntry::dnRule()
{
    QFETCH(QStringList, names);
    QFETCH(QString, dn);
    QFETCH(QStringList, attributes);
    TBEntry entry;
    for (qsizetype i = 0; i < names.size(); ++i)
        entry.addAttribute(names[i], QStringLiteral("v%1").arg(i));
    QCOMPARE(entry.dn(), dn);
    QCOMPARE(entry.attributes(), attributes);
}

void tst_TBEntry::ignoredAdditions()
{
    TBEntry entry;
    entry.addAttribute(QString(), QStringLiteral("x"));
    entry.addAttribute(QStringLiteral("cn"), QString());
    entry.addAttribute(QStringLiteral("cn"), QStringLiteral(""));
    entry.addAttribute(QStringLiteral("cn"), QByteArray(), false);
    entry.addAttribute(QStringLiteral("jpegPhoto"), QByteArray(), true);
    entry.addAttribute(QStringLiteral("cn"), TBValue());
    entry.addAttribute(QStringLiteral("cn"), TBValue(TBPicture()));
    QVERIFY(entry.attributes().isEmpty());
    QVERIFY(!entry.hasPhoto());
    // Bytes are not text: a "dn" given as bytes leaves the dn alone.
    entry.addAttribute(QStringLiteral("dn"), QByteArray("cn=x"), false);
    QCOMPARE(entry.dn(), QString());
}

void tst_TBEntry::kindsOfValues()
{
    const QByteArray bytes("\x00\x01\xfe\xff", 4);
    const QByteArray jpeg = encodedPicture(QSize(20, 10), "JPEG");
    TBEntry entry;
    entry.addAttribute(QStringLiteral("objectGUID"), bytes, false);
    entry.addAttribute(QStringLiteral("jpegPhoto"), jpeg, true);
    entry.addAttribute(QStringLiteral("cn"), QStringLiteral("Ünïcødé 𝄞"));
    entry.addAttribute(QStringLiteral("notes"), jpeg, false); // picture bytes of an ordinary attribute

    const TBValue guid = entry.valueForAttribute(QStringLiteral("objectguid"));
    QVERIFY(guid.isBytes());
    QCOMPARE(guid.bytes(), bytes);
    const TBValue photo = entry.valueForAttribute(QStringLiteral("jpegphoto"));
    QVERIFY(photo.isPicture());
    QCOMPARE(photo.picture().data(), jpeg);
    QVERIFY(entry.valueForAttribute(QStringLiteral("cn")).isText());
    QCOMPARE(entry.valueForAttribute(QStringLiteral("cn")).text(), QStringLiteral("Ünïcødé 𝄞"));
    QCOMPARE(entry.valueForAttribute(QStringLiteral("notes")).bytes(), jpeg);
    QVERIFY(entry.hasPhoto());

    // A copy holds the same values.
    const TBEntry copy(entry);
    QCOMPARE(copy.attributes(), entry.attributes());
    QCOMPARE(copy.valueForAttribute(QStringLiteral("jpegPhoto")), photo);
    QVERIFY(copy.hasPhoto());
}

void tst_TBEntry::pictures_data()
{
    QTest::addColumn<QSize>("original");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("shown");

    QTest::newRow("wide") << QSize(512, 256) << QByteArray("JPEG") << QSize(256, 128);
    QTest::newRow("rounded down") << QSize(300, 299) << QByteArray("JPEG") << QSize(256, 255);
    QTest::newRow("tall") << QSize(299, 300) << QByteArray("PNG") << QSize(255, 256);
    QTest::newRow("small stays") << QSize(200, 100) << QByteArray("JPEG") << QSize(200, 100);
    QTest::newRow("exactly 256") << QSize(256, 256) << QByteArray("PNG") << QSize(256, 256);
    QTest::newRow("thin keeps a pixel") << QSize(2000, 1) << QByteArray("PNG") << QSize(256, 1);
    QTest::newRow("GIF") << QSize(600, 300) << QByteArray("GIF") << QSize(256, 128);
    QTest::newRow("BMP, through the image plugins") << QSize(300, 150) << QByteArray("BMP") << QSize(256, 128);
}

void tst_TBEntry::pictures()
{
    QFETCH(QSize, original);
    QFETCH(QByteArray, format);
    QFETCH(QSize, shown);

    const QByteArray bytes = encodedPicture(original, format.constData());
    TBEntry entry;
    entry.addAttribute(QStringLiteral("jpegPhoto"), bytes, true);
    QVERIFY(entry.hasPhoto());
    const TBPicture picture = entry.valueForAttribute(QStringLiteral("jpegPhoto")).picture();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.originalSize(), original);
    QCOMPARE(picture.size(), shown);
    const QImage image = picture.image();
    QCOMPARE(image.size(), shown);
    QCOMPARE(image.pixelColor(shown.width() / 2, shown.height() / 2).blue(), 0x99);
}

void tst_TBEntry::undecodablePictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = encodedPicture(QSize(40, 30), "JPEG");
    QTest::newRow("text") << QByteArray("not a picture at all");
    QTest::newRow("JPEG start only") << QByteArray("\xff\xd8\xff", 3);
    QTest::newRow("JPEG cut before its frame header") << jpeg.left(20);
    QTest::newRow("PNG signature only") << QByteArray("\x89PNG\r\n\x1a\n", 8);
    QTest::newRow("GIF of no size") << QByteArray("GIF89a\0\0\0\0", 10);
}

void tst_TBEntry::undecodablePictures()
{
    QFETCH(QByteArray, bytes);
    TBEntry entry;
    entry.addAttribute(QStringLiteral("jpegPhoto"), bytes, true);
    QVERIFY(!entry.hasPhoto());
    const TBValue value = entry.valueForAttribute(QStringLiteral("jpegPhoto"));
    QVERIFY(value.isText());
    QCOMPARE(value.text(), QStringLiteral("<Could not decode image data>"));
}

void tst_TBEntry::registryDecidesPictures()
{
    const QByteArray jpeg = encodedPicture(QSize(40, 30), "JPEG");
    TBAttributeRegistry registry;
    registry.loadAttributesFromDefaults(nullptr);
    TBEntry entry;
    entry.addAttribute(QStringLiteral("JPEGPHOTO"), jpeg, registry);
    entry.addAttribute(QStringLiteral("userCertificate"), jpeg, registry);
    QVERIFY(entry.valueForAttribute(QStringLiteral("jpegphoto")).isPicture());
    QVERIFY(entry.valueForAttribute(QStringLiteral("usercertificate")).isBytes());
}

void tst_TBEntry::pictureCacheRedecodes()
{
    // With no room in the cache every request decodes again, and gives the same picture.
    const TBPicture picture = TBPicture::fromData(encodedPicture(QSize(400, 200), "PNG"));
    const qsizetype limit = TBPicture::cacheLimit();
    TBPicture::setCacheLimit(0);
    const QImage first = picture.image();
    const QImage second = picture.image();
    TBPicture::setCacheLimit(limit);
    QCOMPARE(first.size(), QSize(256, 128));
    QCOMPARE(second, first);
}

void tst_TBEntry::firstPartOfDN_data()
{
    QTest::addColumn<QString>("dn");
    QTest::addColumn<QString>("firstPart");
    QTest::addColumn<QString>("value");
    QTest::newRow("several components") << "cn=Alice Example,ou=People,dc=test"
                                        << "cn=Alice Example"
                                        << "Alice Example";
    QTest::newRow("one component") << "uid=alice"
                                   << "uid=alice"
                                   << "alice";
    QTest::newRow("no equals sign or comma") << "plain"
                                             << "plain"
                                             << "plain";
    QTest::newRow("escapes are not special") << "cn=a\\,b=c,dc=test"
                                             << "cn=a\\"
                                             << "a\\";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void tst_TBEntry::firstPartOfDN()
{
    QFETCH(QString, dn);
    QFETCH(QString, firstPart);
    QFETCH(QString, value);
    TBEntry entry;
    entry.addAttribute(QStringLiteral("dn"), dn);
    QCOMPARE(entry.firstPartOfDN(), firstPart);
    QCOMPARE(entry.valueOfFirstPartOfDN(), value);
    QCOMPARE(entry.description(), QStringLiteral("TBEntry - dn:") + dn);
}

void tst_TBEntry::adTimestampValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    QTest::newRow("plain") << "132537600000000000" << Q_INT64_C(132537600000000000);
    QTest::newRow("blanks and sign") << "  +42" << Q_INT64_C(42);
    QTest::newRow("negative") << "-42" << Q_INT64_C(-42);
    QTest::newRow("stops at a non-digit") << "12x34" << Q_INT64_C(12);
    QTest::newRow("no digits") << "never" << Q_INT64_C(0);
    QTest::newRow("empty") << "" << Q_INT64_C(0);
    QTest::newRow("largest") << "9223372036854775807" << max;
    QTest::newRow("smallest") << "-9223372036854775808" << min;
    QTest::newRow("too large saturates") << "99999999999999999999" << max;
    QTest::newRow("too small saturates") << "-99999999999999999999" << min;
}

void tst_TBEntry::adTimestampValue()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(TBADTimestampValue(text), value);
}

void tst_TBEntry::adTimestampToString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("dateStyle");
    QTest::addColumn<qint64>("timeStyle");
    QTest::addColumn<QString>("expected");

    const QString epoch = QStringLiteral("116444736000000000"); // 1970-01-01 00:00:00 UTC
    QTest::newRow("zero") << "0" << qint64(2) << qint64(2) << "0";
    QTest::newRow("no digits reads as zero") << "abc" << qint64(2) << qint64(2) << "0";
    QTest::newRow("medium") << epoch << qint64(2) << qint64(2) << "1 Jan 1970 00:00:00";
    QTest::newRow("ticks are truncated") << "116444736009999999" << qint64(2) << qint64(2) << "1 Jan 1970 00:00:00";
    QTest::newRow("a later day") << "132537600000000000" << qint64(2) << qint64(2) << "30 Dec 2020 00:00:00";
    QTest::newRow("short") << epoch << qint64(1) << qint64(1) << "1/1/1970 12:00 AM";
    // The short style keeps all digits of the year, or 1601 and 2001 would read alike.
    QTest::newRow("short, first day") << "1" << qint64(1) << qint64(0) << "1/1/1601";
    QTest::newRow("short, last day") << "9223372036854775807" << qint64(1) << qint64(0) << "9/14/30828";
    QTest::newRow("date only") << epoch << qint64(2) << qint64(0) << "1 Jan 1970";
    QTest::newRow("time only") << epoch << qint64(0) << qint64(2) << "00:00:00";
    QTest::newRow("neither") << epoch << qint64(0) << qint64(0) << "";
    QTest::newRow("long") << epoch << qint64(3) << qint64(0) << "Thursday, January 1, 1970";
    QTest::newRow("full") << epoch << qint64(4) << qint64(0) << "Thursday, January 1, 1970";
    QTest::newRow("one tick") << "0000000000000001" << qint64(2) << qint64(2) << "1 Jan 1601 00:00:00";
    QTest::newRow("one second after 1601") << "10000000" << qint64(2) << qint64(2) << "1 Jan 1601 00:00:01";
}

void tst_TBEntry::adTimestampToString()
{
    QFETCH(QString, text);
    QFETCH(qint64, dateStyle);
    QFETCH(qint64, timeStyle);
    QFETCH(QString, expected);
    QCOMPARE(TBADTimestampToString(text, dateStyle, timeStyle, QLocale(QLocale::English, QLocale::UnitedStates)),
             expected);
}

void tst_TBEntry::adTimestampInLocalTime()
{
    // Shown in the user's time zone, with the styles given.
    setTimeZone("Europe/Berlin");
    TBADDateStyle style;
    style.dateFormat = 2;
    style.timeFormat = 2;
    const QString text = TBADTimestampToString(QStringLiteral("116444736000000000"), style);
    setTimeZone("UTC");
    QCOMPARE(text, QLocale::system().toString(QDate(1970, 1, 1), QStringLiteral("d MMM yyyy")) + " 01:00:00");
}

void tst_TBEntry::adTimestampExtremes()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    // AD's "never": a date in the year 30828.
    QVERIFY(TBADTimestampToString("9223372036854775807", 2, 0, english).endsWith(QStringLiteral("30828")));
    // Negative ticks lie before 1601.
    QCOMPARE(TBADTimestampToString("-10000000", 2, 2, english), QStringLiteral("31 Dec 1600 23:59:59"));
}

QTEST_GUILESS_MAIN(tst_TBEntry)
#include "tst_TBEntry.moc"
