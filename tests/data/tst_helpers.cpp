// Shared helpers: text formatting, quoting, the skill pattern, the generator, the name line,
// the message cipher and printing.
#include "data/Clock.h"
#include "data/DataSet.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/MessageCipher.h"
#include "data/Public.h"
#include "data/Strings.h"

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TstHelpers : public QObject
{
    Q_OBJECT
private slots:
    void format_data();
    void format();
    void trimAndQuote();
    void strToInt_data();
    void strToInt();
    void skillPattern_data();
    void skillPattern();
    void randomSequence();
    void seedFromClock();
    void randomIndexRange();
    void userName();
    void rc4KnownVectors();
    void messageRoundTrip();
    void messageLines_data();
    void messageLines();
    void messageGarbage();
    void printLinesRemovesFile();
    void printWithoutPrinter();
#ifdef Q_OS_WIN
    void printThroughShellVerb();
#endif
};

void TstHelpers::format_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("user label") << Str::UserLabel << QVariantList{QStringLiteral(" Jan Novák")}
                                << QStringLiteral("Uživatel:  Jan Novák");
    QTest::newRow("widths") << QStringLiteral("      %3d     %4s     %4s     %2d")
                            << QVariantList{7, QStringLiteral("bd"), QStringLiteral("a"), 2}
                            << QStringLiteral("        7       bd        a      2");
    QTest::newRow("wider than width is not cut") << QStringLiteral("%2d|%1s") << QVariantList{1234, QStringLiteral("abc")}
                                                 << QStringLiteral("1234|abc");
    QTest::newRow("total line") << QStringLiteral("               Celkem :%4d   %4d") << QVariantList{43, 50}
                                << QStringLiteral("               Celkem :  43     50");
    QTest::newRow("percent and surplus") << QStringLiteral("100%% %d %d") << QVariantList{5}
                                         << QStringLiteral("100% 5 %d");
    QTest::newRow("negative") << QStringLiteral("%4d") << QVariantList{-3} << QStringLiteral("  -3");
}

void TstHelpers::format()
{
    QFETCH(QString, pattern);
    QFETCH(QVariantList, args);
    QFETCH(QString, expected);
    std::initializer_list<QVariant> il = {};
    QString got;
    switch (args.size()) {
    case 1:
        got = Format(pattern, {args[0]});
        break;
    case 2:
        got = Format(pattern, {args[0], args[1]});
        break;
    case 4:
        got = Format(pattern, {args[0], args[1], args[2], args[3]});
        break;
    default:
        got = Format(pattern, il);
    }
    QCOMPARE(got, expected);
}

void TstHelpers::trimAndQuote()
{
    QCOMPARE(TrimText(QStringLiteral(" \t ab c \r\n")), QStringLiteral("ab c"));
    QCOMPARE(TrimText(QStringLiteral("\x01\x1f")), QString());
    QCOMPARE(SqlQuote(QStringLiteral("O'Neil")), QStringLiteral("'O''Neil'"));
    QCOMPARE(SqlQuote(QStringLiteral("' OR '1'='1")), QStringLiteral("''' OR ''1''=''1'"));
    QCOMPARE(SqlInt(-12), QStringLiteral("-12"));
}

void TstHelpers::strToInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "15" << true << 15;
    QTest::newRow("blanks") << " 7 " << true << 7;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("mask blanks") << "1_" << false << 0;
    QTest::newRow("letters") << "ab" << false << 0;
}

void TstHelpers::strToInt()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    if (valid) {
        QCOMPARE(StrToInt(text), value);
        return;
    }
    try {
        StrToInt(text);
        QFAIL("no error");
    } catch (const TError& e) {
        QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(TrimText(text)));
    }
}

void TstHelpers::skillPattern_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("1") << 1 << "1_________";
    QTest::newRow("3") << 3 << "__1_______";
    QTest::newRow("10") << 10 << "_________1";
    QTest::newRow("0 as 1") << 0 << "1_________";
    QTest::newRow("-5 as 1") << -5 << "1_________";
    QTest::newRow("12 as 10") << 12 << "_________1";
}

void TstHelpers::skillPattern()
{
    QFETCH(int, level);
    QFETCH(QString, pattern);
    QCOMPARE(SkillLevelPattern(level), pattern);
    QCOMPARE(SkillLevelPattern(level).size(), 10);
}

void TstHelpers::randomSequence()
{
    // Computed by hand from state := state * 134775813 + 1 (mod 2^32), result := state * n >> 32.
    SetRandomState(12345);
    QCOMPARE(RandomIndex(10), 3);
    QCOMPARE(RandomState(), 1655067934u);
    QCOMPARE(RandomIndex(10), 2);
    QCOMPARE(RandomIndex(100), 7);
    QCOMPARE(RandomIndex(1000), 553);
    QCOMPARE(RandomIndex(7), 4);
    QCOMPARE(RandomIndex(999999), 341598);
    QCOMPARE(RandomState(), 1467157059u);
}

void TstHelpers::seedFromClock()
{
    const QDateTime at(QDate(2026, 12, 8), QTime(3, 4, 5, 678), Qt::UTC);
    Clock::setSource([at] { return at; });
    SeedRandom();
    Clock::setSource({});
    QCOMPARE(RandomState(), quint32(((3 * 60 + 4) * 60 + 5) * 1000 + 678));
}

void TstHelpers::randomIndexRange()
{
    SetRandomState(0xFFFFFFFFu);
    for (int i = 0; i < 2000; ++i) {
        const int n = 1 + i % 37;
        const int r = RandomIndex(n);
        QVERIFY(r >= 0 && r < n);
    }
    QCOMPARE(RandomIndex(1), 0);
}

void TstHelpers::userName()
{
    // ShowUserName reads any dataset positioned on a row with the three columns.
    TQuery rows(QStringLiteral("rows"));
    rows.openRows({QStringLiteral("TITUL"), QStringLiteral("jmeno"), QStringLiteral("PRIJMENI")},
                  {{QStringLiteral(" Ing. "), QStringLiteral("Jan "), QStringLiteral(" Novák")},
                   {QVariant(), QStringLiteral("Eva"), QStringLiteral("Malá")}});
    QSignalSpy spy(&TSession::instance(), &TSession::userLabelChanged);
    ShowUserName(rows);
    QCOMPARE(SignedInPupil.FullName, QStringLiteral("Ing. Jan Novák"));
    QCOMPARE(spy.last().at(0).toString(), QStringLiteral("Uživatel: Ing. Jan Novák"));
    rows.next();
    ShowUserName(rows);
    QCOMPARE(SignedInPupil.FullName, QStringLiteral(" Eva Malá"));
    QCOMPARE(TSession::instance().userLabel(), QStringLiteral("Uživatel:  Eva Malá"));
}

void TstHelpers::rc4KnownVectors()
{
    QCOMPARE(MessageCipher::rc4("Key", "Plaintext").toHex(), QByteArray("bbf316e8d940af0ad3"));
    QCOMPARE(MessageCipher::rc4("Secret", "Attack at dawn").toHex(), QByteArray("45a01f645fc35b383552544b9bf5"));
    QCOMPARE(MessageCipher::encipher("Ahoj\r\n").toHex(), QByteArray("9c4eafa40b69"));
    QCOMPARE(MessageCipher::keyBytes().size(), 6);
}

void TstHelpers::messageRoundTrip()
{
    const QStringList lines = {QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy."), QString(),
                               QStringLiteral("Třetí řádek")};
    const QByteArray stored = MessageCipher::encipherLines(lines);
    QVERIFY(!stored.contains("Třetí"));
    QStringList back;
    QVERIFY(MessageCipher::decipherLines(stored, &back));
    QCOMPARE(back, lines);
}

void TstHelpers::messageLines_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("no final break") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("cr only") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("empty middle") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
}

void TstHelpers::messageLines()
{
    QFETCH(QByteArray, plain);
    QFETCH(QStringList, lines);
    QStringList got;
    QVERIFY(MessageCipher::splitLines(plain, &got));
    QCOMPARE(got, lines);
}

void TstHelpers::messageGarbage()
{
    QStringList got{QStringLiteral("old")};
    // bytes enciphered with another key decipher into binary garbage
    const QByteArray other = MessageCipher::rc4("another key", "Zpráva jedna\r\nZpráva dvě\r\n");
    QVERIFY(!MessageCipher::decipherLines(other, &got));
    QVERIFY(!MessageCipher::splitLines(QByteArray("\xff\xfe\x00", 3), &got));
}

void TstHelpers::printLinesRemovesFile()
{
#ifdef Q_OS_WIN
    QSKIP("the print command here is a POSIX shell; printThroughShellVerb tests Windows printing");
#endif
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString copy = dir.filePath(QStringLiteral("printed.out"));
    // a print command that keeps a copy of what it was given
    SetPrintCommand(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cp \"$1\" '%1'").arg(copy),
                                           QStringLiteral("sh")});
    PrintLines({QStringLiteral("   Otázka  Odpověď"), QStringLiteral("řádek 2")});
    SetPrintCommand(QStringLiteral("lp"));
    QDir::setCurrent(old);
    QFile printed(copy);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(printed.readAll()), QStringLiteral("   Otázka  Odpověď\nřádek 2\n"));
    const QStringList left = QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u',')));
}

void TstHelpers::printWithoutPrinter()
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SetPrintCommand(QStringLiteral("/nonexistent/lp"));
    QString told;
    try {
        PrintLines({QStringLiteral("x")});
    } catch (const TError& e) {
        told = e.message();
    }
    // a print command that refuses the job is told as well, with what it said
    SetPrintCommand(QStringLiteral("false"));
    QString refused;
    try {
        PrintLines({QStringLiteral("x")});
    } catch (const TError& e) {
        refused = e.message();
    }
    SetPrintCommand(QStringLiteral("lp"));
    QDir::setCurrent(old);
    QCOMPARE(told, Format(Str::PrintNotStarted, {QStringLiteral("/nonexistent/lp")}));
    QCOMPARE(refused, Format(Str::PrintFailed, {QStringLiteral("false")}));
    // and nothing is left behind either way
    QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files).isEmpty());
}

#ifdef Q_OS_WIN
// Windows prints through the shell's "print" verb of text files: here, for the test's time, a
// verb that copies the file, so that what was printed can be read after the file is gone.
void TstHelpers::printThroughShellVerb()
{
    // Wine's registry names no class for ".txt"; Windows' does, as "txtfile".
    QSettings type(QStringLiteral("HKEY_CLASSES_ROOT\\.txt"), QSettings::NativeFormat);
    const bool typeKnown = type.contains(QStringLiteral("Default"));
    if (!typeKnown)
        type.setValue(QStringLiteral("Default"), QStringLiteral("txtfile"));
    const QString kind = type.value(QStringLiteral("Default")).toString();
    QSettings verb(QStringLiteral("HKEY_CLASSES_ROOT\\%1\\shell\\print\\command").arg(kind), QSettings::NativeFormat);
    const QVariant previous = verb.value(QStringLiteral("Default"));
    QTemporaryDir dir;
    const QString copy = QDir::toNativeSeparators(dir.filePath(QStringLiteral("printed.out")));
    verb.setValue(QStringLiteral("Default"), QStringLiteral("cmd.exe /c copy \"%1\" \"%2\"").arg(QStringLiteral("%1"), copy));
    verb.sync();
    if (verb.status() != QSettings::NoError)
        QSKIP("changing the print verb of text files needs an administrator");
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SetPrintCommand(QString());
    PrintLines({QStringLiteral("   Otázka  Odpověď"), QStringLiteral("řádek 2")});
    SetPrintCommand(QStringLiteral("lp"));
    QDir::setCurrent(old);
    verb.setValue(QStringLiteral("Default"), previous);
    if (!typeKnown)
        type.remove(QStringLiteral("Default"));
    QFile printed(copy);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(printed.readAll()), QStringLiteral("   Otázka  Odpověď\nřádek 2\n"));
    QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files).isEmpty());
}
#endif

QTEST_GUILESS_MAIN(TstHelpers)
#include "tst_helpers.moc"
