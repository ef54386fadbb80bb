// Program-wide state: who is signed in on this station, the database version, the ticker lines.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

constexpr int PrivilegedPupilId = 1;

struct TSignedInPupil
{
    qint32 PupilId = 0;
    QString FullName;
    QString LicenceCategory; // the category's code (AM, B, C1E, ...)
    qint32 SkillLevel = 0;
    qint32 PassMinimum = 0;
    qint32 MandatoryGroup = 0;
};

// Who is signed in on this station, for everybody to read; TSession owns it and is the one way
// to change it.
extern const TSignedInPupil& SignedInPupil;
extern QString DatabaseVersion;
extern QStringList MessageList;

// The station's session: who is signed in, and the user label the main window shows. Data code
// never touches windows directly: windows follow the signals.
class TSession : public QObject
{
    Q_OBJECT
public:
    static TSession& instance();
    void setUserLabel(const QString& text);
    QString userLabel() const { return m_userLabel; }

    // The one way to change SignedInPupil.
    void setSignedInPupil(const TSignedInPupil& pupil);
    void signOut() { setSignedInPupil(TSignedInPupil()); }

signals:
    void userLabelChanged(const QString& text);
    void signedInPupilChanged();

private:
    QString m_userLabel;
};
