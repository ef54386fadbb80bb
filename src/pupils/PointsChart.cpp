// Loading the chart module.
#include "PointsChart.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {
struct TModule
{
    bool tried = false;
    PointsChart::TMake make = nullptr;
};

TModule& module()
{
    static TModule m;
    if (m.tried)
        return m;
    m.tried = true;
    QStringList dirs;
    if (const QString dir = qEnvironmentVariable("FERDANO_MODULE_DIR"); !dir.isEmpty())
        dirs.append(dir);
    dirs.append(QCoreApplication::applicationDirPath());
    QString problem;
    for (const QString& dir : dirs) {
        // never unloaded: the charts it made may live to the end of the program
        QLibrary library(QDir(dir).filePath(QLatin1String(PointsChart::ModuleName)));
        library.setLoadHints(QLibrary::PreventUnloadHint);
        if (!library.load()) {
            problem = library.errorString();
            continue;
        }
        m.make = reinterpret_cast<PointsChart::TMake>(library.resolve(PointsChart::MakeSymbol));
        if (m.make)
            return m;
        problem = library.errorString();
    }
    // for whoever started the program from a terminal: why the window shows no chart
    qWarning("ferdano: no chart module: %s", qUtf8Printable(problem));
    return m;
}
} // namespace

namespace PointsChart {

std::unique_ptr<TPointsChart> make(QWidget* parent)
{
    const TModule& m = module();
    return std::unique_ptr<TPointsChart>(m.make ? m.make(parent) : nullptr);
}

} // namespace PointsChart
