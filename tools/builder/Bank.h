// A question bank in memory: what the source folder describes and what the database holds.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

struct TBankGroup
{
    int id = 0;
    QString name;
    int order = 0;
    int count = 0;     // Pocet: questions drawn for a practice test
    int liveCount = 0; // PocetDef: questions drawn for a live test
    QString picture;   // file of the JPEG picture, relative to the bank folder; empty for none
};

struct TBankQuestion
{
    int id = 0;
    int group = 0;
    QString text;
    QStringList answers; // a) to d)
    QString correct;     // AA
    int points = 0;      // BB
    QString skills;      // SKILL_LEVEL
    QString preset;      // CC, normally empty
    QString picture;     // file relative to the bank folder; empty for none
    QString explanation; // why the right answer is right (VYSVETLENI); empty for none
};

// The FLAG of a category none of whose topic groups is mandatory: no group has this id.
inline constexpr int NoMandatoryGroup = 0;

struct TBankCategory
{
    QString code; // RP
    QString description;
    int animation = 0; // ID_AVI
    int skillLevel = 0;
    int minimum = 0;
    int mandatoryGroup = 0; // FLAG; NoMandatoryGroup when no group is mandatory
    QString typ;
};

struct TBankTestType
{
    int id = 0;
    QString description;
};

struct TBankTest
{
    int id = 0;
    int type = 0;
    int number = 0; // PORADI
    QString skills;
    QVector<int> questions; // in TESTOTAZ PORADI order
};

struct TBankAnimation
{
    int id = 0;
    QStringList frames; // bitmap or JPEG files, in order
    QString blob;       // instead of frames: a file holding the stored frame list as it is
};

struct TBankPupil
{
    int id = 0;
    QString rc, password, surname, firstName, title, category, address, telephone;
};

struct TBank
{
    QVector<TBankGroup> groups;
    QVector<TBankQuestion> questions;
    QVector<TBankCategory> categories;
    QVector<TBankTestType> testTypes;
    QVector<TBankTest> tests;
    QVector<TBankAnimation> animations;
    QVector<QPair<QString, QString>> constants; // FNKonst in order
    QStringList messages;
    QVector<TBankPupil> pupils;
    QMap<QString, QByteArray> files; // the picture and animation files by their relative names
};
