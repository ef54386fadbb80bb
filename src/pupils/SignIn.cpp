// Sign-in steps shared by the sign-in window and the pupil register.
#include "SignIn.h"

#include "data/DataSet.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Public.h"

bool PasswordMatches(const QString& typed, const QString& stored)
{
    return TrimText(typed) == TrimText(stored);
}

void FillSignedInPupil(const TDataSet& pupilRow)
{
    TSignedInPupil pupil;
    pupil.PupilId = pupilRow.asInteger(QStringLiteral("ID_ZAK"));
    // The whole code: categories such as C1E differ from C only after the first character.
    pupil.LicenceCategory = TrimText(pupilRow.asString(QStringLiteral("RP")));
    pupil.SkillLevel = pupilRow.asInteger(QStringLiteral("SKILL_LEVEL"));
    pupil.PassMinimum = pupilRow.asInteger(QStringLiteral("MINIMUM"));
    pupil.MandatoryGroup = pupilRow.asInteger(QStringLiteral("FLAG"));
    TSession::instance().setSignedInPupil(pupil);
    ShowUserName(pupilRow);
}
