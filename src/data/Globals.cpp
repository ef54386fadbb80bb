// Definitions of the program-wide state.
#include "Globals.h"

TSignedInPupil SignedInPupil;
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
