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
    QChar LicenceCategory;
    qint32 SkillLevel = 0;
    qint32 PassMinimum = 0;
    qint32 MandatoryGroup = 0;
};

extern TSignedInPupil SignedInPupil;
extern QString DatabaseVersion;
extern QStringList MessageList;

// Tells the main window that its user label changed; data code never touches windows directly.
class TSession : public QObject
{
    Q_OBJECT
public:
    static TSession& instance();
    void setUserLabel(const QString& text);
    QString userLabel() const { return m_userLabel; }

signals:
    void userLabelChanged(const QString& text);

private:
    QString m_userLabel;
};
