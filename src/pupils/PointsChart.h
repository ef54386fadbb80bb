// The chart of a pupil's live-test points over time. It is drawn with Qt Charts in a module of its
// own (ferdano_chart beside the program), loaded when a chart is first wanted: the program does not
// load Qt Charts at its start, and a build without Qt Charts (or an installation without the
// module) still shows everything else of the statistics window.
#pragma once

#include "data/Progress.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <memory>

class QWidget;

// What the chart shows, its texts included (the module has no string table of its own).
struct TPointsChartData
{
    QVector<Progress::TLiveTest> tests; // the oldest first
    int minimum = 0;
    QDateTime now;
    QString seriesName, passLineName, dateAxisTitle, pointsAxisTitle;
};

class TPointsChart
{
public:
    virtual ~TPointsChart() = default;
    // The chart's widget, a child of the parent given at its making.
    virtual QWidget* widget() = 0;
    virtual void show(const TPointsChartData& data) = 0;
};

namespace PointsChart {
// The module's entry: makes a chart in `parent`.
using TMake = TPointsChart* (*)(QWidget* parent);
inline constexpr const char* MakeSymbol = "ferdano_make_points_chart";
inline constexpr const char* ModuleName = "ferdano_chart";

// A chart in `parent`; nullptr when the module cannot be loaded (why is said once on standard
// error). The module is looked for in FERDANO_MODULE_DIR when that is set, then beside the program.
std::unique_ptr<TPointsChart> make(QWidget* parent);
} // namespace PointsChart
