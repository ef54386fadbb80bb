// Edits keep whole characters: halves of characters outside the BMP are dropped from the text.
#include "widgets/DBEdit.h"

#include <QtTest>

class TstWholeCharacters : public QObject
{
    Q_OBJECT
private slots:
    void wholeCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("whole");
        const QChar high(0xD83D), low(0xDE00); // the two halves of "😀"
        QTest::newRow("plain text stays") << QStringLiteral("Příliš 'x'") << QStringLiteral("Příliš 'x'");
        QTest::newRow("whole emoji stays") << QStringLiteral("a😀b") << QStringLiteral("a😀b");
        QTest::newRow("first half at the end") << QStringLiteral("ab") + high << QStringLiteral("ab");
        QTest::newRow("second half alone") << QString(low) + QStringLiteral("ab") << QStringLiteral("ab");
        QTest::newRow("halves in the wrong order") << QString(low) + high << QString();
        QTest::newRow("half before a whole one")
            << QString(high) + QStringLiteral("😀") << QStringLiteral("😀");
    }
    void wholeCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, whole);
        QCOMPARE(WholeCharacters(text), whole);
    }

    // An emoji typed where only one unit is left is not taken, and the edit says nothing else.
    void typedAtTheLimit()
    {
        QLineEdit edit;
        edit.setMaxLength(3);
        KeepWholeCharacters(&edit);
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("ab"));
        QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QStringLiteral("😀"), Qt::NoModifier);
        QCOMPARE(edit.text(), QStringLiteral("ab"));
        QCOMPARE(edit.cursorPosition(), 2);
    }
};

QTEST_MAIN(TstWholeCharacters)
#include "tst_wholecharacters.moc"
