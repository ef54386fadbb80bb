// The chart of a pupil's live-test points, drawn with Qt Charts: the module's only entry makes it.
#include "pupils/PointsChart.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace {
const QColor PointsColour(30, 70, 160);
const QColor PassLineColour(170, 20, 20);

class TQtPointsChart final : public TPointsChart
{
public:
    explicit TQtPointsChart(QWidget* parent) : m_view(new QChartView(parent))
    {
        m_view->setRenderHint(QPainter::Antialiasing);
    }
    QWidget* widget() override { return m_view; }
    void show(const TPointsChartData& data) override;

private:
    QChartView* m_view;
};

void TQtPointsChart::show(const TPointsChartData& data)
{
    auto* chart = new QChart;
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto* points = new QLineSeries(chart);
    points->setName(data.seriesName);
    points->setPointsVisible(true);
    points->setPen(QPen(PointsColour, 2));
    auto* passLine = new QLineSeries(chart);
    passLine->setName(data.passLineName);
    passLine->setPen(QPen(PassLineColour, 2, Qt::DashLine));

    const QVector<Progress::TLiveTest>& tests = data.tests;
    int top = std::max(data.minimum, 1);
    for (const Progress::TLiveTest& t : tests) {
        points->append(double(t.when.toMSecsSinceEpoch()), t.points);
        top = std::max({top, t.points, t.total});
    }
    QDateTime first = tests.isEmpty() ? data.now.addDays(-Progress::RecentDays) : tests.first().when;
    QDateTime last = tests.isEmpty() ? data.now : tests.last().when;
    if (first.secsTo(last) < 24 * 3600) { // a single day still gets some width
        first = first.addSecs(-12 * 3600);
        last = last.addSecs(12 * 3600);
    }
    passLine->append(double(first.toMSecsSinceEpoch()), data.minimum);
    passLine->append(double(last.toMSecsSinceEpoch()), data.minimum);
    chart->addSeries(points);
    chart->addSeries(passLine);

    auto* dates = new QDateTimeAxis(chart);
    dates->setFormat(QStringLiteral("d. M. yy"));
    dates->setTitleText(data.dateAxisTitle);
    dates->setRange(first, last);
    dates->setTickCount(std::clamp(int(tests.size()), 2, 8));
    auto* values = new QValueAxis(chart);
    values->setTitleText(data.pointsAxisTitle);
    values->setRange(0, top + 2);
    values->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    for (QLineSeries* s : {points, passLine}) {
        s->attachAxis(dates);
        s->attachAxis(values);
    }

    QChart* old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}
} // namespace

extern "C" Q_DECL_EXPORT TPointsChart* ferdano_make_points_chart(QWidget* parent)
{
    return new TQtPointsChart(parent);
}
