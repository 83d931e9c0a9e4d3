#include "TBReadOnlyFormatter.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QtTest>

class tst_TBReadOnlyFormatter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneSharedInstance()
    {
        TBReadOnlyFormatter* shared = TBReadOnlyFormatter::sharedReadOnlyFormatter();
        QVERIFY(shared);
        QCOMPARE(TBReadOnlyFormatter::sharedReadOnlyFormatter(), shared);
        QCOMPARE(shared->parent(), qApp);
    }

    // The value shows and can be selected and copied; typing, deleting and pasting change nothing.
    void fieldShowsButKeepsItsText()
    {
        QLineEdit field;
        TBReadOnlyFormatter::sharedReadOnlyFormatter()->attachTo(&field);
        const QString value = QStringLiteral("uid=alice,dc=example \u202e odd");
        field.setText(value);
        QCOMPARE(field.text(), value);
        field.setFocus();
        QTest::keyClicks(&field, QStringLiteral("typed"));
        QTest::keyClick(&field, Qt::Key_Backspace);
        field.selectAll();
        QTest::keyClick(&field, Qt::Key_Delete);
        QCOMPARE(field.text(), value);

        field.selectAll();
        field.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), value);
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field.text(), value);
    }

    void editingKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("edit");
        QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << true;
        QTest::newRow("capital") << int(Qt::Key_A) << int(Qt::ShiftModifier) << true;
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier) << true;
        QTest::newRow("delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << true;
        QTest::newRow("cut") << int(Qt::Key_X) << int(Qt::ControlModifier) << true;
        QTest::newRow("paste") << int(Qt::Key_V) << int(Qt::ControlModifier) << true;
        QTest::newRow("copy") << int(Qt::Key_C) << int(Qt::ControlModifier) << false;
        QTest::newRow("select all") << int(Qt::Key_A) << int(Qt::ControlModifier) << false;
        QTest::newRow("arrow") << int(Qt::Key_Left) << int(Qt::ShiftModifier) << false;
        QTest::newRow("home") << int(Qt::Key_Home) << int(Qt::NoModifier) << false;
    }
    void editingKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, edit);
        const Qt::KeyboardModifiers mods(modifiers);
        QString text;
        if (!(mods & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
            text = QChar(mods & Qt::ShiftModifier ? key : key + 32);
        const QKeyEvent event(QEvent::KeyPress, key, mods, text);
        QCOMPARE(TBReadOnlyFormatter::isEdit(&event), edit);
    }
};

QTEST_MAIN(tst_TBReadOnlyFormatter)
#include "tst_TBReadOnlyFormatter.moc"
