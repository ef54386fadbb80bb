// Data module: components, start-up of the database and the settings constants.
#include "DataModule.h"

#include "Engine.h"
#include "Error.h"
#include "Format.h"
#include "Globals.h"
#include "MessageCipher.h"
#include "Platform.h"
#include "Strings.h"
#include "TestStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

TDM* DM = nullptr;

// ---- statement texts ----

const QString TDM::SqlPupilByRc = QStringLiteral("select * from ZAK, RP where RC=:RC AND zak.RP=RP.RP");
const QString TDM::SqlPupilById = QStringLiteral("select * from zak, RP where ID_ZAK=:ID_ZAK AND zak.RP=RP.RP");
const QString TDM::SqlRegister = QStringLiteral("select * from zak, RP where RP.RP=zak.RP ");
const QString TDM::SqlRegisterOnePupil = QStringLiteral("  AND ZAK.id_zak=:ID_ZAK");
// %1 is the engine's Czech collation clause, or nothing.
const QString TDM::SqlRegisterOrder = QStringLiteral(" order by prijmeni%1, jmeno%1 ");
const QString TDM::SqlEmptyRegister = QStringLiteral("select * from zak, RP where RP.TYP=zak.RP AND id_zak=-1");
const QString TDM::SqlIdentificationTaken = QStringLiteral("select * from zak where RC=:RC and  ID_ZAK<>:ID_ZAK");
const QString TDM::SqlPupilExists = QStringLiteral("select ID_ZAK from ZAK where ID_ZAK=:ID_ZAK");
const QString TDM::SqlGetConst = QStringLiteral("SELECT * FROM FNKonst where ConstName=:NAME");
const QString TDM::SqlSetConst = QStringLiteral("UPDATE FNKonst SET ConstValue=:VALUE   where ConstName=:NAME");
const QString TDM::SqlExplanation = QStringLiteral("select TEXT from VYSVETLENI where ID_OTAZKA=:ID_OTAZKA");
const QString TDM::SqlSelectZak = QStringLiteral(R"(select * from ZAK where id_zak=:id_zak)");
const QString TDM::SqlTmp = QStringLiteral(R"(select * from ZAK)");
const QString TDM::SqlZak = QStringLiteral(R"(select RP.ID_AVI, RP.POPIS, ZAK.*   from ZAK, RP     WHERE  ZAK.RP=RP.RP )");
const QString TDM::SqlSelectQuest = QStringLiteral(R"(select * from OKRUHOT ORDER BY PORADI)");
const QString TDM::SqlTestType1 =
    QStringLiteral(R"(select * from OTAZKA where    ID_OKRUH=:ID_OKRUH  and   SKILL_LEVEL LIKE :SKILL_LEVEL)");
const QString TDM::SqlOdpoved =
    QStringLiteral(R"(select * from ODPOVED   where    ID_OTAZKA=:ID_OTAZKA  order by CHAR_ODP)");
const QString TDM::SqlSelectTestType = QStringLiteral(R"(select * from TYPTESTU  where ID_TYPTEST>:ID_TYPTEST)");
const QString TDM::SqlSelectTest = QStringLiteral(
    R"(select 'Test číslo ' aa, poradi, id_test  from TEST  where   ID_TYPTEST=:ID_TYPTEST  AND  SKILL_LEVEL  LIKE :SKILL_LEVEL )");
const QString TDM::SqlTestType2 = QStringLiteral(
    R"(select OTAZKA.*, poradi from OTAZKA, TESTOTAZ  where   TESTOTAZ.ID_OTAZKA=OTAZKA.ID_OTAZKA AND  TESTOTAZ.ID_TEST=:ID_TEST  ORDER BY PORADI)");
const QString TDM::SqlRnd =
    QStringLiteral(R"(select ID_OTAZKA from OTAZKA where   ID_OKRUH=:ID_OKRUH and SKILL_LEVEL  LIKE  :SKILL_LEVEL)");
const QString TDM::SqlStatistic = QStringLiteral(R"(select * from STATIS  WHERE ID_ZAK=:ID_ZAK)");
const QString TDM::SqlRP = QStringLiteral(R"(select * from RP)");
// ZAKTEST has ID_TEST too; the engines refuse it unqualified, so the select list names the test's.
const QString TDM::SqlSelectErrorTest = QStringLiteral(
    R"(select 'Test cislo ' aa, poradi, TEST.id_test  from TEST, ZAKTEST   where   TEST.ID_TYPTEST=:ID_TYPTEST  AND  TEST.ID_TEST=ZAKTEST.ID_TEST AND ZAKTEST.ID_ZAK=:ID_ZAK )");
// Both joined tables have ID_OTAZKA; the engines refuse it unqualified, so the select list names
// the question's own.
const QString TDM::SqlRndError = QStringLiteral(
    R"(select OTAZKA.ID_OTAZKA from OTAZKA, ZAKODP where   ID_OKRUH=:ID_OKRUH and OTAZKA.ID_OTAZKA=ZAKODP.ID_OTAZKA AND  ZAKODP.ID_ZAK=:ID_ZAK )");
const QString TDM::SqlBmp = QStringLiteral(R"(select * from BMP where id_pict=:id_pict)");

const QString TDM::UpdZakModify = QStringLiteral(
    R"(update ZAK set   RC = :RC,   PRIJMENI = :PRIJMENI,   JMENO = :JMENO,   TITUL = :TITUL,   RP = :RP,   HESLO = :HESLO,   ADRESA = :ADRESA,   TELEFON = :TELEFON,   TimeOut = :TimeOut where   ID_ZAK = :OLD_ID_ZAK)");
const QString TDM::UpdZakInsert = QStringLiteral(
    R"(insert into ZAK   (RC, PRIJMENI, JMENO, TITUL, RP, HESLO, ADRESA, TELEFON, TimeOut) values   (:RC, :PRIJMENI, :JMENO, :TITUL, :RP, :HESLO, :ADRESA, :TELEFON, :TimeOut))");
const QString TDM::UpdZakDelete = QStringLiteral(R"(delete from ZAK where   ID_ZAK = :OLD_ID_ZAK)");
const QString TDM::UpSelectQuestModify =
    QStringLiteral(R"(update OKRUHOT set   Pocet = :Pocet where   ID_OKRUH = :OLD_ID_OKRUH)");
const QString TDM::UpdStatisticInsert = QStringLiteral(
    R"(insert into STATIS   (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) values   (:ID_ZAK, :ID_TEST, :DATETIME, :PTOTAL, :PCURRENT, :REPORT, :TEST_NAME))");
const QString TDM::UpdStatisticDelete = QStringLiteral(R"(delete from STATIS where   ID_STATIS = :OLD_ID_STATIS)");

// ---- instance marker ----

bool TInstanceMarker::acquire()
{
    if (m_file.isOpen())
        return true;
    if (!m_file.open(m_path, Platform::TLockFile::Mode::Private))
        return false;
    if (m_file.lock(0, 0) != Platform::TLockFile::Lock::Taken) {
        m_file.close();
        return false;
    }
    return true;
}

void TInstanceMarker::release()
{
    if (!m_file.isOpen())
        return;
    // removed while still held, so that no instance starting meanwhile loses its own marker
    QFile::remove(m_path);
    m_file.close();
}

bool TInstanceMarker::heldByAnother(const QString& path)
{
    Platform::TLockFile file;
    qint64 start = 0, length = 0;
    return file.open(path, Platform::TLockFile::Mode::ReadOnly) && file.foreignLock(0, &start, &length);
}

// ---- the data module ----

TDM::TDM(QObject* parent) : QObject(parent)
{
    auto query = [this](const char* name, const QString& sql, bool readOnly = true) {
        auto* q = new TQuery(QString::fromLatin1(name), this);
        if (!sql.isEmpty())
            q->setSql({sql});
        q->setReadOnly(readOnly);
        return q;
    };
    QSelectZak = query("QSelectZak", SqlSelectZak);
    QTmp = query("QTmp", SqlTmp);
    QZak = query("QZak", SqlZak, false);
    QZak->setCachedUpdates(true);
    QZak->setModifySql(UpdZakModify);
    QZak->setInsertSql(UpdZakInsert);
    QZak->setDeleteSql(UpdZakDelete);
    QZak->setAutoKeyField(QStringLiteral("ZAK"), QStringLiteral("ID_ZAK"));
    QSelectQuest = query("QSelectQuest", SqlSelectQuest, false);
    QSelectQuest->setCachedUpdates(true);
    QSelectQuest->setModifySql(UpSelectQuestModify);
    QTestType1 = query("QTestType1", SqlTestType1, false);
    QTestType1->setCachedUpdates(true);
    QOdpoved = query("QOdpoved", SqlOdpoved);
    QSelectTestType = query("QSelectTestType", SqlSelectTestType);
    QSelectTest = query("QSelectTest", SqlSelectTest);
    QTestType2 = query("QTestType2", SqlTestType2, false);
    QTestType2->setCachedUpdates(true);
    QRnd = query("QRnd", SqlRnd);
    QTestType3 = query("QTestType3", QString(), false);
    QTestType3->setCachedUpdates(true);
    QStatistic = query("QStatistic", SqlStatistic, false);
    QStatistic->setCachedUpdates(true);
    QStatistic->setInsertSql(UpdStatisticInsert);
    QStatistic->setDeleteSql(UpdStatisticDelete);
    QStatistic->setAutoKeyField(QStringLiteral("STATIS"), QStringLiteral("ID_STATIS"));
    QRP = query("QRP", SqlRP);
    TRes = new TTable(QStringLiteral("TRes"), QStringLiteral("RES"), QString(), this);
    TRes->setReadOnly(true);
    QSelectErrorTest = query("QSelectErrorTest", SqlSelectErrorTest);
    QRndError = query("QRndError", SqlRndError);
    TMessage = new TTable(QStringLiteral("TMessage"), QStringLiteral("MESSAGE"), QString(), this);
    TMessage->setReadOnly(true);
    QBmp = query("QBmp", SqlBmp);
    TZak = new TTable(QStringLiteral("TZak"), QStringLiteral("ZAK"), QStringLiteral("ID_ZAK"), this);
    if (!::DM)
        ::DM = this;
}

TDM::~TDM()
{
    DMDestroy();
    if (::DM == this)
        ::DM = nullptr;
}

static bool usableDir(const QString& dir)
{
    if (dir.isEmpty())
        return false;
    QFileInfo fi(dir);
    return fi.isDir() && fi.isWritable();
}

QString TDM::findPrivateDir(const Options& options) const
{
    // The private directory is a folder of this user's own, so that two people signed in to
    // one machine never shut each other out.
    const QString user = Platform::userTag();
    auto candidate = [&](const QString& base) -> QString {
        if (!usableDir(base))
            return QString();
        QDir d(base);
        const QString sub = QStringLiteral("ferdano-") + user;
        if (!d.exists(sub) && !d.mkdir(sub))
            return QString();
        const QString path = d.filePath(sub);
        return usableDir(path) ? QDir(path).absolutePath() + u'/' : QString();
    };
    QString dir = candidate(options.tempDir.isEmpty() ? QDir::tempPath() : options.tempDir);
    if (dir.isEmpty()) {
        const QString system = options.systemDir.isEmpty() ? Platform::systemDirectory() : options.systemDir;
        dir = candidate(system);
    }
    return dir;
}

void TDM::DMCreate(const Options& options)
{
    // 1. the shared control directory is the program's directory
    m_programDir = QDir(options.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.programDir)
                       .absolutePath() + u'/';
    // 2. the private working directory
    m_privateDir = findPrivateDir(options);
    if (m_privateDir.isEmpty())
        throw TError(Str::NoTempDir);
    // 3. the connection's parameters
    DB.close();
    DB.setPath(m_programDir + QStringLiteral("DB/"));
    DB.setNetDir(m_programDir);
    // 4. the connection
    connect();
    // 5. the components that stay open
    TZak->setRowLock(&DB.engine().signInLock(), QStringLiteral("ID_ZAK"));
    // Read when first needed, not at every start: the animations of the categories, the pupils
    // and the topic groups with their pictures.
    TRes->openWhenUsed();
    QRP->open();
    QZak->openWhenUsed();
    QSelectQuest->openWhenUsed();
    // 6. the database version
    DatabaseVersion = GetConst(QStringLiteral("VERSION"));
    // 7. the ticker messages
    MessageList.clear();
    TMessage->open();
    if (!TMessage->isEmpty()) {
        QStringList lines;
        if (!MessageCipher::decipherLines(TMessage->asBytes(QStringLiteral("Message")), &lines))
            throw TError(Str::MessagesUnreadable);
        MessageList = lines;
    }
}

void TDM::connect()
{
    const QString markerPath = m_privateDir + QString::fromLatin1(TInstanceMarker::FileName);
    auto marker = std::make_unique<TInstanceMarker>(markerPath);
    if (!marker->acquire()) {
        if (TInstanceMarker::heldByAnother(markerPath))
            throw TError(Str::AlreadyRunning);
        throw TError(Str::NoTempDir);
    }
    try {
        DB.open();
    } catch (const TError&) {
        marker.reset(); // removes our marker, so that only a running instance leaves one
        throw;
    }
    m_marker = std::move(marker);
}

void TDM::DMDestroy()
{
    for (QObject* child : children())
        if (auto* ds = qobject_cast<TDataSet*>(child))
            ds->close();
    DB.close();
    m_marker.reset();
    MessageList.clear();
}

namespace {

// Replaces the query's statement by `text` and sets its parameters.
void setStatement(TQuery& query, const QString& text, std::initializer_list<std::pair<const char*, QVariant>> params)
{
    query.close();
    query.clearSql();
    query.addLine(text);
    for (const auto& [name, value] : params)
        query.setParam(QLatin1String(name), value);
}

} // namespace

bool TDM::ReportStored(int pupilId, const QDateTime& when, int testId)
{
    return TTestStore::reportStored(pupilId, when, testId);
}

void TDM::StoreScoredTest(const TScoredTest& test)
{
    // A database made before the outcomes' table stores the rest as before. Asked outside the
    // transaction: a failing statement would spoil a PostgreSQL transaction.
    if (!m_hasOutcomes.has_value() && !test.answers.isEmpty())
        m_hasOutcomes = tableExists([&] { TTestStore::outcomesStored(test.pupilId, QDateTime()); });
    TTestStore(DB, m_hasOutcomes.value_or(false)).store(test);
}

void TDM::OpenPupilByRc(TQuery& query, const QString& rc)
{
    setStatement(query, SqlPupilByRc, {{"RC", rc}});
    query.open();
}

void TDM::OpenPupilById(TQuery& query, int pupilId)
{
    setStatement(query, SqlPupilById, {{"ID_ZAK", pupilId}});
    query.open();
}

void TDM::OpenRegister(bool onlyThisPupil, int pupilId)
{
    QZak->close();
    QZak->clearSql();
    QZak->addLine(SqlRegister);
    if (onlyThisPupil) {
        QZak->addLine(SqlRegisterOnePupil);
        QZak->setParam(QStringLiteral("ID_ZAK"), pupilId);
    }
    QZak->addLine(SqlRegisterOrder.arg(engine().czechCollation()));
    QZak->open();
}

void TDM::OpenEmptyRegister()
{
    QZak->setSql({SqlEmptyRegister});
    QZak->open();
}

bool TDM::IdentificationTaken(const QString& rc, int pupilId)
{
    setStatement(*QTmp, SqlIdentificationTaken, {{"RC", rc}, {"ID_ZAK", pupilId}});
    QTmp->open();
    return !QTmp->isEmpty();
}

bool TDM::tableExists(const std::function<void()>& read)
{
    try {
        read();
    } catch (const TError& e) {
        if (e.message().startsWith(Str::DatabaseIncomplete.section(u'%', 0, 0)))
            return false;
        throw;
    }
    return true;
}

QString TDM::Explanation(int questionId)
{
    if (m_hasExplanations == false)
        return QString();
    TQuery q(QStringLiteral("QExplanation"));
    setStatement(q, SqlExplanation, {{"ID_OTAZKA", questionId}});
    if (m_hasExplanations.has_value())
        q.open();
    else if (!(m_hasExplanations = tableExists([&] { q.open(); })).value())
        return QString(); // a database built before explanations: nothing to show, ever
    return q.isEmpty() ? QString() : q.asString(QStringLiteral("TEXT")).trimmed();
}

bool TDM::PupilExists(int pupilId)
{
    setStatement(*QTmp, SqlPupilExists, {{"ID_ZAK", pupilId}});
    QTmp->open();
    return !QTmp->isEmpty();
}

QString TDM::GetConst(const QString& name)
{
    setStatement(*QTmp, SqlGetConst, {{"NAME", TrimText(name)}});
    QTmp->open();
    if (QTmp->isEmpty())
        return QString();
    return QTmp->asString(QStringLiteral("ConstValue"));
}

void TDM::SetConst(const QString& name, const QString& value)
{
    setStatement(*QTmp, SqlSetConst, {{"VALUE", TrimText(value)}, {"NAME", TrimText(name)}});
    QTmp->execSql();
}
