// Table definitions and their DDL.
#include "Schema.h"

namespace {

using T = TColumnType;

QVector<TTableDef> makeTables()
{
    return {
        {QStringLiteral("ZAK"),
         {{"ID_ZAK", T::AutoKey},
          {"RC", T::Text, 11},
          {"HESLO", T::Text, 10},
          {"PRIJMENI", T::Text, 60},
          {"JMENO", T::Text, 60},
          {"TITUL", T::Text, 30},
          {"RP", T::Text, 10},
          {"ADRESA", T::Text, 120},
          {"TELEFON", T::Text, 40},
          {"TimeOut", T::Integer}}},
        {QStringLiteral("RP"),
         {{"RP", T::Text, 10},
          {"POPIS", T::Text, 80},
          {"ID_AVI", T::Integer},
          {"SKILL_LEVEL", T::Integer},
          {"MINIMUM", T::Integer},
          {"FLAG", T::Integer},
          {"TYP", T::Text, 10}}},
        {QStringLiteral("OKRUHOT"),
         {{"ID_OKRUH", T::Key},
          {"OKRUH", T::Text, 120},
          {"PORADI", T::Integer},
          {"Pocet", T::Integer},
          {"PocetDef", T::Integer},
          {"Picture", T::Binary}}},
        {QStringLiteral("OTAZKA"),
         {{"ID_OTAZKA", T::Key},
          {"ID_OKRUH", T::Integer},
          {"OTAZKA", T::LongText},
          {"ID_PICT", T::Integer},
          {"AA", T::Text, 4},
          {"BB", T::Integer},
          {"CC", T::Text, 4},
          {"SKILL_LEVEL", T::Text, 10}}},
        {QStringLiteral("ODPOVED"),
         {{"ID_OTAZKA", T::Integer}, {"CHAR_ODP", T::Text, 4}, {"TEXT_ODP", T::LongText}}},
        {QStringLiteral("BMP"), {{"ID_PICT", T::Key}, {"BMP", T::Binary}}},
        {QStringLiteral("TYPTESTU"), {{"ID_TYPTEST", T::Key}, {"Popis", T::Text, 80}}},
        {QStringLiteral("TEST"),
         {{"ID_TEST", T::Key}, {"ID_TYPTEST", T::Integer}, {"PORADI", T::Integer}, {"SKILL_LEVEL", T::Text, 10}}},
        {QStringLiteral("TESTOTAZ"), {{"ID_TEST", T::Integer}, {"ID_OTAZKA", T::Integer}, {"PORADI", T::Integer}}},
        {QStringLiteral("STATIS"),
         {{"ID_STATIS", T::AutoKey},
          {"ID_ZAK", T::Integer},
          {"ID_TEST", T::Integer},
          {"DATETIME", T::DateTime},
          {"PTOTAL", T::Integer},
          {"PCURRENT", T::Integer},
          {"REPORT", T::LongText},
          {"TEST_NAME", T::Text, 200}}},
        {QStringLiteral("ZAKTEST"), {{"ID_ZAK", T::Integer}, {"ID_TEST", T::Integer}}},
        {QStringLiteral("ZAKODP"), {{"ID_ZAK", T::Integer}, {"ID_OTAZKA", T::Integer}, {"ZAK_ODP", T::Text, 4}}},
        {QStringLiteral("RES"), {{"ID", T::Key}, {"BLOB", T::Binary}}},
        {QStringLiteral("MESSAGE"), {{"Message", T::Binary}}},
        {QStringLiteral("FNKonst"), {{"ConstName", T::Text, 40}, {"ConstValue", T::Text, 200}}},
        // A school's explanation of a question's right answer; a question may have none, and a
        // database made before the table existed has no such table at all.
        {QStringLiteral("VYSVETLENI"), {{"ID_OTAZKA", T::Key}, {"TEXT", T::LongText}}},
        // How each question of a scored practice, live or error test came out for the pupil:
        // SPRAVNE 1 right, 0 wrong; REZIM the test's mode (3 practice, 4 live, 5 error test).
        // The pupils' progress and the school's figures are read from it; an older database
        // lacks it.
        {QStringLiteral("ZAKVYSL"),
         {{"ID_ZAK", T::Integer},
          {"ID_OTAZKA", T::Integer},
          {"SPRAVNE", T::Integer},
          {"DATETIME", T::DateTime},
          {"REZIM", T::Integer}}},
    };
}

QString columnSql(const TColumnDef& c, TDialect d)
{
    const bool pg = d == TDialect::Postgres;
    switch (c.type) {
    case T::AutoKey:
        return c.name + (pg ? QStringLiteral(" SERIAL PRIMARY KEY") : QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT"));
    case T::Key:
        return c.name + QStringLiteral(" INTEGER PRIMARY KEY");
    case T::Integer:
        return c.name + QStringLiteral(" INTEGER");
    case T::Text:
        return c.name + QStringLiteral(" VARCHAR(%1)").arg(c.length);
    case T::LongText:
        return c.name + QStringLiteral(" TEXT");
    case T::Binary:
        return c.name + (pg ? QStringLiteral(" BYTEA") : QStringLiteral(" BLOB"));
    case T::DateTime:
        return c.name + QStringLiteral(" TIMESTAMP");
    }
    return c.name;
}

} // namespace

namespace Schema {

const QVector<TTableDef>& tables()
{
    static const QVector<TTableDef> t = makeTables();
    return t;
}

const TTableDef* table(const QString& name)
{
    for (const TTableDef& t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QStringList createStatements(TDialect dialect)
{
    QStringList out;
    for (const TTableDef& t : tables()) {
        QStringList cols;
        for (const TColumnDef& c : t.columns)
            cols << columnSql(c, dialect);
        out << QStringLiteral("CREATE TABLE %1 (%2)").arg(t.name, cols.join(QStringLiteral(", ")));
    }
    // The indexes that the program's statements need.
    out << QStringLiteral("CREATE UNIQUE INDEX IX_RP ON RP (RP)")
        << QStringLiteral("CREATE INDEX IX_ZAK_RC ON ZAK (RC)")
        // the pupil register lists the pupils in this order
        << QStringLiteral("CREATE INDEX IX_ZAK_NAME ON ZAK (PRIJMENI, JMENO)")
        // with the skill level in the index, the draw of a random test reads the index alone
        << QStringLiteral("CREATE INDEX IX_OTAZKA_OKRUH ON OTAZKA (ID_OKRUH, SKILL_LEVEL)")
        << QStringLiteral("CREATE INDEX IX_ODPOVED ON ODPOVED (ID_OTAZKA, CHAR_ODP)")
        << QStringLiteral("CREATE INDEX IX_TEST_TYP ON TEST (ID_TYPTEST)")
        << QStringLiteral("CREATE INDEX IX_TESTOTAZ ON TESTOTAZ (ID_TEST, PORADI)")
        // a pupil's live reports in time order: the record, the progress chart, and the register's
        // figures, which it covers (no look-up of the long report rows)
        << QStringLiteral("CREATE INDEX IX_STATIS_ZAK ON STATIS (ID_ZAK, DATETIME, PCURRENT, PTOTAL)")
        << QStringLiteral("CREATE INDEX IX_ZAKTEST ON ZAKTEST (ID_ZAK, ID_TEST)")
        << QStringLiteral("CREATE INDEX IX_ZAKODP ON ZAKODP (ID_ZAK, ID_OTAZKA)")
        << QStringLiteral("CREATE UNIQUE INDEX IX_FNKONST ON FNKonst (ConstName)")
        << QStringLiteral("CREATE INDEX IX_ZAKVYSL_ZAK ON ZAKVYSL (ID_ZAK, DATETIME)")
        << QStringLiteral("CREATE INDEX IX_ZAKVYSL_OTAZKA ON ZAKVYSL (ID_OTAZKA, SPRAVNE)");
    return out;
}

QStringList referenceTables()
{
    return {QStringLiteral("RP"),      QStringLiteral("OKRUHOT"), QStringLiteral("OTAZKA"), QStringLiteral("ODPOVED"),
            QStringLiteral("BMP"),     QStringLiteral("TYPTESTU"), QStringLiteral("TEST"),  QStringLiteral("TESTOTAZ"),
            QStringLiteral("RES"),     QStringLiteral("MESSAGE"), QStringLiteral("FNKonst"),
            QStringLiteral("VYSVETLENI")};
}

QStringList pupilTables()
{
    return {QStringLiteral("ZAK"), QStringLiteral("STATIS"), QStringLiteral("ZAKTEST"), QStringLiteral("ZAKODP"),
            QStringLiteral("ZAKVYSL")};
}

} // namespace Schema
