// Sign-in steps shared by the sign-in window and the pupil register.
#include "SignIn.h"

#include "data/DataSet.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Public.h"

void OpenPupilByRc(TQuery& query, const QString& rc)
{
    query.close();
    query.clearSql();
    query.addLine(QStringLiteral("select * from ZAK, RP where RC=") + SqlQuote(rc) +
                  QStringLiteral(" AND zak.RP=RP.RP"));
    query.open();
}

void OpenPupilById(TQuery& query, int pupilId)
{
    query.close();
    query.clearSql();
    query.addLine(QStringLiteral("select * from zak, RP where ID_ZAK=") + SqlInt(pupilId) +
                  QStringLiteral(" AND zak.RP=RP.RP"));
    query.open();
}

bool PasswordMatches(const QString& typed, const QString& stored)
{
    return TrimText(typed) == TrimText(stored);
}

void FillSignedInPupil(const TDataSet& pupilRow)
{
    SignedInPupil.PupilId = pupilRow.asInteger(QStringLiteral("ID_ZAK"));
    const QString category = pupilRow.asString(QStringLiteral("RP"));
    SignedInPupil.LicenceCategory = category.isEmpty() ? QChar() : category.at(0);
    SignedInPupil.SkillLevel = pupilRow.asInteger(QStringLiteral("SKILL_LEVEL"));
    SignedInPupil.PassMinimum = pupilRow.asInteger(QStringLiteral("MINIMUM"));
    SignedInPupil.MandatoryGroup = pupilRow.asInteger(QStringLiteral("FLAG"));
    ShowUserName(pupilRow);
}
