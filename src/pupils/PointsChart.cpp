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
    QString problem;
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
    for (const QString& dir : dirs) {
        // never unloaded: the charts it made may live to the end of the program
        QLibrary library(QDir(dir).filePath(QLatin1String(PointsChart::ModuleName)));
        library.setLoadHints(QLibrary::PreventUnloadHint);
        if (!library.load()) {
            m.problem = library.errorString();
            continue;
        }
        m.make = reinterpret_cast<PointsChart::TMake>(library.resolve(PointsChart::MakeSymbol));
        if (m.make)
            break;
        m.problem = library.errorString();
    }
    return m;
}
} // namespace

namespace PointsChart {

std::unique_ptr<TPointsChart> make(QWidget* parent)
{
    const TModule& m = module();
    return std::unique_ptr<TPointsChart>(m.make ? m.make(parent) : nullptr);
}

QString lastProblem()
{
    return module().problem;
}

} // namespace PointsChart
