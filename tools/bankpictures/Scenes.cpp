// Drawing the traffic situations, the animation frames and the topic-group pictures.
#include "Scenes.h"

#include "Signs.h"

#include "pictures/Picture.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <map>

namespace {

enum class Layout
{
    Cross,
    T,
    Roundabout,
    Straight
};
enum class Kind
{
    Car,
    Motorbike,
    Bicycle,
    Emergency,
    Truck,
    Bus,
    Tram
};

// Arms and headings: 0 north, 1 east, 2 south, 3 west.
struct Vehicle
{
    int arm;   // where it comes from
    char turn; // 'S' straight, 'L' left, 'R' right
    QColor colour;
    Kind kind = Kind::Car;
    double back = 0;    // this much further from the junction than usual (negative: nearer)
    double side = 0;    // moved this far to the right of its lane (standing in a bus bay)
    bool moving = true; // a standing vehicle gets no arrow
    char blink = 0;     // 'L' or 'R': the direction indicator on that side flashes
};

// A vehicle already on the roundabout, going round anticlockwise.
struct RingVehicle
{
    double angle; // where it is, degrees anticlockwise from east
    int exitArm;  // where it leaves the ring; -1: it goes on round
    QColor colour;
    Kind kind = Kind::Car;
    char blink = 0;
};

// A pedestrian on or beside the zebra crossing of an arm.
struct Walker
{
    double at;     // across the road in units of R from its middle; beyond 1 is the verge
    int dir;       // +1 or -1: which way across
    bool crossing; // walking on the crossing; otherwise waiting at the kerb to cross
};

struct Scene
{
    Layout layout = Layout::Cross;
    QString signs[4] = {}; // signs at each approach, by name; "a|b" stacks a above b on one post
    QVector<Vehicle> vehicles = {};
    int zebraArm = -1; // pedestrian crossing on this arm
    QVector<Walker> walkers = {};
    QVector<RingVehicle> ring = {};
    // Traffic light at each approach: 'R' red, 'U' red and yellow, 'Y' yellow, 'G' green,
    // 'A' red with a green arrow to the right, 'F' flashing yellow (not in operation), 0 none.
    char lights[4] = {0, 0, 0, 0};
    int tracks = 0;              // tram tracks: 1 along the west-east road, 2 along the north-south road
    int mainArms[2] = {-1, -1};  // a main road that bends: the plate under each priority sign shows it
    bool busBay = false;         // a bus stop bay on the south side of a straight road
};

const QColor Red(210, 30, 35), Blue(30, 90, 210), Green(30, 150, 60), Yellow(240, 200, 30), Road(90, 92, 98),
    Grass(140, 185, 105), White(245, 245, 245), TramYellow(250, 214, 70), BusOrange(235, 125, 35);
constexpr int R = 56; // half the road width: one lane each way
const QPointF Centre(Scenes::Width / 2.0, Scenes::Height / 2.0);

QPointF vec(int dir)
{
    static const QPointF v[4] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    return v[((dir % 4) + 4) % 4];
}

// The middle of the lane that a vehicle heading this way uses (right-hand traffic).
QPointF laneOffset(int heading)
{
    const QPointF h = vec(heading);
    return QPointF(-h.y(), h.x()) * (R / 2.0);
}

double angleOf(int heading)
{
    return heading * 90.0 - 90.0; // 0 degrees points east in painter terms
}

// Where an arm meets the ring, in degrees anticlockwise from east.
double ringAngleOf(int arm)
{
    return 90.0 - arm * 90.0;
}

double halfLength(Kind kind)
{
    switch (kind) {
    case Kind::Motorbike:
    case Kind::Bicycle:
        return 20;
    case Kind::Truck:
        return 40;
    case Kind::Bus:
        return 50;
    case Kind::Tram:
        return 62;
    default:
        return 30;
    }
}

const std::map<QString, Scene>& scenes()
{
    using V = Vehicle;
    using K = Kind;
    const QString p2 = QStringLiteral("p2_hlavni"), p4 = QStringLiteral("p4_dej_prednost"),
                  p6 = QStringLiteral("p6_stop"), ring = QStringLiteral("c1_kruhovy_objezd|p4_dej_prednost");
    static const std::map<QString, Scene> s = {
        // right-hand rule
        {"sit01", {.vehicles = {V{2, 'S', Red}, V{1, 'S', Blue}}}},
        {"sit02", {.vehicles = {V{2, 'S', Red}, V{3, 'S', Blue}}}},
        // main road and give way
        {"sit03", {.signs = {p4, p2, p4, p2}, .vehicles = {V{2, 'S', Red}, V{3, 'S', Blue}}}},
        {"sit04", {.signs = {p6, p2, p6, p2}, .vehicles = {V{2, 'R', Red}, V{3, 'S', Blue}}}},
        // turning left against oncoming traffic
        {"sit05", {.vehicles = {V{2, 'L', Red}, V{0, 'S', Blue}}}},
        {"sit06", {.vehicles = {V{2, 'L', Red}, V{0, 'R', Blue}}}},
        {"sit07", {.signs = {p4, p2, p4, p2}, .vehicles = {V{2, 'L', Red}, V{3, 'S', Blue}, V{1, 'S', Green}}}},
        // pedestrians
        {"sit08", {.vehicles = {V{2, 'R', Red}}, .zebraArm = 1, .walkers = {{-0.6, 1, true}}}},
        {"sit09",
         {.layout = Layout::Straight, .vehicles = {V{3, 'S', Red}}, .zebraArm = 1, .walkers = {{-0.6, 1, true}}}},
        // roundabout
        {"sit10",
         {.layout = Layout::Roundabout,
          .signs = {ring, ring, ring, ring},
          .vehicles = {V{2, 'R', Red}},
          .ring = {{210, -1, Blue}}}},
        // vehicle with a blue beacon and siren
        {"sit11", {.vehicles = {V{2, 'S', Red}, V{3, 'S', White, K::Emergency}}}},
        // T-junctions
        {"sit12", {.layout = Layout::T, .vehicles = {V{2, 'L', Red}, V{1, 'S', Blue}}}},
        {"sit13", {.layout = Layout::T, .vehicles = {V{3, 'S', Red}, V{2, 'R', Blue}}}},
        {"sit14", {.signs = {p4, p2, p4, p2}, .vehicles = {V{3, 'L', Red}, V{1, 'S', Blue}}}},
        {"sit15", {.signs = {p2, p6, p2, p6}, .vehicles = {V{1, 'S', Red}}}},
        {"sit16", {.signs = {p2, p4, p2, p4}, .vehicles = {V{2, 'L', Red}, V{0, 'S', Blue}, V{3, 'S', Green}}}},
        // two-wheelers
        {"sit17", {.vehicles = {V{2, 'S', Red}, V{1, 'S', Yellow, K::Motorbike}}}},
        {"sit18", {.vehicles = {V{2, 'S', Red}, V{1, 'S', Green, K::Bicycle}}}},
        {"sit19", {.signs = {p4, p2, p4, p2}, .vehicles = {V{2, 'R', Red}, V{3, 'S', Blue}}}},
        {"sit20", {.vehicles = {V{2, 'S', Red}, V{1, 'L', Blue}, V{0, 'S', Green}}}},

        // more junctions without signs
        {"sit21", {.vehicles = {V{2, 'S', Red}, V{1, 'L', Blue}}}},
        {"sit22", {.vehicles = {V{2, 'R', Red}, V{3, 'S', Blue}}}},
        {"sit23", {.vehicles = {V{2, 'L', Red}, V{3, 'S', Blue}}}},
        {"sit24", {.vehicles = {V{2, 'L', Red}, V{1, 'S', Blue}, V{0, 'S', Green}}}},
        {"sit25", {.vehicles = {V{2, 'S', Red}, V{0, 'L', Blue}, V{3, 'S', Green}}}},
        {"sit26", {.vehicles = {V{2, 'S', Red}, V{3, 'S', Blue}, V{0, 'S', Green}, V{1, 'S', Yellow}}}},
        {"sit27", {.vehicles = {V{2, 'S', Red}, V{3, 'S', Blue, K::Truck}}}},
        // more main roads
        {"sit28", {.signs = {p4, p2, p4, p2}, .vehicles = {V{3, 'L', Red}, V{2, 'S', Blue}}}},
        {"sit29",
         {.signs = {p4, p2, p4, p2}, .vehicles = {V{3, 'S', Red}, V{1, 'L', Blue}, V{2, 'S', Green}}}},
        {"sit30", {.signs = {p4, p2, p4, p2}, .vehicles = {V{2, 'S', Red}, V{0, 'L', Blue}}}},
        {"sit31",
         {.signs = {p6, p2, p6, p2}, .vehicles = {V{2, 'S', Red}, V{3, 'L', Blue}, V{1, 'S', Green}}}},
        {"sit32", {.signs = {p2, p4, p2, p4}, .vehicles = {V{0, 'L', Yellow, K::Motorbike}, V{2, 'S', Red}}}},
        // a main road that bends at the junction
        {"sit33",
         {.signs = {p4, p2, p2, p4},
          .vehicles = {V{2, 'R', Red}, V{3, 'S', Blue}},
          .mainArms = {2, 1}}},
        {"sit34",
         {.signs = {p4, p2, p2, p4},
          .vehicles = {V{1, 'L', Red}, V{0, 'S', Blue}, V{3, 'S', Green}},
          .mainArms = {2, 1}}},
        {"sit35",
         {.signs = {p4, p4, p2, p2}, .vehicles = {V{1, 'S', Red}, V{2, 'L', Blue}}, .mainArms = {3, 2}}},
        // traffic lights
        {"sit36", {.vehicles = {V{2, 'L', Red}, V{0, 'S', Blue}}, .lights = {'G', 'R', 'G', 'R'}}},
        {"sit37", {.vehicles = {V{2, 'R', Red}, V{3, 'S', Blue}}, .lights = {'R', 'G', 'A', 'G'}}},
        {"sit38",
         {.signs = {p4, p2, p4, p2},
          .vehicles = {V{2, 'S', Red}, V{3, 'S', Blue}},
          .lights = {'F', 'F', 'F', 'F'}}},
        {"sit39",
         {.vehicles = {V{2, 'S', Red}, V{0, 'L', Blue}, V{3, 'S', Green}}, .lights = {'G', 'R', 'G', 'R'}}},
        {"sit40",
         {.vehicles = {V{2, 'R', Red}},
          .zebraArm = 1,
          .walkers = {{-0.6, 1, true}},
          .lights = {'G', 'R', 'G', 'R'}}},
        {"sit41", {.vehicles = {V{2, 'S', Red, K::Car, 40}}, .lights = {'Y', 'U', 'Y', 'U'}}},
        {"sit42", {.vehicles = {V{2, 'S', Red}, V{1, 'S', Blue}}, .lights = {'F', 'F', 'F', 'F'}}},
        {"sit43",
         {.signs = {p4, p2, p4, p2},
          .vehicles = {V{2, 'S', Red}, V{3, 'S', Blue}},
          .lights = {'G', 'R', 'G', 'R'}}},
        // trams
        {"sit44", {.vehicles = {V{3, 'S', TramYellow, K::Tram}, V{1, 'L', Red}}, .tracks = 1}},
        {"sit45",
         {.signs = {p4, p2, p4, p2},
          .vehicles = {V{1, 'S', TramYellow, K::Tram}, V{3, 'S', Blue}, V{2, 'L', Red}},
          .tracks = 1}},
        {"sit46", {.vehicles = {V{1, 'S', TramYellow, K::Tram}, V{2, 'S', Red}}, .tracks = 1}},
        {"sit47",
         {.signs = {p4, p2, p4, p2}, .vehicles = {V{1, 'S', TramYellow, K::Tram}, V{3, 'L', Red}}, .tracks = 1}},
        // vehicles with a blue beacon and siren
        {"sit48", {.signs = {p4, p2, p4, p2}, .vehicles = {V{2, 'S', White, K::Emergency}, V{3, 'S', Red}}}},
        {"sit49",
         {.vehicles = {V{2, 'S', Red}, V{1, 'S', White, K::Emergency}}, .lights = {'G', 'R', 'G', 'R'}}},
        // roundabouts
        {"sit50",
         {.layout = Layout::Roundabout,
          .signs = {ring, ring, ring, ring},
          .vehicles = {V{2, 'R', Red}, V{0, 'R', Green}},
          .ring = {{15, 3, Blue}}}},
        {"sit51", {.layout = Layout::Roundabout, .vehicles = {V{2, 'R', Red}}, .ring = {{210, -1, Blue}}}},
        {"sit52", {.layout = Layout::Roundabout, .signs = {ring, ring, ring, ring}, .ring = {{295, 1, Red}}}},
        {"sit53",
         {.layout = Layout::Roundabout,
          .signs = {ring, ring, ring, ring},
          .vehicles = {V{2, 'R', Red}},
          .ring = {{210, -1, Green, K::Bicycle}}}},
        // pedestrians
        {"sit54",
         {.layout = Layout::Straight, .vehicles = {V{3, 'S', Red}}, .zebraArm = 1, .walkers = {{1.3, -1, false}}}},
        {"sit55",
         {.layout = Layout::Straight,
          .vehicles = {V{3, 'S', Red}, V{1, 'S', Blue, K::Car, 0, 0, false}},
          .zebraArm = 1,
          .walkers = {{-0.6, 1, true}}}},
        {"sit56", {.vehicles = {V{2, 'L', Red}}, .zebraArm = 3, .walkers = {{-0.6, 1, true}}}},
        // cyclists
        {"sit57", {.vehicles = {V{2, 'S', Red}, V{3, 'S', Green, K::Bicycle}}}},
        {"sit58", {.signs = {p4, p2, p4, p2}, .vehicles = {V{2, 'L', Red}, V{3, 'S', Green, K::Bicycle}}}},
        {"sit59", {.vehicles = {V{2, 'L', Green, K::Bicycle}, V{0, 'S', Blue}}}},
        // a bus leaving its stop in a village
        {"sit60",
         {.layout = Layout::Straight,
          .signs = {{}, {}, {}, QStringLiteral("is12a_obec")},
          .vehicles = {V{3, 'S', BusOrange, K::Bus, -200, 0.95 * R, true, 'L'}, V{3, 'S', Red, K::Car, 40}},
          .busBay = true}},
    };
    return s;
}

void drawBlinkers(QPainter& p, double half, double width, char blink)
{
    if (blink != 'L' && blink != 'R')
        return;
    const double y = (blink == 'L' ? -1 : 1) * (width / 2 - 1);
    p.setPen(Qt::NoPen);
    for (const double x : {half - 3, -half + 3}) {
        p.setBrush(QColor(255, 170, 0, 110));
        p.drawEllipse(QPointF(x, y), 9, 9);
        p.setBrush(QColor(255, 150, 0));
        p.drawEllipse(QPointF(x, y), 4.5, 4.5);
    }
}

void drawVehicle(QPainter& p, QPointF at, double angle, Kind kind, QColor colour, char blink = 0)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    const QColor glass(170, 200, 230);
    switch (kind) {
    case Kind::Motorbike:
    case Kind::Bicycle: {
        p.setBrush(QColor(30, 30, 30));
        p.drawRoundedRect(QRectF(-20, -4, 40, 8), 3, 3);
        p.setBrush(colour);
        p.drawEllipse(QPointF(0, 0), kind == Kind::Bicycle ? 6 : 9, kind == Kind::Bicycle ? 6 : 9);
        p.setPen(QPen(QColor(30, 30, 30), 3));
        p.drawLine(QPointF(10, -10), QPointF(10, 10));
        break;
    }
    case Kind::Truck:
        p.setBrush(colour);
        p.drawRect(QRectF(-40, -15, 60, 30));
        p.drawRoundedRect(QRectF(22, -14, 18, 28), 3, 3);
        drawBlinkers(p, 40, 30, blink);
        break;
    case Kind::Bus:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-50, -15, 100, 30), 5, 5);
        p.setBrush(glass);
        p.drawRoundedRect(QRectF(40, -12, 7, 24), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 120));
        p.drawRect(QRectF(-40, -5, 72, 10));
        drawBlinkers(p, 50, 30, blink);
        break;
    case Kind::Tram: {
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-62, -15, 124, 30), 10, 10);
        p.setBrush(QColor(200, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(-60, -15, 120, 5));
        p.drawRect(QRectF(-60, 10, 120, 5));
        p.setPen(QPen(QColor(20, 20, 20), 1.5));
        p.drawLine(QPointF(-21, -15), QPointF(-21, 15));
        p.drawLine(QPointF(21, -15), QPointF(21, 15));
        p.setBrush(glass);
        p.drawRoundedRect(QRectF(50, -10, 9, 20), 3, 3);
        p.drawRoundedRect(QRectF(-59, -10, 9, 20), 3, 3);
        // the pantograph on the roof
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.drawPolygon(QPolygonF{{-8, 0}, {0, -8}, {8, 0}, {0, 8}});
        break;
    }
    default:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-30, -15, 60, 30), 8, 8);
        p.setBrush(glass);
        p.drawRoundedRect(QRectF(8, -11, 11, 22), 3, 3);
        p.drawRoundedRect(QRectF(-22, -10, 8, 20), 3, 3);
        if (kind == Kind::Emergency) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 30, 30));
            p.drawRect(QRectF(-30, -3, 60, 6));
            p.setBrush(QColor(40, 110, 255));
            p.drawEllipse(QPointF(0, -7), 5, 5);
            p.drawEllipse(QPointF(0, 7), 5, 5);
            p.setBrush(QColor(120, 170, 255, 110));
            p.drawEllipse(QPointF(0, 0), 26, 26);
        }
        drawBlinkers(p, 30, 30, blink);
        break;
    }
    p.restore();
}

void drawArrow(QPainter& p, const QPainterPath& path, QColor colour)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 210), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
    p.setPen(QPen(colour, 3, Qt::DashLine, Qt::RoundCap));
    p.drawPath(path);
    const QPointF tip = path.pointAtPercent(1.0);
    const double a = qDegreesToRadians(-path.angleAtPercent(0.99));
    const QPointF d(std::cos(a), std::sin(a)), n(-d.y(), d.x());
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF{tip + d * 6, tip - d * 12 + n * 9, tip - d * 12 - n * 9});
    p.restore();
}

QColor arrowColour(QColor vehicle)
{
    return vehicle == White ? QColor(40, 110, 255) : vehicle;
}

// Signs stacked on one post, the lowest centred on `at`; returns the bottom of the lowest sign.
double drawSign(QPainter& p, const QString& names, QPointF at, double size)
{
    const QStringList list = names.split(QLatin1Char('|'));
    for (int i = 0; i < list.size(); ++i) {
        const QPointF c = at - QPointF(0, (list.size() - 1 - i) * (size + 2));
        p.save();
        p.setPen(QPen(QColor(60, 60, 60), 3));
        p.drawLine(c + QPointF(0, size / 2), c + QPointF(0, size / 2 + 10));
        p.translate(c - QPointF(size / 2, size / 2));
        p.scale(size / Signs::Size, size / Signs::Size);
        Signs::draw(list[i]).paint(p);
        p.restore();
    }
    return at.y() + size / 2;
}

// The additional plate showing the shape of the junction with the main road drawn bold, turned
// so that the approach it stands at points down.
void drawMainRoadPlate(QPainter& p, const Scene& s, int arm, QPointF centre)
{
    const QSizeF size(46, 40);
    p.save();
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(centre + QPointF(0, size.height() / 2), centre + QPointF(0, size.height() / 2 + 10));
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size));
    p.translate(centre);
    p.rotate((2 - arm) * 90.0);
    const double reach = 16;
    for (int a = 0; a < 4; ++a) {
        if (s.layout == Layout::T && a == 0)
            continue;
        const bool main = a == s.mainArms[0] || a == s.mainArms[1];
        p.setPen(QPen(QColor(20, 20, 20), main ? 6 : 2, Qt::SolidLine, main ? Qt::SquareCap : Qt::FlatCap));
        p.drawLine(QPointF(0, 0), vec(a) * reach);
    }
    p.restore();
}

void drawLight(QPainter& p, QPointF at, char state)
{
    p.save();
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(at + QPointF(0, 24), at + QPointF(0, 36));
    p.setPen(QPen(QColor(15, 15, 15), 1.5));
    p.setBrush(QColor(40, 40, 40));
    p.drawRoundedRect(QRectF(at - QPointF(10, 25), QSizeF(20, 50)), 4, 4);
    const bool red = state == 'R' || state == 'U' || state == 'A', yellow = state == 'Y' || state == 'U' || state == 'F',
               green = state == 'G';
    const struct
    {
        double y;
        bool lit;
        QColor on, off;
    } lamps[] = {{-15, red, QColor(235, 35, 35), QColor(85, 40, 40)},
                 {0, yellow, QColor(255, 200, 20), QColor(85, 75, 35)},
                 {15, green, QColor(40, 210, 90), QColor(35, 75, 45)}};
    for (const auto& lamp : lamps) {
        p.setPen(Qt::NoPen);
        p.setBrush(lamp.lit ? lamp.on : lamp.off);
        p.drawEllipse(at + QPointF(0, lamp.y), 6.5, 6.5);
    }
    if (state == 'F') {
        // rays round the yellow lamp: it flashes
        p.setPen(QPen(QColor(255, 200, 20), 2.5, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const double a = qDegreesToRadians(i * 45.0 + 22.5);
            const QPointF d(std::cos(a), std::sin(a));
            p.drawLine(at + d * 12, at + d * 18);
        }
    }
    if (state == 'A') {
        // the additional signal beside it: a green arrow to the right
        const QRectF box(at + QPointF(11, 4), QSizeF(20, 20));
        p.setPen(QPen(QColor(15, 15, 15), 1.5));
        p.setBrush(QColor(40, 40, 40));
        p.drawRoundedRect(box, 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 210, 90));
        const QPointF c = box.center();
        p.drawPolygon(QPolygonF{c + QPointF(8, 0), c + QPointF(1, -7), c + QPointF(1, -3), c + QPointF(-7, -3),
                                c + QPointF(-7, 3), c + QPointF(1, 3), c + QPointF(1, 7)});
    }
    p.restore();
}

void drawRoads(QPainter& p, const Scene& s)
{
    p.fillRect(QRectF(0, 0, Scenes::Width, Scenes::Height), Grass);
    p.setPen(Qt::NoPen);
    p.setBrush(Road);
    const double W = Scenes::Width, H = Scenes::Height;
    if (s.layout == Layout::Straight) {
        p.drawRect(QRectF(0, Centre.y() - R, W, 2 * R));
        if (s.busBay) {
            // a bay beside the eastbound lane, with a shelter on the verge
            const double top = Centre.y() + R - 1, depth = 34, from = 300, to = 500;
            p.drawPolygon(QPolygonF{{from - 40, top}, {from, top + depth}, {to, top + depth}, {to + 40, top}});
            p.setBrush(QColor(150, 150, 155));
            p.drawRect(QRectF(from - 30, top + depth, to - from + 100, 14));
            p.setBrush(QColor(110, 140, 170));
            p.setPen(QPen(QColor(40, 40, 40), 1.5));
            p.drawRect(QRectF(from + 60, top + depth + 18, 70, 16));
            p.setPen(QPen(Qt::white, 3, Qt::DashLine));
            p.drawLine(QPointF(from, top + 1), QPointF(to, top + 1));
            p.setPen(Qt::NoPen);
        }
    } else {
        p.drawRect(QRectF(0, Centre.y() - R, W, 2 * R));
        p.drawRect(QRectF(Centre.x() - R, s.layout == Layout::T ? Centre.y() - R : 0, 2 * R,
                          s.layout == Layout::T ? H / 2 + R : H));
    }
    if (s.layout == Layout::Roundabout) {
        p.drawEllipse(Centre, 2.1 * R, 2.1 * R);
        p.setBrush(Grass);
        p.setPen(QPen(Qt::white, 3));
        p.drawEllipse(Centre, 1.1 * R, 1.1 * R);
        return;
    }
    // centre lines stop short of the junction
    p.setPen(QPen(Qt::white, 3, Qt::DashLine));
    const double gap = s.layout == Layout::Straight ? 0 : R + 6;
    if (s.layout == Layout::Straight) {
        p.drawLine(QPointF(0, Centre.y()), QPointF(W, Centre.y()));
    } else {
        p.drawLine(QPointF(0, Centre.y()), QPointF(Centre.x() - gap, Centre.y()));
        p.drawLine(QPointF(Centre.x() + gap, Centre.y()), QPointF(W, Centre.y()));
        p.drawLine(QPointF(Centre.x(), H), QPointF(Centre.x(), Centre.y() + gap));
        if (s.layout == Layout::Cross)
            p.drawLine(QPointF(Centre.x(), 0), QPointF(Centre.x(), Centre.y() - gap));
    }
    // stop lines where a sign makes the driver give way, and solid ones at traffic lights
    for (int arm = 0; arm < 4; ++arm) {
        const bool stop = s.signs[arm].startsWith(QLatin1String("p6")) || s.lights[arm] != 0;
        if (!stop && !s.signs[arm].startsWith(QLatin1String("p4")))
            continue;
        const int heading = (arm + 2) % 4;
        const QPointF a = Centre + vec(arm) * (R + 4), b = a + laneOffset(heading) * 2;
        p.setPen(QPen(Qt::white, stop ? 6 : 4, stop ? Qt::SolidLine : Qt::DashLine));
        p.drawLine(a, b);
    }
}

void drawTracks(QPainter& p, const Scene& s)
{
    if (s.tracks == 0)
        return;
    p.save();
    p.setPen(QPen(QColor(175, 175, 178), 2.5));
    for (int road = 0; road < 2; ++road) {
        if (!(s.tracks & (1 << road)))
            continue;
        for (const double lane : {-R / 2.0, R / 2.0})
            for (const double rail : {-9.0, 9.0}) {
                const double off = lane + rail;
                if (road == 0)
                    p.drawLine(QPointF(0, Centre.y() + off), QPointF(Scenes::Width, Centre.y() + off));
                else
                    p.drawLine(QPointF(Centre.x() + off, 0), QPointF(Centre.x() + off, Scenes::Height));
            }
    }
    p.restore();
}

void drawWalker(QPainter& p, QPointF at, QPointF way, bool crossing)
{
    p.setBrush(QColor(150, 40, 160));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawEllipse(at, 10, 10);
    p.setBrush(QColor(240, 200, 170));
    p.drawEllipse(at, 5, 5);
    QPainterPath path(at + way * 12);
    path.lineTo(at + way * (crossing ? 40 : 30));
    drawArrow(p, path, QColor(150, 40, 160));
}

void drawZebra(QPainter& p, const Scene& s)
{
    if (s.zebraArm < 0)
        return;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QPointF along = vec(s.zebraArm);
    const QPointF across(-along.y(), along.x());
    const double from = s.layout == Layout::Straight ? -20 : R + 14;
    for (int i = -3; i <= 3; ++i) {
        const QPointF c = Centre + along * (from + 18) + across * (i * 15.0);
        QPolygonF stripe;
        for (QPointF corner : {QPointF(-18, -5), QPointF(18, -5), QPointF(18, 5), QPointF(-18, 5)})
            stripe << c + along * corner.x() + across * corner.y();
        p.drawPolygon(stripe);
    }
    for (const Walker& w : s.walkers)
        drawWalker(p, Centre + along * (from + 18) + across * (w.at * R), across * w.dir, w.crossing);
    p.restore();
}

// Where the sign of an approach stands: on the driver's right before the junction, further out
// where a traffic light or a plate needs the room.
QPointF signPlace(const Scene& s, int arm)
{
    const int heading = (arm + 2) % 4;
    if (s.layout == Layout::Roundabout) {
        // clear of the ring and the arms, with room above for a second sign on the post
        static const QPointF corner[4] = {{-122, -87}, {125, -87}, {122, 131}, {-135, 131}};
        return Centre + corner[arm];
    }
    if (s.layout == Layout::Straight)
        return Centre + vec(arm) * (R + 162) + laneOffset(heading) * 2.9;
    double along = R + 42, lateral = 2.9 * R / 2;
    if (s.lights[arm] != 0) {
        if (arm % 2 == 0)
            lateral = 4.1 * R / 2;
        else
            along = R + 70;
    }
    if (s.mainArms[0] >= 0) {
        if (arm == 0)
            along += 50;
        if (arm == 1)
            lateral += 50;
    }
    return Centre + vec(arm) * along + laneOffset(heading) * (lateral / (R / 2.0));
}

QPointF lightPlace(int arm)
{
    const int heading = (arm + 2) % 4;
    const double lateral = arm % 2 == 0 ? R + 16 : R + 31;
    return Centre + vec(arm) * (R + 28) + laneOffset(heading) * (lateral / (R / 2.0));
}

} // namespace

namespace Scenes {

QStringList names()
{
    QStringList out;
    for (const auto& [name, scene] : scenes())
        out << name;
    return out;
}

QImage draw(const QString& name)
{
    QImage img(Width, Height, QImage::Format_RGB32);
    const auto it = scenes().find(name);
    if (it == scenes().end()) {
        img.fill(Qt::white);
        return img;
    }
    const Scene& s = it->second;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawRoads(p, s);
    drawTracks(p, s);
    drawZebra(p, s);
    for (int arm = 0; arm < 4; ++arm) {
        if (s.layout == Layout::T && arm == 0)
            continue;
        if (s.lights[arm] != 0)
            drawLight(p, lightPlace(arm), s.lights[arm]);
        if (s.signs[arm].isEmpty())
            continue;
        const QPointF at = signPlace(s, arm);
        const double bottom = drawSign(p, s.signs[arm], at, 46);
        if (s.mainArms[0] >= 0)
            drawMainRoadPlate(p, s, arm, QPointF(at.x(), bottom + 4 + 20));
    }
    const double ringRadius = 1.7 * R;
    const QRectF ringRect(Centre.x() - ringRadius, Centre.y() - ringRadius, 2 * ringRadius, 2 * ringRadius);
    for (const RingVehicle& v : s.ring) {
        const double a = qDegreesToRadians(v.angle);
        const QPointF at = Centre + QPointF(ringRadius * std::cos(a), -ringRadius * std::sin(a));
        QPainterPath path(at);
        if (v.exitArm < 0) {
            path.arcTo(ringRect, v.angle + 10, 75);
        } else {
            double exitAngle = ringAngleOf(v.exitArm) - 12;
            while (exitAngle <= v.angle + 20)
                exitAngle += 360;
            path.arcTo(ringRect, v.angle, exitAngle - v.angle);
            const QPointF exit = Centre + vec(v.exitArm) * (2.1 * R) + laneOffset(v.exitArm);
            path.lineTo(exit);
            path.lineTo(exit + vec(v.exitArm) * 30);
        }
        drawArrow(p, path, arrowColour(v.colour));
        drawVehicle(p, at, -(v.angle + 90), v.kind, v.colour, v.blink);
    }
    for (const Vehicle& v : s.vehicles) {
        const int heading = (v.arm + 2) % 4;
        const int exitHeading = v.turn == 'L' ? heading + 3 : v.turn == 'R' ? heading + 1 : heading;
        const double half = std::max(halfLength(v.kind), 30.0); // two-wheelers keep a car's place
        const double dist = (s.layout == Layout::Roundabout ? 2.1 * R + 30 : R + 50) + (half - 30) + v.back;
        const QPointF side = laneOffset(heading) * (2.0 / R) * v.side;
        const QPointF at = Centre + vec(v.arm) * dist + laneOffset(heading) + side;
        const QPointF entry =
            Centre + vec(v.arm) * (s.layout == Layout::Roundabout ? 2.1 * R : R) + laneOffset(heading);
        QPainterPath path(at + vec(heading) * (half + 4));
        if (v.side != 0) {
            // out of the bay into the lane
            const QPointF front = at + vec(heading) * (half + 4);
            path.cubicTo(front + vec(heading) * 40, front - side + vec(heading) * 50,
                         front - side + vec(heading) * 120);
        } else if (s.layout == Layout::Straight) {
            path.lineTo(entry);
            path.lineTo(entry + vec(heading) * 150);
        } else if (s.layout == Layout::Roundabout) {
            path.lineTo(entry);
            // into the ring, round it anticlockwise, out at the exit
            const int quarters = v.turn == 'R' ? 1 : v.turn == 'S' ? 2 : 3;
            const double start = 15.0 - angleOf(v.arm);
            path.arcTo(ringRect, start, quarters * 90.0 - 25.0);
            const QPointF exit = Centre + vec(exitHeading) * (2.1 * R) + laneOffset(exitHeading);
            path.lineTo(exit);
            path.lineTo(exit + vec(exitHeading) * 30);
        } else {
            path.lineTo(entry);
            const QPointF exit = Centre + vec(exitHeading) * R + laneOffset(exitHeading);
            const QPointF corner = Centre + laneOffset(heading) + laneOffset(exitHeading);
            if (v.turn == 'S')
                path.lineTo(exit);
            else
                path.quadTo(corner, exit);
            path.lineTo(exit + vec(exitHeading) * 40);
        }
        if (v.moving)
            drawArrow(p, path, arrowColour(v.colour));
        drawVehicle(p, at, angleOf(heading), v.kind, v.colour, v.blink);
    }
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, Width - 2, Height - 2));
    return img;
}

QImage vehicleFrame(const QString& kind, int frame, int frames, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(200, 225, 245));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    p.fillRect(QRectF(0, h * 0.62, w, h * 0.38), QColor(90, 92, 98));
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    p.drawLine(QPointF(-(frame * 8 % 16), h * 0.81), QPointF(w, h * 0.81));
    const double x = -w * 0.45 + (w * 1.4) * frame / frames;
    const double ground = h * 0.78;
    const double bounce = (frame % 2) ? 1.0 : 0.0;
    p.translate(x, ground - bounce);
    p.setPen(QPen(QColor(25, 25, 25), 1.2));
    auto wheel = [&](double cx, double r) {
        p.setBrush(QColor(25, 25, 25));
        p.drawEllipse(QPointF(cx, -r), r, r);
        p.setBrush(QColor(190, 190, 190));
        p.drawEllipse(QPointF(cx, -r), r * 0.45, r * 0.45);
    };
    // "<vehicle>_privesem": the vehicle with a covered trailer on a drawbar behind it
    static const QString trailerSuffix = QStringLiteral("_privesem");
    const bool trailer = kind.endsWith(trailerSuffix);
    const QString vehicle = trailer ? kind.chopped(trailerSuffix.size()) : kind;
    if (trailer) {
        const double height = vehicle == QLatin1String("osobni") ? 26 : 38;
        p.drawLine(QPointF(-12, -12), QPointF(2, -12));
        p.setBrush(QColor(120, 130, 145));
        p.drawRect(QRectF(-58, -12 - height, 46, height));
        wheel(-40, 8);
        if (vehicle != QLatin1String("osobni"))
            wheel(-24, 8);
    }
    if (vehicle == QLatin1String("motorka")) {
        p.setBrush(QColor(220, 120, 20));
        p.drawPolygon(QPolygonF{{8, -16}, {44, -16}, {52, -26}, {30, -30}, {16, -24}});
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QPointF(30, -40), 6, 6);
        p.drawLine(QPointF(30, -34), QPointF(24, -22));
        wheel(10, 9);
        wheel(50, 9);
    } else if (vehicle == QLatin1String("nakladni")) {
        p.setBrush(QColor(40, 120, 60));
        p.drawRect(QRectF(0, -48, 60, 36));
        p.setBrush(QColor(220, 60, 40));
        p.drawPolygon(QPolygonF{{62, -12}, {62, -40}, {78, -40}, {86, -26}, {86, -12}});
        wheel(14, 9);
        wheel(40, 9);
        wheel(74, 9);
    } else if (vehicle == QLatin1String("autobus")) {
        p.setBrush(QColor(240, 190, 30));
        p.drawRoundedRect(QRectF(0, -46, 92, 34), 6, 6);
        p.setBrush(QColor(170, 200, 230));
        for (int i = 0; i < 5; ++i)
            p.drawRect(QRectF(6 + i * 17, -42, 12, 12));
        wheel(18, 8);
        wheel(74, 8);
    } else if (vehicle == QLatin1String("traktor")) {
        p.setBrush(QColor(30, 140, 50));
        p.drawRect(QRectF(24, -34, 40, 16));
        p.setBrush(QColor(170, 200, 230));
        p.drawRect(QRectF(8, -50, 20, 24));
        wheel(18, 15);
        wheel(58, 8);
    } else {
        p.setBrush(QColor(200, 30, 40));
        p.drawPolygon(
            QPolygonF{{0, -12}, {0, -26}, {16, -28}, {28, -42}, {58, -42}, {72, -28}, {86, -24}, {86, -12}});
        p.setBrush(QColor(170, 200, 230));
        p.drawPolygon(QPolygonF{{30, -38}, {42, -38}, {42, -29}, {22, -29}});
        p.drawPolygon(QPolygonF{{46, -38}, {56, -38}, {66, -29}, {46, -29}});
        wheel(18, 9);
        wheel(68, 9);
    }
    return img;
}

QImage groupPicture(int group, const QString& name)
{
    // Upright, the size of the frame in which question browsing shows it whole.
    const QSize size = Picture::GroupPictureSize;
    QImage img(size, QImage::Format_RGB32);
    static const QColor colours[] = {QColor(150, 110, 40), QColor(180, 40, 40),  QColor(50, 120, 70),
                                     QColor(40, 80, 150),  QColor(110, 70, 140), QColor(60, 110, 130),
                                     QColor(200, 60, 60)};
    const QColor colour = colours[(group - 1 + 7) % 7];
    img.fill(QColor(245, 238, 220));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(140), 4));
    p.setBrush(colour);
    const QRectF card(8, 8, size.width() - 16, size.height() - 16);
    p.drawRoundedRect(card, 16, 16);

    // the motif in the upper half, the group's number in a badge beside it
    static const char* motif[] = {
        "p2_hlavni", "p6_stop", "a22_jine_nebezpeci", "c1_kruhovy_objezd", "ip11a_parkoviste", "b20a_50", ""};
    constexpr qreal motifSide = 100;
    const QPointF motifAt((size.width() - motifSide) / 2, 24);
    p.save();
    p.translate(motifAt);
    p.scale(motifSide / Signs::Size, motifSide / Signs::Size);
    if (group == 7) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(20, 20, 320, 320), 40, 40);
        p.setBrush(QColor(0, 140, 70));
        p.drawRect(QRectF(140, 50, 80, 260));
        p.drawRect(QRectF(50, 140, 260, 80));
    } else {
        Signs::draw(QString::fromLatin1(motif[(group - 1) % 7])).paint(p);
    }
    p.restore();

    const QRectF badge(card.left() + 8, card.top() + 8, 40, 40);
    p.setPen(QPen(colour.darker(140), 3));
    p.setBrush(QColor(245, 238, 220));
    p.drawEllipse(badge);
    QFont number(QStringLiteral("DejaVu Sans"));
    number.setPixelSize(26);
    number.setBold(true);
    p.setFont(number);
    p.setPen(colour.darker(140));
    p.drawText(badge, Qt::AlignCenter, QString::number(group));

    // the name below, in up to four lines
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(17);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(card.left() + 10, motifAt.y() + motifSide + 6, card.width() - 20,
                      card.bottom() - 8 - (motifAt.y() + motifSide + 6)),
               Qt::AlignCenter | Qt::TextWordWrap, name);
    return img;
}

} // namespace Scenes
