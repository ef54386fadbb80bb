// Definitions of the program-wide state.
#include "Globals.h"

static TSignedInPupil g_signedInPupil;
const TSignedInPupil& SignedInPupil = g_signedInPupil;
QString DatabaseVersion;
QStringList MessageList;

TSession& TSession::instance()
{
    static TSession session;
    return session;
}

void TSession::setUserLabel(const QString& text)
{
    m_userLabel = text;
    emit userLabelChanged(text);
}

void TSession::setSignedInPupil(const TSignedInPupil& pupil)
{
    g_signedInPupil = pupil;
    emit signedInPupilChanged();
}
