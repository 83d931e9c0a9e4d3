#include "TBEditCommands.h"
#include "TBTextView.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

// The Edit menu's commands on the focused widget: a text pane answers through its own queries, a
// line edit by its selection, echo mode and read-only state, any other widget not at all.
class tst_TBEditCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineEditRules_data();
    void lineEditRules();
    void lineEditCommandsAct();
    void textPaneAnswersItself();
    void otherWidgetsAnswerNo();
};

using Command = TBEditCommands::Command;
Q_DECLARE_METATYPE(TBEditCommands::Command)

void tst_TBEditCommands::lineEditRules_data()
{
    QTest::addColumn<QLineEdit::EchoMode>("echo");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("can");

    QTest::newRow("copy a selection") << QLineEdit::Normal << false << true << TBEditCommands::Copy << true;
    QTest::newRow("copy nothing") << QLineEdit::Normal << false << false << TBEditCommands::Copy << false;
    QTest::newRow("copy a password") << QLineEdit::Password << false << true << TBEditCommands::Copy << false;
    QTest::newRow("cut a password") << QLineEdit::Password << false << true << TBEditCommands::Cut << false;
    QTest::newRow("cut read-only") << QLineEdit::Normal << true << true << TBEditCommands::Cut << false;
    QTest::newRow("delete from a password") << QLineEdit::Password << false << true << TBEditCommands::Delete << true;
    QTest::newRow("delete read-only") << QLineEdit::Normal << true << true << TBEditCommands::Delete << false;
    QTest::newRow("select all of some text")
        << QLineEdit::Normal << false << false << TBEditCommands::SelectAll << true;
}

void tst_TBEditCommands::lineEditRules()
{
    QFETCH(QLineEdit::EchoMode, echo);
    QFETCH(bool, readOnly);
    QFETCH(bool, selected);
    QFETCH(Command, command);
    QFETCH(bool, can);
    QLineEdit line(QStringLiteral("secret"));
    line.setEchoMode(echo);
    line.setReadOnly(readOnly);
    if (selected)
        line.setSelection(0, 3);
    else
        line.deselect();
    QCOMPARE(TBEditCommands::canPerform(&line, command), can);
}

void tst_TBEditCommands::lineEditCommandsAct()
{
    QLineEdit line(QStringLiteral("needle in a haystack"));
    QVERIFY(!TBEditCommands::canPerform(&line, TBEditCommands::Delete));
    line.setSelection(6, 5); // "in a "
    TBEditCommands::perform(&line, TBEditCommands::Delete);
    QCOMPARE(line.text(), QStringLiteral("needle haystack"));
    TBEditCommands::perform(&line, TBEditCommands::SelectAll);
    QCOMPARE(line.selectedText(), QStringLiteral("needle haystack"));

    line.clear();
    QVERIFY(!TBEditCommands::canPerform(&line, TBEditCommands::SelectAll));
}

void tst_TBEditCommands::textPaneAnswersItself()
{
    TBTextView view;
    QVERIFY(!TBEditCommands::canPerform(&view, TBEditCommands::SelectAll));
    view.appendText(QStringLiteral("keep this, drop that"));
    QVERIFY(TBEditCommands::canPerform(&view, TBEditCommands::SelectAll));
    QVERIFY(!TBEditCommands::canPerform(&view, TBEditCommands::Delete));
    view.setTextCursor(view.document()->find(QStringLiteral(", drop that")));
    QVERIFY(TBEditCommands::canPerform(&view, TBEditCommands::Delete));
    TBEditCommands::perform(&view, TBEditCommands::Delete);
    QCOMPARE(view.plainText(), QStringLiteral("keep this"));
}

void tst_TBEditCommands::otherWidgetsAnswerNo()
{
    QLabel label(QStringLiteral("text"));
    for (Command command :
         {TBEditCommands::Cut, TBEditCommands::Copy, TBEditCommands::Delete, TBEditCommands::SelectAll}) {
        QVERIFY(!TBEditCommands::canPerform(&label, command));
        QVERIFY(!TBEditCommands::canPerform(nullptr, command));
        TBEditCommands::perform(nullptr, command);
    }
}

QTEST_MAIN(tst_TBEditCommands)
#include "tst_TBEditCommands.moc"
