#include "TBTextView.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

// The read-only text panes: appends read back exactly as written whatever their size, the
// scroll bar covers every line, and a selection can be deleted although the pane is read-only.
class tst_TBTextView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appendsReadBackAsWritten_data();
    void appendsReadBackAsWritten();
    void largeAppendsKeepTheirOrder();
    void scrollBarCoversEveryLine();
    void carriageReturnsEndLines();
    void deleteKeysRemoveTheSelection_data();
    void deleteKeysRemoveTheSelection();
    void cutCopiesAndRemoves();
    void findWrapsAround();
};

namespace {

QString numberedLines(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("line %1\n").arg(i);
    return text;
}

} // namespace

void tst_TBTextView::appendsReadBackAsWritten_data()
{
    // Each row appends its pieces in order; "|" stands for a separator line.
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<bool>("asBytes");

    QTest::newRow("short text") << QStringList {QStringLiteral("Command:\n\n"), QStringLiteral("ldapsearch -x")}
                                << false;
    // Blocks hold a limited number of lines: cross several block boundaries.
    QTest::newRow("many lines") << QStringList {numberedLines(TBTextView::linesPerBlock * 3 + 7)} << false;
    QTest::newRow("separators") << QStringList {QStringLiteral("before\n"), QStringLiteral("|"),
                                                QStringLiteral("after\n"), QStringLiteral("|")}
                                << false;
    QTest::newRow("utf-8 bytes") << QStringList {QStringLiteral("cn: Zoë Ångström\nsn: 山田\n")} << true;
    // Larger than a slice, with no line end: the slice must end on a character boundary.
    QTest::newRow("large bytes without line ends")
        << QStringList {QString(int(TBTextView::sliceSize) / 2 + 3, QChar(0x00E9))
                        + QString(int(TBTextView::sliceSize) / 3, QChar(0x5C71))}
        << true;
    QTest::newRow("blank lines") << QStringList {QStringLiteral("a\n\n\nb\n")} << false;
}

void tst_TBTextView::appendsReadBackAsWritten()
{
    QFETCH(QStringList, pieces);
    QFETCH(bool, asBytes);

    TBTextView view;
    QString expected;
    for (const QString& piece : pieces) {
        if (piece == QLatin1String("|")) {
            view.appendHorizontalLine();
            expected += TBTextView::separatorText() + QLatin1Char('\n');
        } else if (asBytes) {
            view.appendUtf8(piece.toUtf8());
            expected += piece;
        } else {
            view.appendText(piece);
            expected += piece;
        }
    }
    QVERIFY(!view.isEmpty());
    QCOMPARE(view.plainText(), expected);
}

void tst_TBTextView::largeAppendsKeepTheirOrder()
{
    TBTextView view;
    const QByteArray big = numberedLines(200000).toUtf8();
    QVERIFY(big.size() > TBTextView::sliceSize);
    view.appendText(QStringLiteral("Command:\n"));
    view.appendUtf8(big);
    view.appendHorizontalLine();
    view.appendText(QStringLiteral("stderr:\n"));
    // Still going in, a slice per event-loop turn; but never lost or reordered.
    QVERIFY(view.hasPendingText());
    QVERIFY(!view.isEmpty());
    QTRY_VERIFY(!view.hasPendingText());
    QCOMPARE(view.plainText(),
             QStringLiteral("Command:\n") + QString::fromUtf8(big) + TBTextView::separatorText()
                 + QStringLiteral("\nstderr:\n"));

    // Clearing drops what is still pending too.
    view.appendUtf8(big);
    view.clearText();
    QVERIFY(view.isEmpty());
    QCOMPARE(view.plainText(), QString());
}

void tst_TBTextView::scrollBarCoversEveryLine()
{
    TBTextView view;
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int lines = 5000;
    view.appendText(numberedLines(lines));
    QCoreApplication::processEvents();
    // Lines are grouped into blocks; the scroll range must still count lines, not blocks.
    QVERIFY2(view.verticalScrollBar()->maximum() > lines - 50,
             qPrintable(QString::number(view.verticalScrollBar()->maximum())));
    view.resize(420, 300);
    QCoreApplication::processEvents();
    QVERIFY(view.verticalScrollBar()->maximum() > lines - 50);

    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    // At the bottom of the range the last line is in view.
    const QTextCursor last = view.document()->find(QStringLiteral("line 4999"));
    QVERIFY(!last.isNull());
    QVERIFY(view.viewport()->rect().contains(view.cursorRect(last).center()));
}

void tst_TBTextView::carriageReturnsEndLines()
{
    // A carriage return and line feed is one line end; a lone carriage return ends a line too.
    TBTextView view;
    view.appendText(QStringLiteral("a\r\nb\rc\n"));
    QCOMPARE(view.plainText(), QStringLiteral("a\nb\nc\n"));
}

void tst_TBTextView::deleteKeysRemoveTheSelection_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("backspace") << int(Qt::Key_Backspace);
    QTest::newRow("delete") << int(Qt::Key_Delete);
}

void tst_TBTextView::deleteKeysRemoveTheSelection()
{
    QFETCH(int, key);
    TBTextView view;
    view.appendText(QStringLiteral("hello big world"));
    QVERIFY(view.isReadOnly());
    QVERIFY(!view.canDelete());

    // Without a selection the keys do nothing.
    QTest::keyClick(&view, Qt::Key(key));
    QCOMPARE(view.plainText(), QStringLiteral("hello big world"));

    QTextCursor cursor(view.document());
    cursor.setPosition(5);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    QVERIFY(view.canDelete());
    QTest::keyClick(&view, Qt::Key(key));
    QCOMPARE(view.plainText(), QStringLiteral("hello world"));
    QVERIFY(view.isReadOnly());
    // Typing still does nothing.
    QTest::keyClicks(&view, QStringLiteral("xyz"));
    QCOMPARE(view.plainText(), QStringLiteral("hello world"));
}

void tst_TBTextView::cutCopiesAndRemoves()
{
    TBTextView view;
    view.appendText(QStringLiteral("keep "));
    view.appendHorizontalLine();
    view.appendText(QStringLiteral("cut me"));
    view.selectAll();
    view.copy();
    // The separator reads as a line of dashes, not as an object character.
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("keep ") + TBTextView::separatorText() + QStringLiteral("\ncut me"));

    QTextCursor cursor = view.document()->find(QStringLiteral("cut me"));
    view.setTextCursor(cursor);
    QVERIFY(view.canCut());
    view.cut();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("cut me"));
    QCOMPARE(view.plainText(), QStringLiteral("keep ") + TBTextView::separatorText() + QStringLiteral("\n"));
    QVERIFY(!view.canCut());
}

void tst_TBTextView::findWrapsAround()
{
    TBTextView view;
    view.appendText(QStringLiteral("alpha beta\nGamma alpha\n"));
    QVERIFY(view.findText(QStringLiteral("ALPHA")));
    QCOMPARE(view.textCursor().selectionStart(), 0);
    QVERIFY(view.findText(QStringLiteral("alpha")));
    QCOMPARE(view.textCursor().selectionStart(), 17);
    QVERIFY(view.findText(QStringLiteral("alpha"))); // wraps to the first again
    QCOMPARE(view.textCursor().selectionStart(), 0);
    QVERIFY(view.findText(QStringLiteral("alpha"), true)); // backwards wraps to the last
    QCOMPARE(view.textCursor().selectionStart(), 17);
    QVERIFY(!view.findText(QStringLiteral("delta")));
}

QTEST_MAIN(tst_TBTextView)
#include "tst_TBTextView.moc"
