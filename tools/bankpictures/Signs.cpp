// The sign catalogue: shapes and colours of Czech road signs, simplified.
#include "Signs.h"

#include <QtMath>

#include <functional>
#include <map>

namespace {

const QColor Red(200, 16, 30), Blue(0, 82, 160), Yellow(250, 200, 0), White(255, 255, 255), Black(20, 20, 20),
    Grey(130, 130, 130), Sky(225, 235, 242);
constexpr int S = Signs::Size;
constexpr int C = S / 2;

QVector<QPoint> regular(int sides, double radius, double startDeg, QPoint centre = {C, C})
{
    QVector<QPoint> pts;
    for (int i = 0; i < sides; ++i) {
        const double a = qDegreesToRadians(startDeg + 360.0 * i / sides);
        pts << QPoint(centre.x() + qRound(radius * std::cos(a)), centre.y() + qRound(radius * std::sin(a)));
    }
    return pts;
}

QVector<QPoint> rotated(const QVector<QPoint>& pts, double deg, QPoint centre = {C, C})
{
    const double a = qDegreesToRadians(deg);
    QVector<QPoint> out;
    for (const QPoint& p : pts) {
        const double x = p.x() - centre.x(), y = p.y() - centre.y();
        out << QPoint(centre.x() + qRound(x * std::cos(a) - y * std::sin(a)),
                      centre.y() + qRound(x * std::sin(a) + y * std::cos(a)));
    }
    return out;
}

// An arrow pointing up, centred on x, from bottom to top.
QVector<QPoint> arrowUp(int x, int top, int bottom, int shaft, int head)
{
    const int headLength = head;
    return {{x, top},
            {x + head, top + headLength},
            {x + shaft / 2, top + headLength},
            {x + shaft / 2, bottom},
            {x - shaft / 2, bottom},
            {x - shaft / 2, top + headLength},
            {x - head, top + headLength}};
}

void background(TMetafileWriter& m)
{
    m.setPen(QColor(), 0);
    m.setBrush(Sky);
    m.rectangle(QRect(0, 0, S, S));
}

void disc(TMetafileWriter& m, int r, QColor fill, QColor border = QColor(), int borderWidth = 0)
{
    if (border.isValid()) {
        m.setPen(QColor(), 0);
        m.setBrush(border);
        m.ellipse(QRect(C - r, C - r, 2 * r, 2 * r));
        r -= borderWidth;
    }
    m.setPen(QColor(), 0);
    m.setBrush(fill);
    m.ellipse(QRect(C - r, C - r, 2 * r, 2 * r));
}

void prohibition(TMetafileWriter& m)
{
    disc(m, 160, White, Red, 32);
}

void warning(TMetafileWriter& m)
{
    m.setPen(QColor(), 0);
    m.setBrush(Red);
    m.polygon(regular(3, 190, -90, {C, C + 40}));
    m.setBrush(White);
    m.polygon(regular(3, 140, -90, {C, C + 40}));
}

void blueSquare(TMetafileWriter& m)
{
    m.setPen(White, 8);
    m.setBrush(Blue);
    m.rectangle(QRect(30, 30, S - 60, S - 60));
}

void pedestrian(TMetafileWriter& m, QPoint foot, int h, QColor colour)
{
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    const int u = h / 10;
    m.ellipse(QRect(foot.x() - u, foot.y() - h, 2 * u, 2 * u));
    m.polygon({{foot.x() - u, foot.y() - h + 2 * u + 2},
               {foot.x() + u, foot.y() - h + 2 * u + 2},
               {foot.x() + 2 * u, foot.y() - h / 2},
               {foot.x() + 3 * u, foot.y()},
               {foot.x() + u + u / 2, foot.y()},
               {foot.x(), foot.y() - h / 3},
               {foot.x() - u - u / 2, foot.y()},
               {foot.x() - 3 * u, foot.y()},
               {foot.x() - u, foot.y() - h / 2}});
}

void carSide(TMetafileWriter& m, QPoint at, int w, QColor colour)
{
    const int h = w / 3;
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    m.polygon({{at.x(), at.y()},
               {at.x(), at.y() - h / 2},
               {at.x() + w / 5, at.y() - h / 2},
               {at.x() + w / 3, at.y() - h},
               {at.x() + 2 * w / 3, at.y() - h},
               {at.x() + 4 * w / 5, at.y() - h / 2},
               {at.x() + w, at.y() - h / 2},
               {at.x() + w, at.y()}});
    m.ellipse(QRect(at.x() + w / 8, at.y() - h / 5, h / 2, h / 2));
    m.ellipse(QRect(at.x() + w - w / 8 - h / 2, at.y() - h / 5, h / 2, h / 2));
}

void speedLimit(TMetafileWriter& m, const QString& n)
{
    prohibition(m);
    m.text({C, C + 50}, n, 150, Black);
}

using Painter = std::function<void(TMetafileWriter&)>;

const std::map<QString, Painter>& catalogue()
{
    static const std::map<QString, Painter> c = {
        {"p2_hlavni",
         [](TMetafileWriter& m) {
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(regular(4, 170, 0));
             m.setBrush(Yellow);
             m.polygon(regular(4, 110, 0));
         }},
        {"p3_konec_hlavni",
         [](TMetafileWriter& m) {
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(regular(4, 170, 0));
             m.setBrush(Yellow);
             m.polygon(regular(4, 110, 0));
             m.setPen(Black, 18);
             m.polyline({{C - 80, C + 80}, {C + 80, C - 80}});
         }},
        {"p4_dej_prednost",
         [](TMetafileWriter& m) {
             m.setPen(QColor(), 0);
             m.setBrush(Red);
             m.polygon(regular(3, 190, 90, {C, C - 40}));
             m.setBrush(White);
             m.polygon(regular(3, 135, 90, {C, C - 40}));
         }},
        {"p6_stop",
         [](TMetafileWriter& m) {
             m.setPen(White, 8);
             m.setBrush(Red);
             m.polygon(regular(8, 170, 22.5));
             m.text({C, C + 40}, QStringLiteral("STOP"), 110, White);
         }},
        {"p7_prednost_protijedoucich",
         [](TMetafileWriter& m) {
             prohibition(m);
             m.setPen(QColor(), 0);
             m.setBrush(Red);
             m.polygon(arrowUp(C + 45, 80, 260, 26, 40));
             m.setBrush(Black);
             m.polygon(rotated(arrowUp(C - 45, 80, 260, 26, 40), 180, {C - 45, 170}));
         }},
        {"p8_prednost_pred_protijedoucimi",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(arrowUp(C - 50, 80, 280, 34, 50));
             m.setBrush(Red);
             m.polygon(rotated(arrowUp(C + 60, 110, 250, 22, 34), 180, {C + 60, 180}));
         }},
        {"b1_zakaz_vjezdu_vsech", [](TMetafileWriter& m) { prohibition(m); }},
        {"b2_zakaz_vjezdu",
         [](TMetafileWriter& m) {
             disc(m, 160, Red);
             m.setBrush(White);
             m.rectangle(QRect(C - 115, C - 28, 230, 56));
         }},
        {"b20a_30", [](TMetafileWriter& m) { speedLimit(m, QStringLiteral("30")); }},
        {"b20a_50", [](TMetafileWriter& m) { speedLimit(m, QStringLiteral("50")); }},
        {"b20a_70", [](TMetafileWriter& m) { speedLimit(m, QStringLiteral("70")); }},
        {"b20a_90", [](TMetafileWriter& m) { speedLimit(m, QStringLiteral("90")); }},
        {"b20b_konec_50",
         [](TMetafileWriter& m) {
             disc(m, 160, White, Black, 6);
             m.text({C, C + 50}, QStringLiteral("50"), 150, Grey);
             m.setPen(Black, 14);
             m.polyline({{C - 100, C + 100}, {C + 100, C - 100}});
         }},
        {"b21a_zakaz_predjizdeni",
         [](TMetafileWriter& m) {
             prohibition(m);
             carSide(m, {C - 125, C + 45}, 115, Red);
             carSide(m, {C + 10, C + 45}, 115, Black);
         }},
        {"b28_zakaz_zastaveni",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue, Red, 30);
             m.setPen(Red, 30);
             m.polyline({{C - 92, C - 92}, {C + 92, C + 92}});
             m.polyline({{C - 92, C + 92}, {C + 92, C - 92}});
         }},
        {"b29_zakaz_stani",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue, Red, 30);
             m.setPen(Red, 30);
             m.polyline({{C - 92, C - 92}, {C + 92, C + 92}});
         }},
        {"c1_kruhovy_objezd",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             // three arrows chasing each other anticlockwise
             for (int i = 0; i < 3; ++i)
                 m.polygon(rotated(arrowUp(C + 78, C - 70, C + 40, 30, 38), -120.0 * i));
         }},
        {"c2a_primo",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(arrowUp(C, 55, 300, 44, 62));
         }},
        {"c2b_vpravo",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             m.setPen(White, 44);
             m.polyline({{C - 40, 300}, {C - 40, C}, {C + 40, C}});
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon({{C + 40, C - 62}, {C + 120, C}, {C + 40, C + 62}});
         }},
        {"a3_krizovatka",
         [](TMetafileWriter& m) {
             warning(m);
             m.setBrush(Black);
             m.setPen(QColor(), 0);
             m.rectangle(QRect(C - 13, C - 60, 26, 180));
             m.rectangle(QRect(C - 75, C + 10, 150, 26));
         }},
        {"a11_prechod",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             for (int i = 0; i < 4; ++i)
                 m.rectangle(QRect(C - 85 + i * 46, C + 95, 28, 18));
             pedestrian(m, {C, C + 90}, 130, Black);
         }},
        {"a12_deti",
         [](TMetafileWriter& m) {
             warning(m);
             pedestrian(m, {C - 35, C + 110}, 140, Black);
             pedestrian(m, {C + 45, C + 110}, 105, Black);
         }},
        {"a22_jine_nebezpeci",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.polygon({{C - 16, C - 55}, {C + 16, C - 55}, {C + 9, C + 65}, {C - 9, C + 65}});
             m.ellipse(QRect(C - 16, C + 80, 32, 32));
         }},
        {"a32a_vystraha",
         [](TMetafileWriter& m) {
             background(m);
             const QVector<QPoint> bar = {
                 {C - 160, C - 22}, {C + 160, C - 22}, {C + 160, C + 22}, {C - 160, C + 22}};
             const QVector<QPoint> inner = {
                 {C - 148, C - 12}, {C + 148, C - 12}, {C + 148, C + 12}, {C - 148, C + 12}};
             for (double deg : {35.0, -35.0}) {
                 m.setPen(QColor(), 0);
                 m.setBrush(Red);
                 m.polygon(rotated(bar, deg));
             }
             for (double deg : {35.0, -35.0}) {
                 m.setBrush(White);
                 m.polygon(rotated(inner, deg));
             }
         }},
        {"ip4b_jednosmerny",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(arrowUp(C, 60, 300, 56, 70));
         }},
        {"ip6_prechod",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(regular(3, 130, -90, {C, C + 30}));
             m.setBrush(Black);
             for (int i = 0; i < 4; ++i)
                 m.rectangle(QRect(C - 80 + i * 44, C + 70, 26, 14));
             pedestrian(m, {C, C + 66}, 120, Black);
         }},
        {"ip10a_slepa",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.rectangle(QRect(C - 30, 120, 60, 190));
             m.setBrush(Red);
             m.rectangle(QRect(C - 90, 80, 180, 40));
         }},
        {"ip11a_parkoviste",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.text({C, C + 85}, QStringLiteral("P"), 250, White);
         }},
        {"is12a_obec",
         [](TMetafileWriter& m) {
             background(m);
             m.setPen(Black, 10);
             m.setBrush(White);
             m.rectangle(QRect(20, 110, S - 40, 140));
             m.text({C, C + 30}, QStringLiteral("Ferdanov"), 56, Black);
         }},
        {"is12b_konec_obce",
         [](TMetafileWriter& m) {
             background(m);
             m.setPen(Black, 10);
             m.setBrush(White);
             m.rectangle(QRect(20, 110, S - 40, 140));
             m.text({C, C + 30}, QStringLiteral("Ferdanov"), 56, Black);
             m.setPen(Red, 16);
             m.polyline({{40, 235}, {S - 40, 125}});
         }},
    };
    return c;
}

} // namespace

namespace Signs {

QStringList names()
{
    QStringList out;
    for (const auto& [name, painter] : catalogue())
        out << name;
    return out;
}

TMetafileWriter draw(const QString& name)
{
    TMetafileWriter m(Size, Size);
    background(m);
    const auto it = catalogue().find(name);
    if (it != catalogue().end()) it->second(m);
    return m;
}

} // namespace Signs
