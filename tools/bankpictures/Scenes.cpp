// Drawing the traffic situations, the animation frames and the topic-group pictures.
#include "Scenes.h"

#include "Signs.h"

#include "data/Picture.h"

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
    Truck
};

// Arms and headings: 0 north, 1 east, 2 south, 3 west.
struct Vehicle
{
    int arm;   // where it comes from
    char turn; // 'S' straight, 'L' left, 'R' right
    QColor colour;
    Kind kind = Kind::Car;
};

struct Scene
{
    Layout layout = Layout::Cross;
    QString signs[4]; // sign drawn at each approach, by the sign's name
    QVector<Vehicle> vehicles;
    int zebraArm = -1; // pedestrian crossing on this arm
    bool pedestrian = false;
    bool ringVehicle = false; // a blue vehicle in the roundabout approaching the south entry
};

const QColor Red(210, 30, 35), Blue(30, 90, 210), Green(30, 150, 60), Yellow(240, 200, 30), Road(90, 92, 98),
    Grass(140, 185, 105);
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

const std::map<QString, Scene>& scenes()
{
    using V = Vehicle;
    static const std::map<QString, Scene> s = {
        // right-hand rule
        {"sit01", {Layout::Cross, {}, {V{2, 'S', Red}, V{1, 'S', Blue}}}},
        {"sit02", {Layout::Cross, {}, {V{2, 'S', Red}, V{3, 'S', Blue}}}},
        // main road and give way
        {"sit03",
         {Layout::Cross,
          {"p4_dej_prednost", "p2_hlavni", "p4_dej_prednost", "p2_hlavni"},
          {V{2, 'S', Red}, V{3, 'S', Blue}}}},
        {"sit04",
         {Layout::Cross,
          {"p6_stop", "p2_hlavni", "p6_stop", "p2_hlavni"},
          {V{2, 'R', Red}, V{3, 'S', Blue}}}},
        // turning left against oncoming traffic
        {"sit05", {Layout::Cross, {}, {V{2, 'L', Red}, V{0, 'S', Blue}}}},
        {"sit06", {Layout::Cross, {}, {V{2, 'L', Red}, V{0, 'R', Blue}}}},
        {"sit07",
         {Layout::Cross,
          {"p4_dej_prednost", "p2_hlavni", "p4_dej_prednost", "p2_hlavni"},
          {V{2, 'L', Red}, V{3, 'S', Blue}, V{1, 'S', Green}}}},
        // pedestrians
        {"sit08", {Layout::Cross, {}, {V{2, 'R', Red}}, 1, true}},
        {"sit09", {Layout::Straight, {}, {V{3, 'S', Red}}, 1, true}},
        // roundabout
        {"sit10",
         {Layout::Roundabout,
          {"p4_dej_prednost", "p4_dej_prednost", "p4_dej_prednost", "p4_dej_prednost"},
          {V{2, 'R', Red}},
          -1,
          false,
          true}},
        // vehicle with a blue beacon and siren
        {"sit11", {Layout::Cross, {}, {V{2, 'S', Red}, V{3, 'S', QColor(245, 245, 245), Kind::Emergency}}}},
        // T-junctions
        {"sit12", {Layout::T, {}, {V{2, 'L', Red}, V{1, 'S', Blue}}}},
        {"sit13", {Layout::T, {}, {V{3, 'S', Red}, V{2, 'R', Blue}}}},
        {"sit14",
         {Layout::Cross,
          {"p4_dej_prednost", "p2_hlavni", "p4_dej_prednost", "p2_hlavni"},
          {V{3, 'L', Red}, V{1, 'S', Blue}}}},
        {"sit15", {Layout::Cross, {"p2_hlavni", "p6_stop", "p2_hlavni", "p6_stop"}, {V{1, 'S', Red}}}},
        {"sit16",
         {Layout::Cross,
          {"p2_hlavni", "p4_dej_prednost", "p2_hlavni", "p4_dej_prednost"},
          {V{2, 'L', Red}, V{0, 'S', Blue}, V{3, 'S', Green}}}},
        // two-wheelers
        {"sit17", {Layout::Cross, {}, {V{2, 'S', Red}, V{1, 'S', Yellow, Kind::Motorbike}}}},
        {"sit18", {Layout::Cross, {}, {V{2, 'S', Red}, V{1, 'S', Green, Kind::Bicycle}}}},
        {"sit19",
         {Layout::Cross,
          {"p4_dej_prednost", "p2_hlavni", "p4_dej_prednost", "p2_hlavni"},
          {V{2, 'R', Red}, V{3, 'S', Blue}}}},
        {"sit20", {Layout::Cross, {}, {V{2, 'S', Red}, V{1, 'L', Blue}, V{0, 'R', Green}}}},
    };
    return s;
}

void drawVehicle(QPainter& p, QPointF at, double angle, const Vehicle& v)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    switch (v.kind) {
    case Kind::Motorbike:
    case Kind::Bicycle: {
        p.setBrush(QColor(30, 30, 30));
        p.drawRoundedRect(QRectF(-20, -4, 40, 8), 3, 3);
        p.setBrush(v.colour);
        p.drawEllipse(QPointF(0, 0), v.kind == Kind::Bicycle ? 6 : 9, v.kind == Kind::Bicycle ? 6 : 9);
        p.setPen(QPen(QColor(30, 30, 30), 3));
        p.drawLine(QPointF(10, -10), QPointF(10, 10));
        break;
    }
    case Kind::Truck:
        p.setBrush(v.colour);
        p.drawRect(QRectF(-40, -15, 60, 30));
        p.drawRoundedRect(QRectF(22, -14, 18, 28), 3, 3);
        break;
    default:
        p.setBrush(v.colour);
        p.drawRoundedRect(QRectF(-30, -15, 60, 30), 8, 8);
        p.setBrush(QColor(170, 200, 230));
        p.drawRoundedRect(QRectF(8, -11, 11, 22), 3, 3);
        p.drawRoundedRect(QRectF(-22, -10, 8, 20), 3, 3);
        if (v.kind == Kind::Emergency) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 30, 30));
            p.drawRect(QRectF(-30, -3, 60, 6));
            p.setBrush(QColor(40, 110, 255));
            p.drawEllipse(QPointF(0, -7), 5, 5);
            p.drawEllipse(QPointF(0, 7), 5, 5);
            p.setBrush(QColor(120, 170, 255, 110));
            p.drawEllipse(QPointF(0, 0), 26, 26);
        }
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

void drawSign(QPainter& p, const QString& name, QPointF at, double size)
{
    p.save();
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(at + QPointF(0, size / 2), at + QPointF(0, size / 2 + 10));
    p.translate(at - QPointF(size / 2, size / 2));
    p.scale(size / Signs::Size, size / Signs::Size);
    Signs::draw(name).paint(p);
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
    // stop lines where a sign makes the driver give way
    for (int arm = 0; arm < 4; ++arm) {
        if (!s.signs[arm].startsWith(QLatin1String("p4")) && !s.signs[arm].startsWith(QLatin1String("p6")))
            continue;
        const int heading = (arm + 2) % 4;
        const QPointF a = Centre + vec(arm) * (R + 4), b = a + laneOffset(heading) * 2;
        p.setPen(QPen(Qt::white, s.signs[arm].startsWith(QLatin1String("p6")) ? 6 : 4,
                      s.signs[arm].startsWith(QLatin1String("p6")) ? Qt::SolidLine : Qt::DashLine));
        p.drawLine(a, b);
    }
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
    if (s.pedestrian) {
        const QPointF at = Centre + along * (from + 18) + across * (-R * 0.6);
        p.setBrush(QColor(150, 40, 160));
        p.setPen(QPen(Qt::black, 1.5));
        p.drawEllipse(at, 10, 10);
        p.setBrush(QColor(240, 200, 170));
        p.drawEllipse(at, 5, 5);
        drawArrow(
            p,
            [&] {
                QPainterPath path(at + across * 12);
                path.lineTo(at + across * 40);
                return path;
            }(),
            QColor(150, 40, 160));
    }
    p.restore();
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
    drawZebra(p, s);
    for (int arm = 0; arm < 4; ++arm)
        if (!s.signs[arm].isEmpty() && !(s.layout == Layout::T && arm == 0)) {
            const int heading = (arm + 2) % 4;
            drawSign(p, s.signs[arm],
                     Centre + vec(arm) * (s.layout == Layout::Roundabout ? 2.1 * R + 30 : R + 42.0) +
                         laneOffset(heading) * 2.9,
                     46);
        }
    if (s.ringVehicle) {
        // in the ring on the west side, going round anticlockwise towards the south entry
        const double ring = 1.7 * R;
        const QPointF at = Centre + QPointF(-ring * std::cos(qDegreesToRadians(30.0)),
                                            ring * std::sin(qDegreesToRadians(30.0)));
        drawVehicle(p, at, 60, Vehicle{0, 'S', Blue});
        QPainterPath path(at);
        path.arcTo(QRectF(Centre.x() - ring, Centre.y() - ring, 2 * ring, 2 * ring), 220, 75);
        drawArrow(p, path, Blue);
    }
    for (const Vehicle& v : s.vehicles) {
        const int heading = (v.arm + 2) % 4;
        const int exitHeading = v.turn == 'L' ? heading + 3 : v.turn == 'R' ? heading + 1 : heading;
        const double dist = s.layout == Layout::Roundabout ? 2.1 * R + 30 : R + 50;
        const QPointF at = Centre + vec(v.arm) * dist + laneOffset(heading);
        const QPointF entry =
            Centre + vec(v.arm) * (s.layout == Layout::Roundabout ? 2.1 * R : R) + laneOffset(heading);
        QPainterPath path(at + vec(heading) * 34);
        path.lineTo(entry);
        if (s.layout == Layout::Straight) {
            path.lineTo(entry + vec(heading) * 150);
        } else if (s.layout == Layout::Roundabout) {
            // into the ring, round it anticlockwise, out at the exit
            const double ring = 1.7 * R;
            const int quarters = v.turn == 'R' ? 1 : v.turn == 'S' ? 2 : 3;
            const double start = 15.0 - angleOf(v.arm);
            path.arcTo(QRectF(Centre.x() - ring, Centre.y() - ring, 2 * ring, 2 * ring), start,
                       quarters * 90.0 - 25.0);
            const QPointF exit = Centre + vec(exitHeading) * (2.1 * R) + laneOffset(exitHeading);
            path.lineTo(exit);
            path.lineTo(exit + vec(exitHeading) * 30);
        } else {
            const QPointF exit = Centre + vec(exitHeading) * R + laneOffset(exitHeading);
            const QPointF corner = Centre + laneOffset(heading) + laneOffset(exitHeading);
            if (v.turn == 'S')
                path.lineTo(exit);
            else
                path.quadTo(corner, exit);
            path.lineTo(exit + vec(exitHeading) * 40);
        }
        drawArrow(p, path, v.colour == QColor(245, 245, 245) ? QColor(40, 110, 255) : v.colour);
        drawVehicle(p, at, angleOf(heading), v);
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
