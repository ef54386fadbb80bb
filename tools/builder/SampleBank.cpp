// The built-in sample bank: enough to walk through every window.
#include "SampleBank.h"

#include "data/Error.h"
#include "data/MessageCipher.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

void run(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw TError(q.lastError().text() + u'\n' + sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw TError(q.lastError().text() + u'\n' + sql);
}

QByteArray encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 88);
    return bytes;
}

QImage groupPicture(const QString& title, QColor colour)
{
    QImage img(200, 130, QImage::Format_RGB32);
    img.fill(QColor(245, 236, 210));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(QPen(QColor(90, 70, 30), 3));
    p.drawRoundedRect(QRectF(10, 10, 180, 110), 14, 14);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(10, 10, 180, 110), Qt::AlignCenter | Qt::TextWordWrap, title);
    return img;
}

QImage signPicture(int kind, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(235, 240, 245));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(w / 2.0, h / 2.0);
    const double r = std::min(w, h) * 0.4;
    switch (kind % 3) {
    case 0: { // warning triangle
        QPainterPath tri;
        tri.moveTo(c.x(), c.y() - r);
        tri.lineTo(c.x() + r, c.y() + r * 0.8);
        tri.lineTo(c.x() - r, c.y() + r * 0.8);
        tri.closeSubpath();
        p.setPen(QPen(QColor(200, 20, 20), r * 0.14));
        p.setBrush(Qt::white);
        p.drawPath(tri);
        p.setPen(QPen(Qt::black, r * 0.1));
        p.drawLine(QPointF(c.x(), c.y() - r * 0.4), QPointF(c.x(), c.y() + r * 0.3));
        p.drawPoint(QPointF(c.x(), c.y() + r * 0.55));
        break;
    }
    case 1: // prohibition
        p.setPen(QPen(QColor(200, 20, 20), r * 0.18));
        p.setBrush(Qt::white);
        p.drawEllipse(c, r, r);
        break;
    default: // mandatory direction
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 70, 170));
        p.drawEllipse(c, r, r);
        p.setPen(QPen(Qt::white, r * 0.16, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x(), c.y() + r * 0.6), QPointF(c.x(), c.y() - r * 0.5));
        p.drawLine(QPointF(c.x(), c.y() - r * 0.5), QPointF(c.x() - r * 0.35, c.y() - r * 0.15));
        p.drawLine(QPointF(c.x(), c.y() - r * 0.5), QPointF(c.x() + r * 0.35, c.y() - r * 0.15));
        break;
    }
    return img;
}

QImage crossingPicture(int variant, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(120, 170, 90));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const int road = h / 4;
    p.fillRect(0, h / 2 - road / 2, w, road, QColor(80, 80, 85));
    p.fillRect(w / 2 - road / 2, 0, road, h, QColor(80, 80, 85));
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    p.drawLine(0, h / 2, w, h / 2);
    p.drawLine(w / 2, 0, w / 2, h);
    auto car = [&](QPointF at, QColor colour, double angle) {
        p.save();
        p.translate(at);
        p.rotate(angle);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-18, -9, 36, 18), 4, 4);
        p.restore();
    };
    car(QPointF(w / 2 - road / 4, h * 0.8), QColor(210, 40, 40), 90);
    car(QPointF(w * 0.15, h / 2 + road / 4), QColor(40, 90, 210), 0);
    if (variant % 2)
        car(QPointF(w * 0.85, h / 2 - road / 4), QColor(240, 200, 40), 180);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(8, 20, QStringLiteral("Situace %1").arg(variant + 1));
    return img;
}

struct Question
{
    int group;
    QString text;
    QStringList answers;
    QString aa;
    int points;
};

QVector<Question> questions()
{
    const QStringList groupNames = {QStringLiteral("pravidel provozu"), QStringLiteral("dopravních značek"),
                                    QStringLiteral("bezpečné jízdy"), QStringLiteral("dopravních situací")};
    QVector<Question> qs;
    const QStringList patterns = {QStringLiteral("1000"), QStringLiteral("0100"), QStringLiteral("0010"),
                                  QStringLiteral("0001"), QStringLiteral("1010")};
    for (int g = 1; g <= 4; ++g) {
        for (int i = 1; i <= 10; ++i) {
            Question q;
            q.group = g;
            q.text = QStringLiteral("Otázka %1 z oblasti %2:\nKterá z odpovědí je správná?").arg(i).arg(groupNames[g - 1]);
            q.answers = {QStringLiteral("První možnost odpovědi k otázce %1.").arg(i),
                         QStringLiteral("Druhá možnost, o něco delší, aby se text zalomil na další řádek okna."),
                         QStringLiteral("Třetí možnost odpovědi."), QStringLiteral("Čtvrtá možnost odpovědi.")};
            q.aa = patterns[(g + i) % patterns.size()];
            q.points = g == 4 ? 2 : (i % 3) + 1;
            qs.append(q);
        }
    }
    return qs;
}

} // namespace

namespace SampleBank {

void load(QSqlDatabase& db)
{
    const QStringList groups = {QStringLiteral("Pravidla provozu na pozemních komunikacích"),
                                QStringLiteral("Dopravní značky"), QStringLiteral("Zásady bezpečné jízdy"),
                                QStringLiteral("Dopravní situace")};
    const QList<QColor> colours = {QColor(150, 110, 40), QColor(180, 50, 40), QColor(60, 110, 60), QColor(40, 80, 150)};
    const int pocet[] = {4, 3, 3, 2};
    const int pocetDef[] = {10, 3, 4, 3};
    for (int g = 0; g < 4; ++g)
        run(db, QStringLiteral("INSERT INTO OKRUHOT (ID_OKRUH, OKRUH, PORADI, Pocet, PocetDef, Picture) VALUES (?,?,?,?,?,?)"),
            {g + 1, groups[g], g + 1, pocet[g], pocetDef[g], encode(groupPicture(groups[g], colours[g]), "JPG")});

    int pict = 0;
    int id = 0;
    for (const Question& q : questions()) {
        ++id;
        int pictId = 0;
        if (q.group == 4) {
            ++pict;
            pictId = pict;
            run(db, QStringLiteral("INSERT INTO BMP (ID_PICT, BMP) VALUES (?,?)"),
                {pictId, encode(crossingPicture(id, 560, 360), "JPG")});
        } else if (q.group == 2) {
            ++pict;
            pictId = pict;
            run(db, QStringLiteral("INSERT INTO BMP (ID_PICT, BMP) VALUES (?,?)"),
                {pictId, encode(signPicture(id, 200, 200), id % 2 ? "BMP" : "JPG")});
        }
        run(db,
            QStringLiteral("INSERT INTO OTAZKA (ID_OTAZKA, ID_OKRUH, OTAZKA, ID_PICT, AA, BB, CC, SKILL_LEVEL) "
                           "VALUES (?,?,?,?,?,?,?,?)"),
            {id, q.group, q.text, pictId, q.aa, q.points, QString(), QStringLiteral("1111111111")});
        for (int a = 0; a < q.answers.size(); ++a)
            run(db, QStringLiteral("INSERT INTO ODPOVED (ID_OTAZKA, CHAR_ODP, TEXT_ODP) VALUES (?,?,?)"),
                {id, QString(QChar(u'a' + a)), q.answers[a]});
    }

    run(db, QStringLiteral("INSERT INTO TYPTESTU (ID_TYPTEST, Popis) VALUES (0, 'Nepoužitý typ')"));
    run(db, QStringLiteral("INSERT INTO TYPTESTU (ID_TYPTEST, Popis) VALUES (1, 'Testy pro skupinu B')"));
    run(db, QStringLiteral("INSERT INTO TYPTESTU (ID_TYPTEST, Popis) VALUES (2, 'Testy pro profesionální řidiče')"));
    int testId = 0;
    for (int type = 1; type <= 2; ++type) {
        for (int n = 1; n <= 3; ++n) {
            ++testId;
            run(db, QStringLiteral("INSERT INTO TEST (ID_TEST, ID_TYPTEST, PORADI, SKILL_LEVEL) VALUES (?,?,?,?)"),
                {testId, type, n, type == 1 ? QStringLiteral("1111111111") : QStringLiteral("0011100000")});
            for (int k = 0; k < 10; ++k)
                run(db, QStringLiteral("INSERT INTO TESTOTAZ (ID_TEST, ID_OTAZKA, PORADI) VALUES (?,?,?)"),
                    {testId, ((testId * 7 + k * 3) % 40) + 1, k + 1});
        }
    }

    run(db, QStringLiteral("INSERT INTO RP (RP, POPIS, ID_AVI, SKILL_LEVEL, MINIMUM, FLAG, TYP) VALUES "
                           "('A', 'Motocykly', 0, 1, 30, 4, 'A')"));
    run(db, QStringLiteral("INSERT INTO RP (RP, POPIS, ID_AVI, SKILL_LEVEL, MINIMUM, FLAG, TYP) VALUES "
                           "('B', 'Osobní automobily', 0, 2, 30, 4, 'B')"));
    run(db, QStringLiteral("INSERT INTO RP (RP, POPIS, ID_AVI, SKILL_LEVEL, MINIMUM, FLAG, TYP) VALUES "
                           "('C', 'Nákladní automobily', 0, 3, 30, 4, 'C')"));

    run(db, QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('VERSION', '2026.12 ukázková')"));
    run(db, QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('TIMEOUT', '30')"));
    run(db, QStringLiteral("INSERT INTO FNKonst (ConstName, ConstValue) VALUES ('TESTTIMEOUT', '30')"));

    const QStringList ticker = {QStringLiteral("Vítejte v programu Ferdano."),
                                QStringLiteral("Před jízdou si vždy upravte sedadlo a zrcátka."),
                                QStringLiteral("Za snížené viditelnosti svítí potkávací světla."),
                                QStringLiteral("Na přechodu pro chodce dejte chodcům přednost.")};
    run(db, QStringLiteral("INSERT INTO MESSAGE (Message) VALUES (?)"), {MessageCipher::encipherLines(ticker)});

    run(db, QStringLiteral("INSERT INTO ZAK (ID_ZAK, RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) VALUES "
                           "(1, 'admin', 'ferdano', 'Správce', 'Autoškola', '', 'B', '', '')"));
}

} // namespace SampleBank
