// Reading, checking and writing the bank's source folder.
#include "BankSource.h"

#include "pictures/Picture.h"
#include "data/Schema.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QtEndian>

#include <cmath>
#include <limits>

namespace BankSource {

namespace {

// The text without control characters (a NUL, an escape): what is left is what a pupil sees.
QString withoutControls(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s)
        if (c.category() != QChar::Other_Control || c == u'\n' || c == u'\t')
            out += c;
    return out;
}

int lineOf(const QByteArray& bytes, int offset)
{
    return int(bytes.left(offset).count('\n')) + 1;
}

quint32 le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 le16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// A whole number within the 32-bit range (checked before converting, which would overflow).
bool isInt(double d)
{
    return d >= std::numeric_limits<int>::min() && d <= std::numeric_limits<int>::max() && d == std::trunc(d);
}

bool isPattern(const QString& s, int length)
{
    if (s.size() != length)
        return false;
    for (QChar c : s)
        if (c != u'0' && c != u'1')
            return false;
    return true;
}

int maxLength(const char* table, const char* column)
{
    if (const TTableDef* t = Schema::table(QString::fromLatin1(table)))
        for (const TColumnDef& c : t->columns)
            if (c.name.compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
                return c.type == TColumnType::Text ? c.length : 0;
    return 0;
}

// Reads the fields of one JSON object and reports what is missing or of the wrong kind.
class TEntry
{
public:
    TEntry(const QString& file, QString entry, const QJsonObject& object, QStringList* problems)
        : m_file(file), m_entry(std::move(entry)), m_object(object), m_problems(problems)
    {
        if (m_entry.isEmpty())
            m_entry = QStringLiteral("-");
    }

    void problem(const QString& field, const QString& what)
    {
        *m_problems << QStringLiteral("%1: %2: %3: %4").arg(m_file, m_entry, field, what);
        m_ok = false;
    }

    bool has(const char* key) const { return m_object.contains(QLatin1String(key)); }
    // Present and of the right kind, so that range checks do not repeat a type problem.
    bool hasNumber(const char* key) const
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        return v.isDouble() && isInt(v.toDouble());
    }
    bool hasText(const char* key) const { return m_object.value(QLatin1String(key)).isString(); }

    int integer(const char* key, bool required = true, int fallback = 0)
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) {
            if (required)
                problem(QLatin1String(key), QStringLiteral("chybí"));
            return fallback;
        }
        if (!v.isDouble() || !isInt(v.toDouble())) {
            problem(QLatin1String(key), QStringLiteral("není celé číslo"));
            return fallback;
        }
        return int(v.toDouble());
    }

    // Text; lines may be given as an array of strings, which are joined by line breaks.
    QString text(const char* key, bool required = true, int limit = 0)
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        QString s;
        if (v.isUndefined() || v.isNull()) {
            if (required)
                problem(QLatin1String(key), QStringLiteral("chybí"));
            return s;
        }
        if (v.isString()) {
            s = v.toString();
        } else if (v.isArray()) {
            QStringList lines;
            for (const QJsonValue& line : v.toArray()) {
                if (!line.isString()) {
                    problem(QLatin1String(key), QStringLiteral("řádky musí být texty"));
                    return QString();
                }
                lines << line.toString();
            }
            s = lines.join(u'\n');
        } else {
            problem(QLatin1String(key), QStringLiteral("není text"));
            return s;
        }
        if (required && withoutControls(s).trimmed().isEmpty())
            problem(QLatin1String(key), QStringLiteral("je prázdný"));
        if (limit > 0 && s.size() > limit)
            problem(QLatin1String(key), QStringLiteral("je delší než %1 znaků").arg(limit));
        return s;
    }

    QStringList texts(const char* key)
    {
        QStringList out;
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined()) {
            problem(QLatin1String(key), QStringLiteral("chybí"));
            return out;
        }
        if (!v.isArray()) {
            problem(QLatin1String(key), QStringLiteral("není seznam textů"));
            return out;
        }
        for (const QJsonValue& item : v.toArray()) {
            if (!item.isString()) {
                problem(QLatin1String(key), QStringLiteral("není seznam textů"));
                return {};
            }
            out << item.toString();
        }
        return out;
    }

    QVector<int> integers(const char* key)
    {
        QVector<int> out;
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (!v.isArray()) {
            problem(QLatin1String(key),
                    v.isUndefined() ? QStringLiteral("chybí") : QStringLiteral("není seznam čísel"));
            return out;
        }
        for (const QJsonValue& item : v.toArray()) {
            if (!item.isDouble() || !isInt(item.toDouble())) {
                problem(QLatin1String(key), QStringLiteral("není seznam celých čísel"));
                return {};
            }
            out << int(item.toDouble());
        }
        return out;
    }

    bool ok() const { return m_ok; }

private:
    QString m_file;
    QString m_entry;
    QJsonObject m_object;
    QStringList* m_problems;
    bool m_ok = true;
};

bool parseJson(const TFiles& files, const QString& name, QJsonObject* out, QStringList* problems)
{
    const auto it = files.constFind(name);
    if (it == files.constEnd()) {
        *problems << QStringLiteral("%1: -: -: soubor chybí").arg(name);
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(*it, &error);
    if (error.error != QJsonParseError::NoError) {
        *problems << QStringLiteral("%1: řádek %2: -: chyba zápisu JSON (%3)")
                         .arg(name)
                         .arg(lineOf(*it, error.offset))
                         .arg(error.errorString());
        return false;
    }
    if (!doc.isObject()) {
        *problems << QStringLiteral("%1: -: -: soubor musí obsahovat objekt { ... }").arg(name);
        return false;
    }
    *out = doc.object();
    return true;
}

// Iterates the objects of an array member; anything else in the array is reported.
template <typename F>
void eachObject(const QString& file, const QJsonObject& parent, const char* key, QStringList* problems, F f)
{
    const QJsonValue v = parent.value(QLatin1String(key));
    if (v.isUndefined())
        return;
    if (!v.isArray()) {
        *problems << QStringLiteral("%1: -: %2: není seznam").arg(file, QLatin1String(key));
        return;
    }
    const QJsonArray a = v.toArray();
    for (int i = 0; i < a.size(); ++i) {
        if (!a.at(i).isObject()) {
            *problems << QStringLiteral("%1: %2[%3]: -: položka není objekt { ... }")
                             .arg(file, QLatin1String(key))
                             .arg(i + 1);
            continue;
        }
        f(a.at(i).toObject(), i);
    }
}

QString idEntry(const char* what, const QJsonObject& o, int index)
{
    const QJsonValue id = o.value(QStringLiteral("id"));
    if (id.isDouble()) {
        const double d = id.toDouble();
        return QStringLiteral("%1 %2").arg(QString::fromUtf8(what),
                                           isInt(d) ? QString::number(int(d)) : QString::number(d));
    }
    if (id.isString())
        return QStringLiteral("%1 %2").arg(QString::fromUtf8(what), id.toString());
    return QStringLiteral("%1 č. %2 v pořadí").arg(QString::fromUtf8(what)).arg(index + 1);
}

// Checks that a referenced file exists and holds a readable picture of the allowed kinds.
void checkPicture(TEntry& e, const char* field, const QString& name, const TFiles& files, bool jpegOnly,
                  bool rasterOnly)
{
    if (name.isEmpty())
        return;
    const auto it = files.constFind(name);
    if (it == files.constEnd()) {
        e.problem(QLatin1String(field), QStringLiteral("obrázek %1 nebyl nalezen").arg(name));
        return;
    }
    const QString why = pictureProblem(*it);
    if (!why.isEmpty()) {
        e.problem(QLatin1String(field), QStringLiteral("obrázek %1: %2").arg(name, why));
        return;
    }
    const Picture::Kind kind = Picture::signatureKind(*it);
    if (jpegOnly && kind != Picture::Kind::Jpeg)
        e.problem(QLatin1String(field), QStringLiteral("obrázek %1 musí být JPEG").arg(name));
    else if (rasterOnly && kind == Picture::Kind::Metafile)
        e.problem(QLatin1String(field), QStringLiteral("obrázek %1 musí být bitmapa nebo JPEG").arg(name));
}

void checkSkills(TEntry& e, const QString& skills)
{
    if (!isPattern(skills, 10))
        e.problem(QStringLiteral("skills"),
                  QStringLiteral("příznaky úrovní \"%1\" nejsou deset znaků 0/1").arg(skills));
}

} // namespace

QString pictureProblem(const QByteArray& b)
{
    switch (Picture::signatureKind(b)) {
    case Picture::Kind::None:
        return QStringLiteral("není bitmapa, JPEG ani metasoubor");
    case Picture::Kind::Bitmap:
    case Picture::Kind::Jpeg:
        if (QImage::fromData(b).isNull())
            return QStringLiteral("obrázek nelze přečíst");
        return QString();
    case Picture::Kind::Metafile:
        break;
    }
    if (quint8(b[0]) == 1) { // enhanced metafile: header record with its signature and size
        if (b.size() < 88 || le32(b, 40) != 0x464D4520u || le32(b, 4) < 88 || le32(b, 4) > quint32(b.size()))
            return QStringLiteral("poškozený rozšířený metasoubor (EMF)");
        if (le32(b, 48) != quint32(b.size()))
            return QStringLiteral("délka rozšířeného metasouboru (EMF) nesouhlasí");
        return QString();
    }
    if (b.size() < 22 + 18 || le32(b, 0) != 0x9AC6CDD7u)
        return QStringLiteral("poškozený metasoubor (WMF)");
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= le16(b, i * 2);
    if (sum != le16(b, 20))
        return QStringLiteral("kontrolní součet metasouboru (WMF) nesouhlasí");
    if (qint64(le32(b, 22 + 6)) * 2 != b.size() - 22)
        return QStringLiteral("délka metasouboru (WMF) nesouhlasí");
    return QString();
}

bool parse(const TFiles& files, TBank* bank, QStringList* problems)
{
    *bank = TBank();
    const int before = int(problems->size());
    const QString mainName = QString::fromLatin1(MainFile);
    QJsonObject main;
    if (!parseJson(files, mainName, &main, problems))
        return false;

    // settings constants and the ticker
    const QJsonValue consts = main.value(QStringLiteral("constants"));
    if (!consts.isObject()) {
        *problems << QStringLiteral("%1: constants: -: chybí objekt s konstantami").arg(mainName);
    } else {
        const QJsonObject c = consts.toObject();
        for (auto it = c.begin(); it != c.end(); ++it) {
            if (!it.value().isString())
                *problems << QStringLiteral("%1: konstanta %2: hodnota: není text").arg(mainName, it.key());
            else if (it.key().size() > maxLength("FNKonst", "ConstName") ||
                     it.value().toString().size() > maxLength("FNKonst", "ConstValue"))
                *problems << QStringLiteral("%1: konstanta %2: -: název nebo hodnota je příliš dlouhá")
                                 .arg(mainName, it.key());
            else
                bank->constants.append({it.key(), it.value().toString()});
        }
        for (const char* name : {"VERSION", "TIMEOUT", "TESTTIMEOUT"})
            if (!c.contains(QLatin1String(name)))
                *problems << QStringLiteral("%1: konstanta %2: -: chybí").arg(mainName, QLatin1String(name));
        for (const char* name : {"TIMEOUT", "TESTTIMEOUT"}) {
            const QString v = c.value(QLatin1String(name)).toString();
            bool isNumber = false;
            const int minutes = v.toInt(&isNumber);
            if (c.contains(QLatin1String(name)) && (!isNumber || minutes < 0 || minutes > 99))
                *problems << QStringLiteral("%1: konstanta %2: hodnota: \"%3\" není počet minut 0 až 99")
                                 .arg(mainName, QLatin1String(name), v);
        }
    }
    const QJsonValue msgs = main.value(QStringLiteral("messages"));
    if (!msgs.isUndefined()) {
        if (!msgs.isArray())
            *problems << QStringLiteral("%1: messages: -: není seznam textů").arg(mainName);
        for (const QJsonValue& m : msgs.toArray()) {
            if (!m.isString() || m.toString().contains(u'\n') || m.toString().contains(u'\r'))
                *problems
                    << QStringLiteral("%1: messages: -: zpráva musí být text na jednom řádku").arg(mainName);
            else
                bank->messages << m.toString();
        }
    }

    // topic groups
    QSet<int> groupIds;
    eachObject(mainName, main, "groups", problems, [&](const QJsonObject& o, int i) {
        TEntry e(mainName, idEntry("okruh", o, i), o, problems);
        TBankGroup g;
        g.id = e.integer("id");
        g.name = e.text("name", true, maxLength("OKRUHOT", "OKRUH"));
        g.order = e.integer("order", false, g.id);
        g.liveCount = e.integer("liveCount");
        g.count = e.integer("count", false, g.liveCount);
        g.picture = e.text("picture", false);
        // 0 is the categories' "no mandatory group", so that no group may have it
        if (e.hasNumber("id") && g.id <= 0)
            e.problem(QStringLiteral("id"), QStringLiteral("číslo okruhu musí být větší než 0"));
        if (g.count < 0 || g.liveCount < 0)
            e.problem(QStringLiteral("count"), QStringLiteral("počet otázek nesmí být záporný"));
        if (e.hasNumber("id") && groupIds.contains(g.id))
            e.problem(QStringLiteral("id"), QStringLiteral("okruh %1 je uveden dvakrát").arg(g.id));
        checkPicture(e, "picture", g.picture, files, true, true);
        groupIds.insert(g.id);
        bank->groups << g;
    });
    if (bank->groups.isEmpty())
        *problems << QStringLiteral("%1: groups: -: banka nemá žádný okruh").arg(mainName);

    // animations
    QSet<int> animationIds;
    eachObject(mainName, main, "animations", problems, [&](const QJsonObject& o, int i) {
        TEntry e(mainName, idEntry("animace", o, i), o, problems);
        TBankAnimation a;
        a.id = e.integer("id");
        if (e.has("blob")) {
            a.blob = e.text("blob");
            if (!a.blob.isEmpty() && !files.contains(a.blob))
                e.problem(QStringLiteral("blob"), QStringLiteral("soubor %1 nebyl nalezen").arg(a.blob));
        } else {
            a.frames = e.texts("frames");
            if (a.frames.isEmpty() && e.ok())
                e.problem(QStringLiteral("frames"), QStringLiteral("animace nemá žádný snímek"));
            for (const QString& f : std::as_const(a.frames))
                checkPicture(e, "frames", f, files, false, true);
        }
        if (e.hasNumber("id") && a.id <= 0)
            e.problem(QStringLiteral("id"), QStringLiteral("číslo animace musí být větší než 0"));
        if (animationIds.contains(a.id))
            e.problem(QStringLiteral("id"), QStringLiteral("animace %1 je uvedena dvakrát").arg(a.id));
        animationIds.insert(a.id);
        bank->animations << a;
    });

    // licence categories
    QSet<QString> categoryCodes;
    eachObject(mainName, main, "categories", problems, [&](const QJsonObject& o, int i) {
        const QString code = o.value(QStringLiteral("code")).toString();
        TEntry e(mainName, code.isEmpty() ? idEntry("skupina", o, i) : QStringLiteral("skupina ") + code, o,
                 problems);
        TBankCategory c;
        c.code = e.text("code", true, maxLength("RP", "RP")).trimmed();
        c.description = e.text("description", true, maxLength("RP", "POPIS"));
        c.animation = e.integer("animation", false, 0);
        c.skillLevel = e.integer("skillLevel");
        c.minimum = e.integer("minimum");
        c.mandatoryGroup = e.integer("mandatoryGroup");
        c.typ = e.text("typ", false, maxLength("RP", "TYP"));
        if (c.typ.isEmpty())
            c.typ = c.code;
        if (e.hasNumber("skillLevel") && (c.skillLevel < 1 || c.skillLevel > 10))
            e.problem(QStringLiteral("skillLevel"),
                      QStringLiteral("úroveň %1 není 1 až 10").arg(c.skillLevel));
        if (c.minimum < 0)
            e.problem(QStringLiteral("minimum"), QStringLiteral("minimum nesmí být záporné"));
        if (e.hasNumber("mandatoryGroup") && c.mandatoryGroup != NoMandatoryGroup &&
            !groupIds.contains(c.mandatoryGroup))
            e.problem(QStringLiteral("mandatoryGroup"),
                      QStringLiteral("okruh %1 neexistuje").arg(c.mandatoryGroup));
        if (c.animation != 0 && !animationIds.contains(c.animation))
            e.problem(QStringLiteral("animation"), QStringLiteral("animace %1 neexistuje").arg(c.animation));
        if (!c.code.isEmpty() && categoryCodes.contains(c.code))
            e.problem(QStringLiteral("code"), QStringLiteral("skupina %1 je uvedena dvakrát").arg(c.code));
        categoryCodes.insert(c.code);
        bank->categories << c;
    });
    if (bank->categories.isEmpty())
        *problems << QStringLiteral("%1: categories: -: banka nemá žádnou skupinu řidičského oprávnění")
                         .arg(mainName);

    // test types
    QSet<int> typeIds;
    eachObject(mainName, main, "testTypes", problems, [&](const QJsonObject& o, int i) {
        TEntry e(mainName, idEntry("typ testu", o, i), o, problems);
        TBankTestType t;
        t.id = e.integer("id");
        t.description = e.text("description", true, maxLength("TYPTESTU", "Popis"));
        if (e.hasNumber("id") && typeIds.contains(t.id))
            e.problem(QStringLiteral("id"), QStringLiteral("typ testu %1 je uveden dvakrát").arg(t.id));
        typeIds.insert(t.id);
        bank->testTypes << t;
    });

    // the privileged pupil (and any other pupils a bank wants to bring)
    QSet<int> pupilIds;
    QSet<QString> pupilRcs;
    eachObject(mainName, main, "pupils", problems, [&](const QJsonObject& o, int i) {
        TEntry e(mainName, idEntry("žák", o, i), o, problems);
        TBankPupil p;
        p.id = e.integer("id");
        p.rc = e.text("rc", true, maxLength("ZAK", "RC")).trimmed();
        p.password = e.text("password", false, maxLength("ZAK", "HESLO"));
        p.surname = e.text("surname", true, maxLength("ZAK", "PRIJMENI"));
        p.firstName = e.text("firstName", false, maxLength("ZAK", "JMENO"));
        p.title = e.text("title", false, maxLength("ZAK", "TITUL"));
        p.category = e.text("category", true, maxLength("ZAK", "RP")).trimmed();
        p.address = e.text("address", false, maxLength("ZAK", "ADRESA"));
        p.telephone = e.text("telephone", false, maxLength("ZAK", "TELEFON"));
        if (e.hasNumber("id") && p.id <= 0)
            e.problem(QStringLiteral("id"), QStringLiteral("číslo žáka musí být větší než 0"));
        if (pupilIds.contains(p.id))
            e.problem(QStringLiteral("id"), QStringLiteral("žák %1 je uveden dvakrát").arg(p.id));
        if (!p.rc.isEmpty() && pupilRcs.contains(p.rc))
            e.problem(QStringLiteral("rc"), QStringLiteral("identifikace %1 je uvedena dvakrát").arg(p.rc));
        if (!p.category.isEmpty() && !categoryCodes.contains(p.category))
            e.problem(QStringLiteral("category"), QStringLiteral("skupina %1 neexistuje").arg(p.category));
        pupilIds.insert(p.id);
        pupilRcs.insert(p.rc);
        bank->pupils << p;
    });
    if (!pupilIds.contains(1))
        *problems << QStringLiteral("%1: pupils: -: chybí žák 1 (správce)").arg(mainName);

    // questions, one file per topic group (or any split the school likes)
    QSet<int> questionIds;
    const QString qdir = QString::fromLatin1(QuestionDir) + u'/';
    int questionFiles = 0;
    // A question file that cannot be read at all leaves its questions unknown: the stored tests'
    // references to them are then not reported one by one, as if they were missing.
    bool questionsKnown = true;
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        if (!it.key().startsWith(qdir) || !it.key().endsWith(QLatin1String(".json")))
            continue;
        ++questionFiles;
        const QString file = it.key();
        QJsonObject o;
        if (!parseJson(files, file, &o, problems)) {
            questionsKnown = false;
            continue;
        }
        TEntry head(file, QString(), o, problems);
        const int group = head.integer("group");
        if (head.ok() && !groupIds.contains(group))
            head.problem(QStringLiteral("group"), QStringLiteral("okruh %1 neexistuje").arg(group));
        if (!o.value(QStringLiteral("questions")).isArray())
            head.problem(QStringLiteral("questions"), QStringLiteral("chybí seznam otázek"));
        eachObject(file, o, "questions", problems, [&](const QJsonObject& qo, int i) {
            TEntry e(file, idEntry("otázka", qo, i), qo, problems);
            TBankQuestion q;
            q.group = group;
            q.id = e.integer("id");
            q.text = e.text("text");
            q.points = e.integer("points");
            q.correct = e.text("correct");
            q.skills = e.text("skills");
            q.preset = e.text("preset", false);
            q.picture = e.text("picture", false);
            q.answers = e.texts("answers");
            const qsizetype known = problems->size();
            q.explanation = e.text("explanation", false, ExplanationLimit);
            // present but blank is a slip, not "no explanation": that is said by leaving it out
            if (problems->size() == known && e.has("explanation") &&
                !qo.value(QStringLiteral("explanation")).isNull() &&
                withoutControls(q.explanation).trimmed().isEmpty())
                e.problem(QStringLiteral("explanation"), QStringLiteral("vysvětlení je prázdné"));
            if (e.hasNumber("id") && q.id <= 0)
                e.problem(QStringLiteral("id"), QStringLiteral("číslo otázky musí být větší než 0"));
            if (e.hasNumber("id") && questionIds.contains(q.id))
                e.problem(QStringLiteral("id"), QStringLiteral("otázka %1 je uvedena dvakrát").arg(q.id));
            questionIds.insert(q.id);
            if (e.has("answers") && q.answers.isEmpty())
                e.problem(QStringLiteral("answers"), QStringLiteral("otázka nemá žádnou odpověď"));
            if (q.answers.size() > 4)
                e.problem(QStringLiteral("answers"), QStringLiteral("otázka má více než čtyři odpovědi"));
            for (const QString& a : std::as_const(q.answers))
                if (withoutControls(a).trimmed().isEmpty())
                    e.problem(QStringLiteral("answers"), QStringLiteral("odpověď je prázdná"));
            if (e.hasText("correct")) {
                if (!isPattern(q.correct, 4))
                    e.problem(
                        QStringLiteral("correct"),
                        QStringLiteral("vzor správné odpovědi \"%1\" nejsou čtyři znaky 0/1").arg(q.correct));
                else if (!q.correct.contains(u'1'))
                    e.problem(QStringLiteral("correct"),
                              QStringLiteral("žádná odpověď není označena jako správná"));
                else if (q.correct.indexOf(u'1', q.answers.size()) >= 0 && !q.answers.isEmpty())
                    e.problem(QStringLiteral("correct"),
                              QStringLiteral("správná je odpověď, která neexistuje"));
            }
            if (!q.preset.isEmpty() && !isPattern(q.preset, 4))
                e.problem(QStringLiteral("preset"),
                          QStringLiteral("vzor \"%1\" nejsou čtyři znaky 0/1").arg(q.preset));
            if (e.hasText("skills"))
                checkSkills(e, q.skills);
            if (e.hasNumber("points") && q.points <= 0)
                e.problem(QStringLiteral("points"), QStringLiteral("počet bodů musí být větší než 0"));
            checkPicture(e, "picture", q.picture, files, false, false);
            bank->questions << q;
        });
    }
    if (questionFiles == 0)
        *problems << QStringLiteral("%1/: -: -: složka s otázkami chybí nebo je prázdná")
                         .arg(QString::fromLatin1(QuestionDir));

    // stored tests
    const QString testsName = QString::fromLatin1(TestsFile);
    if (files.contains(testsName)) {
        QJsonObject t;
        if (parseJson(files, testsName, &t, problems)) {
            QSet<int> testIds;
            QSet<QPair<int, int>> numbers;
            eachObject(testsName, t, "tests", problems, [&](const QJsonObject& o, int i) {
                TEntry e(testsName, idEntry("test", o, i), o, problems);
                TBankTest test;
                test.id = e.integer("id");
                test.type = e.integer("type");
                test.number = e.integer("number");
                test.skills = e.text("skills");
                test.questions = e.integers("questions");
                if (e.hasNumber("id") && test.id <= 0)
                    e.problem(QStringLiteral("id"), QStringLiteral("číslo testu musí být větší než 0"));
                if (testIds.contains(test.id))
                    e.problem(QStringLiteral("id"), QStringLiteral("test %1 je uveden dvakrát").arg(test.id));
                if (e.hasNumber("type") && !typeIds.contains(test.type))
                    e.problem(QStringLiteral("type"),
                              QStringLiteral("typ testu %1 neexistuje").arg(test.type));
                if (numbers.contains({test.type, test.number}))
                    e.problem(QStringLiteral("number"),
                              QStringLiteral("test číslo %1 typu %2 je uveden dvakrát")
                                  .arg(test.number)
                                  .arg(test.type));
                if (e.hasText("skills"))
                    checkSkills(e, test.skills);
                if (e.has("questions") && test.questions.isEmpty())
                    e.problem(QStringLiteral("questions"), QStringLiteral("test nemá žádnou otázku"));
                QSet<int> seen;
                for (int q : std::as_const(test.questions)) {
                    if (!questionIds.contains(q)) {
                        if (questionsKnown)
                            e.problem(QStringLiteral("questions"),
                                      QStringLiteral("otázka %1 neexistuje").arg(q));
                    } else if (seen.contains(q))
                        e.problem(QStringLiteral("questions"),
                                  QStringLiteral("otázka %1 je v testu dvakrát").arg(q));
                    seen.insert(q);
                }
                testIds.insert(test.id);
                numbers.insert({test.type, test.number});
                bank->tests << test;
            });
        }
    }

    // pictures and animation frames travel with the bank
    for (const TBankGroup& g : std::as_const(bank->groups))
        if (!g.picture.isEmpty() && files.contains(g.picture))
            bank->files.insert(g.picture, files.value(g.picture));
    for (const TBankQuestion& q : std::as_const(bank->questions))
        if (!q.picture.isEmpty() && files.contains(q.picture))
            bank->files.insert(q.picture, files.value(q.picture));
    for (const TBankAnimation& a : std::as_const(bank->animations)) {
        for (const QString& f : a.frames)
            if (files.contains(f))
                bank->files.insert(f, files.value(f));
        if (!a.blob.isEmpty() && files.contains(a.blob))
            bank->files.insert(a.blob, files.value(a.blob));
    }
    return problems->size() == before;
}

QStringList warnings(const TBank& bank)
{
    QStringList lines;
    const QSize frame = Picture::GroupPictureSize;
    for (const TBankGroup& g : bank.groups) {
        if (g.picture.isEmpty())
            continue;
        const QSize own = Picture::headerSize(bank.files.value(g.picture));
        if (own.isValid() && (own.width() > frame.width() || own.height() > frame.height()))
            lines << QStringLiteral("%1: okruh %2: picture: obrázek %3 má %4 × %5 bodů, rámeček v prohlížení "
                                    "otázek má jen %6 × %7; ukáže se oříznutý")
                         .arg(QString::fromLatin1(MainFile))
                         .arg(g.id)
                         .arg(g.picture)
                         .arg(own.width())
                         .arg(own.height())
                         .arg(frame.width())
                         .arg(frame.height());
    }
    return lines;
}

bool readFolder(const QString& dir, TFiles* files, QStringList* problems)
{
    files->clear();
    const QDir root(QFileInfo(dir).absoluteFilePath());
    if (!root.exists()) {
        *problems << QStringLiteral("%1: -: -: složka banky neexistuje").arg(dir);
        return false;
    }
    bool ok = true;
    QDirIterator it(root.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = root.relativeFilePath(path);
        if (rel.endsWith(QLatin1String(".md")))
            continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            *problems << QStringLiteral("%1: -: -: soubor nelze přečíst (%2)").arg(rel, f.errorString());
            ok = false;
            continue;
        }
        files->insert(rel, f.readAll());
    }
    return ok;
}

TFiles serialise(const TBank& bank)
{
    TFiles out;
    const auto dump = [](const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Indented); };
    QJsonObject main;
    QJsonObject consts;
    for (const auto& c : bank.constants)
        consts.insert(c.first, c.second);
    main.insert(QStringLiteral("constants"), consts);
    main.insert(QStringLiteral("messages"), QJsonArray::fromStringList(bank.messages));
    QJsonArray groups;
    for (const TBankGroup& g : bank.groups) {
        QJsonObject o{{"id", g.id},
                      {"name", g.name},
                      {"order", g.order},
                      {"count", g.count},
                      {"liveCount", g.liveCount}};
        if (!g.picture.isEmpty())
            o.insert(QStringLiteral("picture"), g.picture);
        groups << o;
    }
    main.insert(QStringLiteral("groups"), groups);
    QJsonArray cats;
    for (const TBankCategory& c : bank.categories)
        cats << QJsonObject{
            {"code", c.code},       {"description", c.description},       {"skillLevel", c.skillLevel},
            {"minimum", c.minimum}, {"mandatoryGroup", c.mandatoryGroup}, {"animation", c.animation},
            {"typ", c.typ}};
    main.insert(QStringLiteral("categories"), cats);
    QJsonArray anims;
    for (const TBankAnimation& a : bank.animations) {
        QJsonObject o{{"id", a.id}};
        if (!a.blob.isEmpty())
            o.insert(QStringLiteral("blob"), a.blob);
        else
            o.insert(QStringLiteral("frames"), QJsonArray::fromStringList(a.frames));
        anims << o;
    }
    main.insert(QStringLiteral("animations"), anims);
    QJsonArray types;
    for (const TBankTestType& t : bank.testTypes)
        types << QJsonObject{{"id", t.id}, {"description", t.description}};
    main.insert(QStringLiteral("testTypes"), types);
    QJsonArray pupils;
    for (const TBankPupil& p : bank.pupils)
        pupils << QJsonObject{{"id", p.id},
                              {"rc", p.rc},
                              {"password", p.password},
                              {"surname", p.surname},
                              {"firstName", p.firstName},
                              {"title", p.title},
                              {"category", p.category},
                              {"address", p.address},
                              {"telephone", p.telephone}};
    main.insert(QStringLiteral("pupils"), pupils);
    out.insert(QString::fromLatin1(MainFile), dump(main));

    QMap<int, QJsonArray> byGroup;
    for (const TBankQuestion& q : bank.questions) {
        QJsonObject o{
            {"id", q.id},           {"text", q.text},     {"answers", QJsonArray::fromStringList(q.answers)},
            {"correct", q.correct}, {"points", q.points}, {"skills", q.skills}};
        if (!q.picture.isEmpty())
            o.insert(QStringLiteral("picture"), q.picture);
        if (!q.preset.isEmpty())
            o.insert(QStringLiteral("preset"), q.preset);
        if (!q.explanation.isEmpty())
            o.insert(QStringLiteral("explanation"), q.explanation);
        byGroup[q.group] << o;
    }
    for (auto it = byGroup.constBegin(); it != byGroup.constEnd(); ++it)
        out.insert(QStringLiteral("%1/okruh%2.json")
                       .arg(QLatin1String(QuestionDir))
                       .arg(it.key(), 2, 10, QChar(u'0')),
                   dump(QJsonObject{{"group", it.key()}, {"questions", it.value()}}));

    QJsonArray tests;
    for (const TBankTest& t : bank.tests) {
        QJsonArray qs;
        for (int q : t.questions)
            qs << q;
        tests << QJsonObject{
            {"id", t.id}, {"type", t.type}, {"number", t.number}, {"skills", t.skills}, {"questions", qs}};
    }
    out.insert(QString::fromLatin1(TestsFile), dump(QJsonObject{{"tests", tests}}));
    for (auto it = bank.files.constBegin(); it != bank.files.constEnd(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

bool writeFolder(const QString& dir, const TFiles& files, QStringList* problems)
{
    const QDir root(dir);
    if (root.exists(QString::fromLatin1(MainFile))) {
        *problems << QStringLiteral("%1: -: -: složka už obsahuje banku; zvolte prázdnou složku").arg(dir);
        return false;
    }
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QString path = root.filePath(it.key());
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size()) {
            *problems << QStringLiteral("%1: -: -: soubor nelze zapsat (%2)").arg(path, f.errorString());
            return false;
        }
    }
    return true;
}

} // namespace BankSource
