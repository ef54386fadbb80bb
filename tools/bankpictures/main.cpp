// bankpictures: draws the sample bank's pictures (signs, traffic situations, topic-group pictures,
// category animation frames) into the bank folder. The files are committed; the builder only
// reads them.
//   bankpictures BANKDIR
#include "Scenes.h"
#include "Signs.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <map>

namespace {

bool save(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool saveImage(const QString& path, const QImage& img, const char* format)
{
    if (QByteArray(format) == "BMP") // an 8-bit palette keeps the bitmaps small
        return img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).save(path, "BMP");
    return img.save(path, format, 80);
}

QImage raster(const TMetafileWriter& m)
{
    QImage img(m.width(), m.height(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m.paint(p);
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: bankpictures BANKDIR\n";
        return 2;
    }
    const QDir bank(QString::fromLocal8Bit(argv[1]));
    bank.mkpath(QStringLiteral("pictures"));
    bank.mkpath(QStringLiteral("animations"));
    bool ok = true;

    // most signs as JPEG; a few as bitmaps and as both kinds of metafile
    const std::map<QString, QString> formats = {
        {"p4_dej_prednost", "emf"},
        {"p6_stop", "emf"},
        {"b2_zakaz_vjezdu", "emf"},
        {"b20a_50", "emf"},
        {"p2_hlavni", "emf"},
        {"p3_konec_hlavni", "wmf"},
        {"b1_zakaz_vjezdu_vsech", "wmf"},
        {"c2a_primo", "wmf"},
        {"ip11a_parkoviste", "wmf"},
        {"ip4b_jednosmerny", "bmp"},
        {"b28_zakaz_zastaveni", "bmp"},
        {"a12_deti", "bmp"},
        {"b20a_90", "bmp"},
    };
    for (const QString& name : Signs::names()) {
        const TMetafileWriter m = Signs::draw(name);
        const auto it = formats.find(name);
        const QString format = it == formats.end() ? QStringLiteral("jpg") : it->second;
        const QString path = bank.filePath(QStringLiteral("pictures/%1.%2").arg(name, format));
        if (format == QLatin1String("emf"))
            ok &= save(path, m.emf());
        else if (format == QLatin1String("wmf"))
            ok &= save(path, m.wmf());
        else
            ok &= saveImage(path, raster(m), format == QLatin1String("bmp") ? "BMP" : "JPEG");
    }
    for (const QString& name : Scenes::names()) {
        const bool bmp = name == QLatin1String("sit01");
        ok &= saveImage(bank.filePath(QStringLiteral("pictures/%1.%2").arg(name, bmp ? "bmp" : "jpg")),
                        Scenes::draw(name), bmp ? "BMP" : "JPEG");
    }

    const QStringList groups = {QStringLiteral("Pravidla provozu na pozemních komunikacích"),
                                QStringLiteral("Dopravní značky"),
                                QStringLiteral("Zásady bezpečné jízdy"),
                                QStringLiteral("Dopravní situace"),
                                QStringLiteral("Podmínky provozu vozidel"),
                                QStringLiteral("Předpisy související s provozem"),
                                QStringLiteral("Zdravotnická příprava")};
    for (int g = 1; g <= groups.size(); ++g)
        ok &= saveImage(bank.filePath(QStringLiteral("pictures/okruh%1.jpg").arg(g)),
                        Scenes::groupPicture(g, groups[g - 1]), "JPEG");

    // eight frames per category, bitmaps and JPEG images taking turns
    constexpr int frames = 8;
    for (const char* kind : {"motorka", "osobni", "nakladni", "autobus", "traktor", "osobni_privesem",
                             "nakladni_privesem", "autobus_privesem"})
        for (int f = 0; f < frames; ++f) {
            const bool bmp = f % 2 == 0;
            ok &= saveImage(bank.filePath(QStringLiteral("animations/%1_%2.%3")
                                              .arg(QLatin1String(kind))
                                              .arg(f + 1, 2, 10, QChar(u'0'))
                                              .arg(bmp ? QStringLiteral("bmp") : QStringLiteral("jpg"))),
                            Scenes::vehicleFrame(QLatin1String(kind), f, frames, QSize(160, 100)),
                            bmp ? "BMP" : "JPEG");
        }
    if (!ok) {
        err << "some pictures could not be written\n";
        return 1;
    }
    return 0;
}
