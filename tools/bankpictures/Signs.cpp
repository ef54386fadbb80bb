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

// Points along a circular arc, from startDeg to endDeg (degrees, clockwise on screen from the x axis).
QVector<QPoint> arc(QPoint centre, double radius, double startDeg, double endDeg, int steps = 24)
{
    QVector<QPoint> pts;
    for (int i = 0; i <= steps; ++i) {
        const double a = qDegreesToRadians(startDeg + (endDeg - startDeg) * i / steps);
        pts << QPoint(centre.x() + qRound(radius * std::cos(a)), centre.y() + qRound(radius * std::sin(a)));
    }
    return pts;
}

// A band of the given width along a path, as one filled outline (square ends).
QVector<QPoint> band(const QVector<QPoint>& path, double width)
{
    QVector<QPointF> left, right;
    const int n = int(path.size());
    for (int i = 0; i < n; ++i) {
        const QPointF a = path[qMax(0, i - 1)], b = path[qMin(n - 1, i + 1)];
        double dx = b.x() - a.x(), dy = b.y() - a.y();
        const double len = std::hypot(dx, dy);
        if (len == 0)
            continue;
        dx /= len;
        dy /= len;
        left << QPointF(path[i].x() - dy * width / 2, path[i].y() + dx * width / 2);
        right << QPointF(path[i].x() + dy * width / 2, path[i].y() - dx * width / 2);
    }
    QVector<QPoint> out;
    for (const QPointF& p : left)
        out << p.toPoint();
    for (auto it = right.crbegin(); it != right.crend(); ++it)
        out << it->toPoint();
    return out;
}

// An arrow head (a filled triangle) at tip, pointing along the direction in degrees.
QVector<QPoint> arrowHead(QPoint tip, double deg, int length, int halfWidth)
{
    const double a = qDegreesToRadians(deg);
    const double dx = std::cos(a), dy = std::sin(a);
    const QPointF base(tip.x() - dx * length, tip.y() - dy * length);
    return {tip,
            QPoint(qRound(base.x() - dy * halfWidth), qRound(base.y() + dx * halfWidth)),
            QPoint(qRound(base.x() + dy * halfWidth), qRound(base.y() - dx * halfWidth))};
}

QVector<QPoint> mirrored(const QVector<QPoint>& pts, int axisX = C)
{
    QVector<QPoint> out;
    for (const QPoint& p : pts)
        out << QPoint(2 * axisX - p.x(), p.y());
    return out;
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

// A car seen from behind (the symbol of the overtaking signs); bottom is the lowest point of the wheels.
void carRear(TMetafileWriter& m, QPoint bottomCentre, int w, QColor colour)
{
    const int x = bottomCentre.x(), y = bottomCentre.y();
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    const int wheelH = w / 5, bodyH = w * 3 / 10, roofH = w * 3 / 10;
    const int bodyTop = y - wheelH / 2 - bodyH;
    m.rectangle(QRect(x - w * 9 / 20, y - wheelH, w / 5, wheelH));
    m.rectangle(QRect(x + w * 9 / 20 - w / 5, y - wheelH, w / 5, wheelH));
    m.polygon({{x - w / 2, y - wheelH / 2},
               {x - w / 2, bodyTop + bodyH / 4},
               {x - w * 2 / 5, bodyTop},
               {x - w * 3 / 10, bodyTop - roofH},
               {x + w * 3 / 10, bodyTop - roofH},
               {x + w * 2 / 5, bodyTop},
               {x + w / 2, bodyTop + bodyH / 4},
               {x + w / 2, y - wheelH / 2}});
}

// A lorry seen from behind: a tall box on twin wheels.
void lorryRear(TMetafileWriter& m, QPoint bottomCentre, int w, QColor colour)
{
    const int x = bottomCentre.x(), y = bottomCentre.y();
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    const int wheelH = w / 5;
    m.rectangle(QRect(x - w / 2 + w / 20, y - wheelH, w * 3 / 10, wheelH));
    m.rectangle(QRect(x + w / 2 - w / 20 - w * 3 / 10, y - wheelH, w * 3 / 10, wheelH));
    m.rectangle(QRect(x - w / 2, y - wheelH / 2 - w * 11 / 10, w, w * 11 / 10));
}

// A lorry from the side, cab on the left; at is the bottom left corner of the wheels.
void lorrySide(TMetafileWriter& m, QPoint at, int w, QColor colour)
{
    const int x = at.x(), y = at.y();
    const int r = w / 11;
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    // cab with its windscreen raked back
    m.polygon({{x, y - r},
               {x, y - w * 27 / 100},
               {x + w / 25, y - w * 40 / 100},
               {x + w * 23 / 100, y - w * 40 / 100},
               {x + w * 23 / 100, y - r}});
    m.rectangle(QRect(x + w * 26 / 100, y - w * 47 / 100, w * 74 / 100, w * 40 / 100));
    m.rectangle(QRect(x, y - r - r / 2, w, r));
    for (int cx : {x + w * 12 / 100, x + w * 68 / 100, x + w * 87 / 100})
        m.ellipse(QRect(cx - r, y - 2 * r, 2 * r, 2 * r));
    // a window in the cab
    m.setBrush(White);
    m.polygon({{x + w / 20, y - w * 27 / 100}, {x + w * 6 / 100, y - w * 35 / 100}, {x + w * 18 / 100, y - w * 35 / 100},
               {x + w * 18 / 100, y - w * 27 / 100}});
}

// A bicycle (optionally with its rider); centre is the middle of the frame between the hubs.
void bicycle(TMetafileWriter& m, QPoint centre, int span, QColor colour, QColor ground, bool rider)
{
    const int r = span * 38 / 100;
    const QPoint back(centre.x() - span / 2, centre.y()), front(centre.x() + span / 2, centre.y());
    for (const QPoint& hub : {back, front}) {
        m.setPen(QColor(), 0);
        m.setBrush(colour);
        m.ellipse(QRect(hub.x() - r, hub.y() - r, 2 * r, 2 * r));
        m.setBrush(ground);
        const int inner = r - qMax(4, span / 16);
        m.ellipse(QRect(hub.x() - inner, hub.y() - inner, 2 * inner, 2 * inner));
    }
    const int t = qMax(4, span / 14);
    const QPoint crank(centre.x() - span / 12, centre.y());
    const QPoint seat(centre.x() - span / 5, centre.y() - span * 45 / 100);
    const QPoint head(centre.x() + span * 32 / 100, centre.y() - span * 42 / 100);
    m.setPen(colour, t);
    m.polyline({back, crank, head, front});
    m.polyline({back, seat, crank});
    m.polyline({seat, head});
    m.polyline({head, QPoint(head.x() - span / 14, head.y() - span / 8), QPoint(head.x() + span / 14, head.y() - span / 7)});
    if (rider) {
        const int bodyT = span / 6;
        const QPoint hip(seat.x(), seat.y() - span / 12);
        const QPoint shoulder(centre.x() + span / 8, centre.y() - span * 95 / 100);
        m.setPen(colour, bodyT);
        m.polyline({hip, shoulder});
        m.setPen(colour, bodyT * 2 / 3);
        m.polyline({shoulder, QPoint(head.x() + span / 20, head.y() - span / 7)});
        m.polyline({hip, QPoint(crank.x() + span / 6, crank.y() - span / 3), QPoint(crank.x() + span / 12, crank.y() + span / 10)});
        m.setPen(QColor(), 0);
        m.setBrush(colour);
        const int hr = span * 13 / 100;
        m.ellipse(QRect(shoulder.x() + span / 12 - hr, shoulder.y() - span / 5 - hr, 2 * hr, 2 * hr));
    }
    m.setPen(QColor(), 0);
}

// A motorcycle with its rider, seen from the side, front to the right; centre lies between the hubs.
void motorcycle(TMetafileWriter& m, QPoint centre, int span, QColor colour)
{
    const int x = centre.x(), y = centre.y();
    const int r = span * 26 / 100;
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    for (int dx : {-span / 2, span / 2})
        m.ellipse(QRect(x + dx - r, y - r, 2 * r, 2 * r));
    // engine, tank and seat
    m.polygon({{x - span / 2, y - r / 3},
               {x - span * 40 / 100, y - span * 36 / 100},
               {x + span * 22 / 100, y - span * 36 / 100},
               {x + span * 30 / 100, y - span * 20 / 100},
               {x + span / 10, y + r / 3},
               {x - span / 8, y + r / 3}});
    // fork
    m.setPen(colour, span / 12);
    m.polyline({{x + span / 2, y}, {x + span * 32 / 100, y - span * 48 / 100}});
    // rider leaning forward
    m.setPen(colour, span / 6);
    m.polyline({{x - span / 5, y - span * 44 / 100}, {x, y - span * 78 / 100}});
    m.setPen(colour, span / 10);
    m.polyline({{x, y - span * 74 / 100}, {x + span * 28 / 100, y - span * 52 / 100}});
    m.setPen(QColor(), 0);
    const int hr = span * 12 / 100;
    m.ellipse(QRect(x + span / 20 - hr, y - span * 96 / 100 - hr, 2 * hr, 2 * hr));
}

// The diagonal bar of a prohibition disc, from top left to bottom right.
void prohibitionBar(TMetafileWriter& m)
{
    m.setPen(QColor(), 0);
    m.setBrush(Red);
    const int d = 92, h = 14;
    m.polygon({{C - d - h, C - d + h}, {C - d + h, C - d - h}, {C + d + h, C + d - h}, {C + d - h, C + d + h}});
}

// The band of thin lines that ends a prohibition, from bottom left to top right.
void endStripes(TMetafileWriter& m)
{
    m.setPen(Black, 5);
    for (int k = -2; k <= 2; ++k) {
        const int o = k * 9;
        m.polyline({{C - 105 + o, C + 105 + o}, {C + 105 + o, C - 105 + o}});
    }
    m.setPen(QColor(), 0);
}

void thickPath(TMetafileWriter& m, const QVector<QPoint>& path, int width, QColor colour)
{
    m.setPen(QColor(), 0);
    m.setBrush(colour);
    m.polygon(band(path, width));
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
             // two cars seen from behind, the overtaking one red
             prohibition(m);
             carRear(m, {C - 58, C + 52}, 100, Red);
             carRear(m, {C + 58, C + 52}, 100, Black);
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
        // warning signs
        {"a1a_zatacka_vpravo",
         [](TMetafileWriter& m) {
             warning(m);
             QVector<QPoint> path = {{158, 282}, {158, 205}};
             path += arc({218, 205}, 60, 180, 250, 16);
             thickPath(m, path, 30, Black);
         }},
        {"a2a_dvojita_zatacka",
         [](TMetafileWriter& m) {
             warning(m);
             // up, bending first to the right, then back to the left
             QVector<QPoint> path = {{158, 286}};
             for (int i = 0; i <= 30; ++i) {
                 const double t = i / 30.0;
                 path << QPoint(qRound(158 + 52 * std::sin(M_PI * t)), qRound(262 - 124 * t));
             }
             thickPath(m, path, 26, Black);
         }},
        {"a4_kruhovy_objezd",
         [](TMetafileWriter& m) {
             warning(m);
             // three arrows chasing each other anticlockwise round a circle
             const QPoint centre(C, 222);
             const int r = 50;
             for (int i = 0; i < 3; ++i) {
                 const double start = 100 - 120.0 * i, end = start - 66;
                 thickPath(m, arc(centre, r, start, end, 12), 15, Black);
                 const double tipDeg = end - 28, a = qDegreesToRadians(tipDeg);
                 const QPoint tip(centre.x() + qRound(r * std::cos(a)), centre.y() + qRound(r * std::sin(a)));
                 const double along = qDegreesToRadians(end - 14);
                 m.polygon(arrowHead(tip, qRadiansToDegrees(std::atan2(-std::cos(along), std::sin(along))), 28, 18));
             }
         }},
        {"a5a_klesani",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.polygon({{108, 232}, {266, 266}, {266, 280}, {108, 280}});
             m.text({196, 220}, QStringLiteral("10 %"), 40, Black);
         }},
        {"a6a_zuzena_vozovka",
         [](TMetafileWriter& m) {
             warning(m);
             const QVector<QPoint> side = {{132, 284}, {132, 236}, {160, 196}, {160, 142}};
             thickPath(m, side, 18, Black);
             thickPath(m, mirrored(side), 18, Black);
         }},
        {"a7a_nerovnost",
         [](TMetafileWriter& m) {
             warning(m);
             QVector<QPoint> outline = {{94, 276}, {94, 258}};
             outline += arc({140, 258}, 30, 180, 360, 14);
             outline += arc({220, 258}, 30, 180, 360, 14);
             outline += QVector<QPoint>{{266, 258}, {266, 276}};
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.polygon(outline);
         }},
        {"a7b_zpomalovaci_prah",
         [](TMetafileWriter& m) {
             warning(m);
             QVector<QPoint> outline = {{94, 276}, {94, 262}, {132, 262}, {150, 226}, {210, 226}, {228, 262}, {266, 262}, {266, 276}};
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.polygon(outline);
         }},
        {"a8_nebezpeci_smyku",
         [](TMetafileWriter& m) {
             warning(m);
             carRear(m, {C, 196}, 78, Black);
             m.setPen(Black, 7);
             QVector<QPoint> left, right;
             for (int i = 0; i <= 20; ++i) {
                 const double t = i / 20.0;
                 const int y = qRound(206 + 74 * t);
                 left << QPoint(qRound(160 + 20 * std::sin(2 * M_PI * t)), y);
                 right << QPoint(qRound(200 + 20 * std::sin(2 * M_PI * t)), y);
             }
             m.polyline(left);
             m.polyline(right);
             m.setPen(QColor(), 0);
         }},
        {"a9_provoz_v_obou_smerech",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.polygon(arrowUp(C + 26, 138, 282, 18, 22));
             m.polygon(rotated(arrowUp(C - 26, 138, 282, 18, 22), 180, {C - 26, 210}));
         }},
        {"a10_svetelne_signaly",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.rectangle(QRect(C - 24, 134, 48, 146));
             const QColor lights[] = {Red, Yellow, QColor(0, 150, 70)};
             for (int i = 0; i < 3; ++i) {
                 m.setBrush(lights[i]);
                 m.ellipse(QRect(C - 16, 143 + i * 46, 32, 32));
             }
         }},
        {"a14_zver",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             // a leaping deer, heading up and to the right
             QVector<QPoint> body;
             for (int i = 0; i < 24; ++i) {
                 const double a = 2 * M_PI * i / 24;
                 body << QPoint(qRound(C - 8 + 50 * std::cos(a)), qRound(224 + 23 * std::sin(a)));
             }
             m.polygon(rotated(body, -18, {C - 8, 224}));
             // neck and head
             m.polygon({{C + 22, 222}, {C + 34, 190}, {C + 50, 168}, {C + 64, 176}, {C + 50, 210}, {C + 40, 224}});
             m.polygon({{C + 48, 162}, {C + 66, 160}, {C + 88, 172}, {C + 84, 184}, {C + 60, 184}});
             // antlers
             m.setPen(Black, 6);
             m.polyline({{C + 54, 164}, {C + 44, 140}, {C + 30, 130}});
             m.polyline({{C + 44, 144}, {C + 54, 128}});
             m.polyline({{C + 60, 162}, {C + 60, 140}, {C + 70, 128}});
             // forelegs tucked forward, hind legs stretched back
             m.setPen(Black, 11);
             m.polyline({{C + 26, 232}, {C + 48, 246}, {C + 72, 240}});
             m.polyline({{C + 16, 238}, {C + 32, 258}, {C + 56, 262}});
             m.polyline({{C - 46, 238}, {C - 72, 256}, {C - 96, 274}});
             m.polyline({{C - 38, 244}, {C - 54, 266}, {C - 78, 284}});
             // tail
             m.setPen(Black, 7);
             m.polyline({{C - 54, 222}, {C - 64, 210}});
             m.setPen(QColor(), 0);
         }},
        {"a15_prace_na_silnici",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             // the heap
             m.polygon({{C + 14, 282}, {C + 40, 246}, {C + 62, 238}, {C + 86, 256}, {C + 104, 282}});
             // the worker, bent forward, driving a shovel into the heap
             m.ellipse(QRect(C - 34, 146, 30, 30));
             m.setPen(Black, 24);
             m.polyline({{C - 30, 188}, {C - 58, 236}});
             m.setPen(Black, 14);
             m.polyline({{C - 58, 236}, {C - 40, 282}});
             m.polyline({{C - 58, 236}, {C - 84, 282}});
             m.polyline({{C - 34, 196}, {C + 2, 224}, {C + 14, 212}});
             m.setPen(Black, 7);
             m.polyline({{C - 16, 184}, {C + 42, 250}});
             m.setPen(QColor(), 0);
             m.polygon({{C + 36, 244}, {C + 58, 236}, {C + 64, 262}, {C + 44, 266}});
         }},
        {"a19_cykliste",
         [](TMetafileWriter& m) {
             warning(m);
             bicycle(m, {C, 252}, 92, Black, White, true);
         }},
        // priority
        {"p1_krizovatka_s_vedlejsi",
         [](TMetafileWriter& m) {
             warning(m);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.rectangle(QRect(C - 14, 122, 28, 162));
             m.rectangle(QRect(C - 76, 214, 152, 12));
         }},
        {"p2_e2b_hlavni_zatacka",
         [](TMetafileWriter& m) {
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(regular(4, 112, 0, {C, 120}));
             m.setBrush(Yellow);
             m.polygon(regular(4, 72, 0, {C, 120}));
             m.setPen(Black, 6);
             m.setBrush(White);
             m.rectangle(QRect(78, 244, 204, 108));
             m.setPen(Black, 6);
             m.polyline({{C, 298}, {C, 254}});
             m.polyline({{C, 298}, {92, 298}});
             m.setPen(Black, 16);
             m.polyline({{C, 344}, {C, 298}, {270, 298}});
             m.setPen(QColor(), 0);
         }},
        // prohibition
        {"b3_zakaz_vjezdu_automobilu",
         [](TMetafileWriter& m) {
             prohibition(m);
             carSide(m, {C - 98, C + 40}, 196, Black);
         }},
        {"b4_zakaz_vjezdu_nakladnich",
         [](TMetafileWriter& m) {
             prohibition(m);
             lorrySide(m, {C - 100, C + 54}, 200, Black);
         }},
        {"b8_zakaz_vjezdu_kol",
         [](TMetafileWriter& m) {
             prohibition(m);
             bicycle(m, {C, C + 34}, 126, Black, White, false);
         }},
        {"b11_zakaz_vjezdu_motorovych",
         [](TMetafileWriter& m) {
             prohibition(m);
             motorcycle(m, {C, C - 14}, 104, Black);
             carSide(m, {C - 80, C + 82}, 160, Black);
         }},
        {"b13_hmotnost",
         [](TMetafileWriter& m) {
             prohibition(m);
             m.text({C, C + 40}, QStringLiteral("6 t"), 120, Black);
         }},
        {"b16_vyska",
         [](TMetafileWriter& m) {
             prohibition(m);
             m.text({C, C + 26}, QStringLiteral("3,5 m"), 66, Black);
             m.setPen(QColor(), 0);
             m.setBrush(Black);
             m.polygon({{C - 30, 74}, {C + 30, 74}, {C, 108}});
             m.polygon({{C - 30, 286}, {C + 30, 286}, {C, 252}});
         }},
        {"b21b_konec_zakazu_predjizdeni",
         [](TMetafileWriter& m) {
             disc(m, 160, White, Black, 6);
             carRear(m, {C - 62, C + 52}, 100, Grey);
             carRear(m, {C + 62, C + 52}, 100, Grey);
             endStripes(m);
         }},
        {"b22a_zakaz_predjizdeni_nakladnich",
         [](TMetafileWriter& m) {
             prohibition(m);
             lorryRear(m, {C - 58, C + 62}, 92, Red);
             carRear(m, {C + 62, C + 62}, 100, Black);
         }},
        {"b24a_zakaz_odbocovani_vpravo",
         [](TMetafileWriter& m) {
             prohibition(m);
             QVector<QPoint> path = {{C - 30, 286}, {C - 30, 170}};
             path += arc({C + 20, 170}, 50, 180, 270, 10);
             path << QPoint(C + 54, 120);
             thickPath(m, path, 30, Black);
             m.polygon(arrowHead({C + 110, 120}, 0, 58, 44));
             prohibitionBar(m);
         }},
        {"b25_zakaz_otaceni",
         [](TMetafileWriter& m) {
             prohibition(m);
             QVector<QPoint> path = {{C + 44, 290}, {C + 44, 150}};
             path += arc({C, 150}, 44, 0, -180, 16);
             path << QPoint(C - 44, 196);
             thickPath(m, path, 28, Black);
             m.polygon(arrowHead({C - 44, 254}, 90, 58, 40));
             prohibitionBar(m);
         }},
        {"b26_konec_vsech_zakazu",
         [](TMetafileWriter& m) {
             disc(m, 160, White, Black, 6);
             endStripes(m);
         }},
        {"b30_zakaz_vstupu_chodcu",
         [](TMetafileWriter& m) {
             prohibition(m);
             pedestrian(m, {C, C + 100}, 200, Black);
         }},
        // mandatory
        {"c4a_objizdeni_vpravo",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.polygon(rotated(arrowUp(C, 70, 290, 44, 62), 135));
         }},
        {"c7a_stezka_pro_chodce",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             pedestrian(m, {C - 30, C + 104}, 200, White);
             pedestrian(m, {C + 52, C + 104}, 130, White);
             m.setPen(White, 10);
             m.polyline({{C - 8, C + 4}, {C + 30, C + 24}});
             m.setPen(QColor(), 0);
         }},
        {"c8a_stezka_pro_cyklisty",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             bicycle(m, {C, C + 36}, 126, White, Blue, false);
         }},
        {"c9a_stezka_spolecna",
         [](TMetafileWriter& m) {
             disc(m, 160, Blue);
             pedestrian(m, {C - 18, C - 12}, 118, White);
             pedestrian(m, {C + 34, C - 12}, 78, White);
             m.setPen(White, 8);
             m.polyline({{C - 120, C + 4}, {C + 120, C + 4}});
             m.setPen(QColor(), 0);
             bicycle(m, {C, C + 84}, 104, White, Blue, false);
         }},
        // information
        {"ip5_doporucena_rychlost",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.text({C, C + 56}, QStringLiteral("60"), 160, White);
         }},
        {"ip12_vyhrazene_parkoviste",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.text({C, C + 46}, QStringLiteral("P"), 200, White);
             m.text({C, 306}, QStringLiteral("RÉSERVÉ"), 46, White);
         }},
        {"ip13b_parkovaci_kotouc",
         [](TMetafileWriter& m) {
             blueSquare(m);
             m.text({C, C + 22}, QStringLiteral("P"), 180, White);
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.rectangle(QRect(C - 62, 236, 124, 76));
             m.setBrush(Blue);
             m.polygon(arc({C, 300}, 46, 180, 360, 16));
             m.setBrush(White);
             m.polygon(arc({C, 300}, 38, 180, 360, 16));
             m.setPen(Blue, 6);
             m.polyline({{C, 300}, {C, 270}});
             m.polyline({{C, 300}, {C + 22, 284}});
             m.setPen(QColor(), 0);
         }},
        {"iz5a_obytna_zona",
         [](TMetafileWriter& m) {
             m.setPen(White, 8);
             m.setBrush(Blue);
             m.rectangle(QRect(20, 50, S - 40, S - 100));
             m.setPen(QColor(), 0);
             m.setBrush(White);
             m.rectangle(QRect(40, 262, S - 80, 10));
             // a house
             m.polygon({{44, 262}, {44, 176}, {86, 134}, {128, 176}, {128, 262}});
             m.setBrush(Blue);
             m.rectangle(QRect(74, 214, 22, 48));
             // a grown-up and a child playing with a ball
             pedestrian(m, {156, 262}, 112, White);
             pedestrian(m, {200, 262}, 70, White);
             m.setBrush(White);
             m.ellipse(QRect(216, 234, 18, 18));
             // a car
             carSide(m, {240, 262}, 86, White);
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
    if (it != catalogue().end())
        it->second(m);
    return m;
}

} // namespace Signs
