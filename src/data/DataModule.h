// The data module: the one connection, every shared query, update statement and table cursor,
// the settings constants, and the start-up of the database.
#pragma once

#include "Database.h"
#include "DataSet.h"
#include "Platform.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TInstanceMarker;
struct TScoredTest;

class TDM : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // The program's directory; the database lives in its DB subdirectory.
        QString programDir;
        // Overrides for the private directory's candidates (empty: taken from the environment).
        QString tempDir;
        QString systemDir;
    };

    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // Opens the database as the program starts; throws TError with the message the user sees.
    // Whether the connection was made is DB.connected() afterwards, also after an error.
    void DMCreate(const Options& options);
    // Closes everything; also run by the destructor.
    void DMDestroy();

    QString GetConst(const QString& name);
    void SetConst(const QString& name, const QString& value);
    // True when the pupil has a report of the stored test written at exactly this time.
    bool ReportStored(int pupilId, const QDateTime& when, int testId);
    // Stores what a scored test leaves (wrong answers, the unfinished stored test, a live test's
    // report, every answer's outcome) as a whole or not at all; see TTestStore.
    void StoreScoredTest(const TScoredTest& test);

    // The pupil look-ups of the sign-in and the register, each into the query given (the scratch
    // query QTmp, as a rule): the pupil with this identification or this ID_ZAK, joined with the
    // category.
    void OpenPupilByRc(TQuery& query, const QString& rc);
    void OpenPupilById(TQuery& query, int pupilId);
    // QZak for the pupil register: every pupil, or only `pupilId` when `onlyThisPupil`, ordered
    // by surname and first name (in Czech order where the database can give it).
    void OpenRegister(bool onlyThisPupil, int pupilId);
    // QZak with no row, to insert a new pupil into.
    void OpenEmptyRegister();
    // True when a pupil other than `pupilId` has the identification `rc`.
    bool IdentificationTaken(const QString& rc, int pupilId);
    bool PupilExists(int pupilId);
    // Why the question's right answer is right; empty when the bank gives no explanation (or the
    // database is older than explanations).
    QString Explanation(int questionId);

    QString programDir() const { return m_programDir; }
    QString privateDir() const { return m_privateDir; }
    TEngine& engine() const { return DB.engine(); }

    TDatabase DB;

    TQuery* QSelectZak;
    TQuery* QTmp;
    TQuery* QZak;
    TQuery* QSelectQuest;
    TQuery* QTestType1;
    TQuery* QOdpoved;
    TQuery* QSelectTestType;
    TQuery* QSelectTest;
    TQuery* QTestType2;
    TQuery* QRnd;
    TQuery* QTestType3;
    TQuery* QStatistic;
    TQuery* QRP;
    TTable* TRes;
    TQuery* QSelectErrorTest;
    TQuery* QRndError;
    TTable* TMessage;
    TQuery* QBmp;
    TTable* TZak;

    // The statement texts, word for word.
    static const QString SqlSelectZak;
    static const QString SqlTmp;
    static const QString SqlZak;
    static const QString SqlSelectQuest;
    static const QString SqlTestType1;
    static const QString SqlOdpoved;
    static const QString SqlSelectTestType;
    static const QString SqlSelectTest;
    static const QString SqlTestType2;
    static const QString SqlRnd;
    static const QString SqlStatistic;
    static const QString SqlRP;
    static const QString SqlSelectErrorTest;
    static const QString SqlRndError;
    static const QString SqlBmp;
    static const QString UpdZakModify;
    static const QString UpdZakInsert;
    static const QString UpdZakDelete;
    static const QString UpSelectQuestModify;
    static const QString UpdStatisticInsert;
    static const QString UpdStatisticDelete;
    // The program's other statements; values are parameters.
    static const QString SqlPupilByRc;
    static const QString SqlPupilById;
    static const QString SqlRegister;
    static const QString SqlRegisterOnePupil;
    static const QString SqlRegisterOrder;
    static const QString SqlEmptyRegister;
    static const QString SqlIdentificationTaken;
    static const QString SqlPupilExists;
    static const QString SqlExplanation;
    static const QString SqlGetConst;
    static const QString SqlSetConst;

private:
    QString findPrivateDir(const Options& options) const;
    // Runs a read of a table that an older database may lack: false when the table is missing,
    // any other error passed on.
    static bool tableExists(const std::function<void()>& read);
    void connect();

    QString m_programDir;
    QString m_privateDir;
    std::unique_ptr<TInstanceMarker> m_marker;
    // Whether the database has the explanations' table: not known until first asked.
    std::optional<bool> m_hasExplanations;
    // Whether the database has the table of the answers' outcomes: not known until first stored.
    std::optional<bool> m_hasOutcomes;
};

// The one instance, created at start-up.
extern TDM* DM;

// The marker "del2.mb" in the private directory, held locked for as long as this instance runs,
// so that a second instance with the same private directory is told apart from other failures
// and a marker left behind by a crashed instance is no obstacle.
class TInstanceMarker
{
public:
    explicit TInstanceMarker(QString path) : m_path(std::move(path)) {}
    ~TInstanceMarker() { release(); }
    // False when another running instance holds the marker.
    bool acquire();
    void release();
    // True when the marker exists and a running instance holds it.
    static bool heldByAnother(const QString& path);
    static constexpr const char* FileName = "del2.mb";

private:
    QString m_path;
    Platform::TLockFile m_file;
};
