// The dataset layer: cursor, fields, parameters, edits in memory and cached updates.
#include "TestDb.h"

#include "data/DataModule.h"
#include "data/Error.h"
#include "data/Statement.h"
#include "data/Statements.h"

#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

namespace {
int count(TDM&, const QString& sql)
{
    TQuery q(QStringLiteral("count"));
    q.setSql({sql});
    q.open();
    return q.value(q.fieldNames().first()).toInt();
}
QString scalar(TDM&, const QString& sql)
{
    TQuery q(QStringLiteral("scalar"));
    q.setSql({sql});
    q.open();
    return q.isEmpty() ? QString() : q.asString(q.fieldNames().first());
}
} // namespace

class TstDataSet : public QObject
{
    Q_OBJECT
private slots:
    void statementParameters_data();
    void statementParameters();
    void cursorFlags();
    void emptySet();
    void fieldsAnyCase();
    void fieldLookupFollowsReloads();
    void paramsAnyCase();
    void readOnlyRefusesEdits();
    void editPostCancelInMemory();
    void removeWalkEndsAtLast();
    void moveWhileEditingPosts();
    void cachedModifyUsesOldKey();
    void cachedInsertReadsKeyBack();
    void cachedDeleteAndCancel();
    void failedApplyWritesNothing();
    void cancelUpdatesRestoresAsRead();
    void quotedValuesStayValues();
    void notifications();
    void openWhenUsedReadsAtFirstLook();
    void openWhenUsedRefusesABadStatementAtOnce();
    void readIntegersGivesOneColumnOfEveryRow();
    void drawnQuestionsAreBoundAndReplaced();
};

void TstDataSet::statementParameters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("positional");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two") << "select * from A where X=:x and Y = :Y_2" << "select * from A where X=? and Y = ?"
                         << QStringList{"x", "Y_2"};
    QTest::newRow("colon in text") << "select 'a:b' aa, :P from T" << "select 'a:b' aa, ? from T" << QStringList{"P"};
    QTest::newRow("doubled quote") << "select 'it''s :x' , :y" << "select 'it''s :x' , ?" << QStringList{"y"};
    QTest::newRow("old prefix") << "delete from ZAK where   ID_ZAK = :OLD_ID_ZAK"
                                << "delete from ZAK where   ID_ZAK = ?" << QStringList{"OLD_ID_ZAK"};
    QTest::newRow("cast untouched") << "select 1::int" << "select 1::int" << QStringList{};
}

void TstDataSet::statementParameters()
{
    QFETCH(QString, text);
    QFETCH(QString, positional);
    QFETCH(QStringList, names);
    const TStatement st = TStatement::parse(text);
    QCOMPARE(st.positional, positional);
    QCOMPARE(st.paramNames, names);
}

void TstDataSet::cursorFlags()
{
    TTestDb db;
    db.open();
    TQuery q(QStringLiteral("q"));
    q.setSql({QStringLiteral("select * from OKRUHOT order by PORADI")});
    q.open();
    const int n = q.recordCount();
    QVERIFY(n >= 3);
    QVERIFY(q.bof());
    QVERIFY(!q.eof());
    QCOMPARE(q.recNo(), 1);
    int visited = 0;
    for (q.first(); !q.eof(); q.next())
        ++visited;
    QCOMPARE(visited, n);
    QCOMPARE(q.recNo(), n); // next() at the last row stays there
    q.prior();
    QCOMPARE(q.recNo(), n - 1);
    QVERIFY(!q.eof() && !q.bof());
    q.moveBy(-100);
    QVERIFY(q.bof());
    QCOMPARE(q.recNo(), 1);
    q.moveBy(100);
    QVERIFY(q.eof());
    QCOMPARE(q.recNo(), n);
    q.moveTo(1);
    QCOMPARE(q.recNo(), 2);
    q.last();
    QVERIFY(q.eof());
    q.first();
    QVERIFY(q.bof());
}

void TstDataSet::emptySet()
{
    TTestDb db;
    db.open();
    TQuery q(QStringLiteral("q"));
    q.setSql({QStringLiteral("select * from ZAK where ID_ZAK=-5")});
    q.open();
    QVERIFY(q.isEmpty());
    QVERIFY(q.bof() && q.eof()); // "at once at its beginning and at its end"
    QCOMPARE(q.recNo(), 0);
    QVERIFY(q.value(QStringLiteral("RC")).isNull());
    q.next();
    q.prior();
    QVERIFY(q.bof() && q.eof());
}

void TstDataSet::fieldsAnyCase()
{
    TTestDb db;
    db.open();
    TQuery q(QStringLiteral("q"));
    q.setSql({QStringLiteral("select * from zak, RP where RP.RP=zak.RP")});
    q.open();
    QCOMPARE(q.asString(QStringLiteral("rc")), QStringLiteral("admin"));
    QCOMPARE(q.asString(QStringLiteral("Rc")), QStringLiteral("admin"));
    QCOMPARE(q.asInteger(QStringLiteral("id_zak")), 1);
    QVERIFY(q.asInteger(QStringLiteral("minimum")) > 0);
    QVERIFY_THROWS_EXCEPTION(TError, q.value(QStringLiteral("NO_SUCH")));
}

void TstDataSet::fieldLookupFollowsReloads()
{
    // The same name looked up again must find the field of the set as it is now.
    TQuery q(QStringLiteral("q"));
    q.openRows({QStringLiteral("A"), QStringLiteral("B")}, {{1, 2}});
    QCOMPARE(q.asInteger(QStringLiteral("B")), 2);
    q.openRows({QStringLiteral("B"), QStringLiteral("A")}, {{3, 4}});
    QCOMPARE(q.asInteger(QStringLiteral("B")), 3);
    QCOMPARE(q.fieldIndex(QStringLiteral("B")), 0);
    q.openRows({QStringLiteral("A")}, {{5}});
    QVERIFY(!q.hasField(QStringLiteral("B")));
    // Two fields of one name in different case: the first wins, however the name is written.
    q.openRows({QStringLiteral("rp"), QStringLiteral("RP")}, {{6, 7}});
    QCOMPARE(q.fieldIndex(QStringLiteral("RP")), 0);
    QCOMPARE(q.fieldIndex(QStringLiteral("rp")), 0);
    QCOMPARE(q.fieldIndex(QStringLiteral("RP")), 0);
    QCOMPARE(q.asInteger(QStringLiteral("Rp")), 6);
}

void TstDataSet::paramsAnyCase()
{
    TTestDb db;
    TDM& dm = db.open();
    dm.QSelectZak->close();
    dm.QSelectZak->setParam(QStringLiteral("ID_ZAK"), 1); // the statement says :id_zak
    dm.QSelectZak->open();
    QCOMPARE(dm.QSelectZak->recordCount(), 1);
    QCOMPARE(dm.QSelectZak->asString(QStringLiteral("RC")), QStringLiteral("admin"));
    dm.QTestType1->close();
    dm.QTestType1->setParam(QStringLiteral("id_okruh"), 1);
    dm.QTestType1->setParam(QStringLiteral("Skill_Level"), QStringLiteral("_1________"));
    dm.QTestType1->open();
    QVERIFY(dm.QTestType1->recordCount() > 0);
    for (dm.QTestType1->first(); !dm.QTestType1->eof(); dm.QTestType1->next()) {
        QCOMPARE(dm.QTestType1->asInteger(QStringLiteral("ID_OKRUH")), 1);
        QCOMPARE(dm.QTestType1->asString(QStringLiteral("SKILL_LEVEL")).at(1), QChar(u'1'));
    }
}

void TstDataSet::readOnlyRefusesEdits()
{
    TTestDb db;
    TDM& dm = db.open();
    dm.QRP->first();
    QVERIFY_THROWS_EXCEPTION(TError, dm.QRP->edit());
    QVERIFY_THROWS_EXCEPTION(TError, dm.QRP->insert());
    QVERIFY_THROWS_EXCEPTION(TError, dm.QRP->remove());
    QCOMPARE(dm.QRP->state(), TDataSet::State::Browse);
    QVERIFY_THROWS_EXCEPTION(TError, dm.QRP->setValue(QStringLiteral("POPIS"), QStringLiteral("x")));
}

void TstDataSet::editPostCancelInMemory()
{
    TTestDb db;
    TDM& dm = db.open();
    TDataSet* q = dm.QSelectQuest;
    q->first();
    const QVariant before = q->value(QStringLiteral("Pocet"));
    q->edit();
    q->setValue(QStringLiteral("Pocet"), 9);
    q->cancel();
    QCOMPARE(q->value(QStringLiteral("Pocet")), before);
    QVERIFY(!q->updatesPending());
    q->edit();
    q->setValue(QStringLiteral("Pocet"), 9);
    q->post();
    QCOMPARE(q->asInteger(QStringLiteral("Pocet")), 9);
    QVERIFY(q->updatesPending());
    // nothing reached the database yet
    QCOMPARE(count(dm, QStringLiteral("select count(*) from OKRUHOT where Pocet=9")), 0);
    q->cancelUpdates();
}

void TstDataSet::removeWalkEndsAtLast()
{
    TQuery q(QStringLiteral("walk"));
    q.setCachedUpdates(true);
    q.openRows({QStringLiteral("N")}, {{1}, {2}, {3}, {4}, {5}});
    QList<int> visited;
    for (q.first(); !q.eof();) {
        const int n = q.asInteger(QStringLiteral("N"));
        visited << n;
        if (n % 2 == 1)
            q.remove(); // next row becomes current; the last row's removal ends the walk
        else
            q.next();
    }
    QCOMPARE(visited, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(q.recordCount(), 2);
    q.first();
    QCOMPARE(q.asInteger(QStringLiteral("N")), 2);
    q.remove();
    q.remove();
    QVERIFY(q.isEmpty() && q.eof() && q.bof());
}

void TstDataSet::moveWhileEditingPosts()
{
    TQuery q(QStringLiteral("q"));
    q.setCachedUpdates(true);
    q.openRows({QStringLiteral("A")}, {{1}, {2}});
    q.edit();
    q.setValue(QStringLiteral("a"), 10);
    q.next(); // a move posts the edit into the cache
    QCOMPARE(q.state(), TDataSet::State::Browse);
    q.first();
    QCOMPARE(q.asInteger(QStringLiteral("A")), 10);
    QVERIFY(q.updatesPending());
}

void TstDataSet::cachedModifyUsesOldKey()
{
    TTestDb db;
    TDM& dm = db.open();
    TDataSet* z = dm.QZak;
    z->first();
    z->edit();
    z->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Nový"));
    z->setValue(QStringLiteral("ID_ZAK"), 999); // the statement finds the row by its old key
    z->postAndApply();
    QCOMPARE(scalar(dm, QStringLiteral("select PRIJMENI from ZAK where ID_ZAK=1")), QStringLiteral("Nový"));
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAK where ID_ZAK=999")), 0);
    QVERIFY(!z->updatesPending());
}

void TstDataSet::cachedInsertReadsKeyBack()
{
    TTestDb db;
    TDM& dm = db.open();
    TDataSet* z = dm.QZak;
    z->insert();
    z->setValue(QStringLiteral("ID_ZAK"), -1);
    z->setValue(QStringLiteral("RC"), QStringLiteral("123"));
    z->setValue(QStringLiteral("PRIJMENI"), QStringLiteral("Dvořák"));
    z->setValue(QStringLiteral("RP"), QStringLiteral("B"));
    z->postAndApply();
    const int id = z->asInteger(QStringLiteral("ID_ZAK"));
    QVERIFY(id > 1);
    QCOMPARE(scalar(dm, QStringLiteral("select PRIJMENI from ZAK where ID_ZAK=%1").arg(id)), QStringLiteral("Dvořák"));
    // the row can be changed again at once, found by its real key
    z->edit();
    z->setValue(QStringLiteral("JMENO"), QStringLiteral("Antonín"));
    z->postAndApply();
    QCOMPARE(scalar(dm, QStringLiteral("select JMENO from ZAK where ID_ZAK=%1").arg(id)), QStringLiteral("Antonín"));
}

void TstDataSet::cachedDeleteAndCancel()
{
    TTestDb db;
    TDM& dm = db.open();
    TQuery& t = *dm.QTmp;
    t.close();
    t.setSql({QStringLiteral("insert into ZAK (RC, PRIJMENI, RP) values ('x1', 'Xa', 'B')")});
    t.execSql();
    dm.QZak->close();
    dm.QZak->open();
    QCOMPARE(dm.QZak->recordCount(), 2);
    QVERIFY(dm.QZak->locate(QStringLiteral("RC"), QStringLiteral("x1")));
    dm.QZak->remove();
    QCOMPARE(dm.QZak->recordCount(), 1);
    dm.QZak->cancelUpdates();
    QCOMPARE(dm.QZak->recordCount(), 2);
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAK")), 2);
    QVERIFY(dm.QZak->locate(QStringLiteral("RC"), QStringLiteral("x1")));
    dm.QZak->remove();
    dm.QZak->applyUpdates();
    dm.QZak->commitUpdates();
    QCOMPARE(count(dm, QStringLiteral("select count(*) from ZAK")), 1);
}

void TstDataSet::failedApplyWritesNothing()
{
    TTestDb db;
    db.open();
    TQuery q(QStringLiteral("q"));
    q.setSql({QStringLiteral("select * from TYPTESTU")});
    q.setCachedUpdates(true);
    q.setInsertSql(QStringLiteral("insert into TYPTESTU (ID_TYPTEST, Popis) values (:ID_TYPTEST, :Popis)"));
    q.open();
    const int before = q.recordCount();
    q.append();
    q.setValue(QStringLiteral("ID_TYPTEST"), 77);
    q.setValue(QStringLiteral("Popis"), QStringLiteral("first"));
    q.append();
    q.setValue(QStringLiteral("ID_TYPTEST"), 77); // the key is taken: the second insert fails
    q.setValue(QStringLiteral("Popis"), QStringLiteral("second"));
    q.post();
    QVERIFY_THROWS_EXCEPTION(TError, q.applyUpdates());
    QVERIFY(q.updatesPending());
    TDM* dm = ::DM;
    QCOMPARE(count(*dm, QStringLiteral("select count(*) from TYPTESTU where ID_TYPTEST=77")), 0);
    q.cancelUpdates();
    QCOMPARE(q.recordCount(), before);
}

void TstDataSet::cancelUpdatesRestoresAsRead()
{
    TQuery q(QStringLiteral("q"));
    q.setCachedUpdates(true);
    q.openRows({QStringLiteral("K"), QStringLiteral("V")}, {{1, "a"}, {2, "b"}, {3, "c"}});
    q.moveTo(1);
    q.edit();
    q.setValue(QStringLiteral("V"), QStringLiteral("B!"));
    q.post();
    q.last();
    q.remove();
    q.append();
    q.setValue(QStringLiteral("K"), 4);
    q.post();
    q.cancelUpdates();
    QStringList seen;
    for (q.first(); !q.eof(); q.next())
        seen << q.asString(QStringLiteral("V"));
    seen.sort();
    QCOMPARE(seen, (QStringList{"a", "b", "c"}));
    QVERIFY(!q.updatesPending());
}

void TstDataSet::quotedValuesStayValues()
{
    TTestDb db;
    TDM& dm = db.open();
    TDataSet* z = dm.QZak;
    z->first();
    z->edit();
    const QString hostile = QStringLiteral("O'Neil\"; drop table ZAK; --");
    z->setValue(QStringLiteral("PRIJMENI"), hostile);
    z->postAndApply();
    QCOMPARE(scalar(dm, QStringLiteral("select PRIJMENI from ZAK where ID_ZAK=1")), hostile);
}

void TstDataSet::notifications()
{
    TQuery q(QStringLiteral("q"));
    q.setCachedUpdates(true);
    q.openRows({QStringLiteral("A")}, {{1}, {2}});
    QSignalSpy spy(&q, &TDataSet::dataChange);
    q.next();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toString(), QString());
    q.next(); // at the end already: no move, no notification
    QCOMPARE(spy.count(), 1);
    q.edit();
    q.setValue(QStringLiteral("A"), 5);
    QCOMPARE(spy.last().at(0).toString(), QStringLiteral("A"));
}

void TstDataSet::openWhenUsedReadsAtFirstLook()
{
    TTestDb db;
    TDM& dm = db.open();
    const int before = count(dm, QStringLiteral("select count(*) from ZAK where ID_ZAK>=1"));
    TQuery q(QStringLiteral("q"));
    q.setSql({QStringLiteral("select * from ZAK where ID_ZAK>=:LOW order by ID_ZAK")});
    q.setParam(QStringLiteral("LOW"), 1);
    QSignalSpy changes(&q, &TDataSet::dataChange);
    q.openWhenUsed();
    QVERIFY(q.active());
    QVERIFY(q.fetchPending());
    QVERIFY(!q.updatesPending()); // asked without reading anything
    QVERIFY(q.fetchPending());
    q.setParam(QStringLiteral("LOW"), 100000); // the parameters of the opening count

    // a pupil stored after the opening is among the rows of the first look
    TQuery ins(QStringLiteral("ins"));
    ins.setSql({QStringLiteral("insert into ZAK (RC, HESLO, PRIJMENI, JMENO, RP) values ('777', 'x', 'Pozdní', 'Petr', 'B')")});
    ins.execSql();
    QCOMPARE(q.recordCount(), before + 1);
    QVERIFY(!q.fetchPending());
    QCOMPARE(changes.count(), 0); // nobody saw it without rows
    QCOMPARE(q.asInteger(QStringLiteral("ID_ZAK")), 1);
    q.last();
    QCOMPARE(q.asString(QStringLiteral("PRIJMENI")), QStringLiteral("Pozdní"));

    // every way in reads the rows: a field name, an edit, a move
    TQuery byField(QStringLiteral("byField"));
    byField.setSql({QStringLiteral("select RC from ZAK where ID_ZAK=1")});
    byField.openWhenUsed();
    QVERIFY(byField.hasField(QStringLiteral("rc")));
    QCOMPARE(byField.asString(QStringLiteral("RC")), QStringLiteral("admin"));
    TQuery byEdit(QStringLiteral("byEdit"));
    byEdit.setSql({QStringLiteral("select * from ZAK where ID_ZAK=1")});
    byEdit.openWhenUsed();
    byEdit.edit();
    QCOMPARE(byEdit.state(), TDataSet::State::Edit);
    QCOMPARE(byEdit.recordCount(), 1);

    // closed before the first look: nothing read, and a later open() reads as usual
    TQuery closed(QStringLiteral("closed"));
    closed.setSql({QStringLiteral("select * from ZAK")});
    closed.openWhenUsed();
    closed.close();
    QVERIFY(!closed.active());
    QVERIFY(!closed.fetchPending());
    QVERIFY_THROWS_EXCEPTION(TError, closed.first());
    closed.open();
    QCOMPARE(closed.recordCount(), before + 1);

    // the data module's register of pupils is opened this way
    QVERIFY(dm.QZak->active());
    QVERIFY(dm.QZak->fetchPending());
    QCOMPARE(dm.QZak->recordCount(), before + 1);
}

void TstDataSet::openWhenUsedRefusesABadStatementAtOnce()
{
    TTestDb db;
    db.open();
    TQuery q(QStringLiteral("q"));
    q.setSql({QStringLiteral("select NO_SUCH_COLUMN from ZAK")});
    QVERIFY_THROWS_EXCEPTION(TError, q.openWhenUsed());
    QVERIFY(!q.active());
    QVERIFY(!q.fetchPending());
    TQuery empty(QStringLiteral("empty"));
    QVERIFY_THROWS_EXCEPTION(TError, empty.openWhenUsed());
    QVERIFY(!empty.active());
}

void TstDataSet::readIntegersGivesOneColumnOfEveryRow()
{
    TTestDb db;
    db.open();
    const QString sql =
        QStringLiteral("select ID_OTAZKA, null as NIC from OTAZKA where ID_OKRUH=:G order by ID_OTAZKA desc");
    TQuery rows(QStringLiteral("rows"));
    rows.setSql({sql});
    rows.setParam(QStringLiteral("G"), 1);
    rows.open();
    QVERIFY(rows.recordCount() > 1);
    QVector<qint64> expected;
    for (int row = 0; row < rows.recordCount(); ++row)
        expected.append(rows.valueAt(row, QStringLiteral("ID_OTAZKA")).toLongLong());

    // the rows in their order, with the parameters as set; an open set is closed and stays so
    TQuery q(QStringLiteral("q"));
    q.setSql({sql});
    q.setParam(QStringLiteral("g"), 1);
    q.open();
    QCOMPARE(q.readIntegers(QStringLiteral("id_otazka")), expected);
    QVERIFY(!q.active());
    QVERIFY_THROWS_EXCEPTION(TError, q.first());
    // nulls come as 0, one per row
    QCOMPARE(q.readIntegers(QStringLiteral("NIC")), QVector<qint64>(expected.size(), 0));
    // no row at all
    q.setParam(QStringLiteral("G"), -1);
    QVERIFY(q.readIntegers(QStringLiteral("ID_OTAZKA")).isEmpty());

    // a field the statement does not give, and a statement the database refuses
    QVERIFY_THROWS_EXCEPTION(TError, q.readIntegers(QStringLiteral("ID_OKRUH")));
    TQuery bad(QStringLiteral("bad"));
    bad.setSql({QStringLiteral("select NO_SUCH_COLUMN from OTAZKA")});
    QVERIFY_THROWS_EXCEPTION(TError, bad.readIntegers(QStringLiteral("NO_SUCH_COLUMN")));
    QVERIFY(!bad.active());
}

void TstDataSet::drawnQuestionsAreBoundAndReplaced()
{
    TTestDb db;
    TDM& dm = db.open();
    TQuery all(QStringLiteral("all"));
    all.setSql({QStringLiteral("select ID_OTAZKA from OTAZKA order by ID_OTAZKA")});
    const QVector<qint64> bank = all.readIntegers(QStringLiteral("ID_OTAZKA"));
    QVERIFY(bank.size() >= 4);
    auto selected = [&dm] {
        QVector<qint64> ids;
        for (int row = 0; row < dm.QTestType3->recordCount(); ++row)
            ids << dm.QTestType3->valueAt(row, QStringLiteral("ID_OTAZKA")).toLongLong();
        std::sort(ids.begin(), ids.end());
        return ids;
    };

    // drawn order, a repeated id (a wrong answer stored twice) and an id the bank lacks
    Statements::OpenDrawnQuestions(*dm.QTestType3, {bank[3], bank[0], bank[3], bank[2], 999999999});
    QCOMPARE(selected(), (QVector<qint64>{bank[0], bank[2], bank[3]}));

    // a shorter draw after a longer one selects only its own questions
    Statements::OpenDrawnQuestions(*dm.QTestType3, {bank[1]});
    QCOMPARE(selected(), QVector<qint64>{bank[1]});

    // nothing drawn: the previous test stays as it was
    Statements::OpenDrawnQuestions(*dm.QTestType3, {});
    QVERIFY(dm.QTestType3->active());
    QCOMPARE(selected(), QVector<qint64>{bank[1]});
}

QTEST_MAIN(TstDataSet)
#include "tst_dataset.moc"
