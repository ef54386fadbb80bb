// The floor of the start-up and memory benchmarks: a bare Qt program that shows one window of the
// main window's size, prints the same marker after its first paint and ends. With
// FERDANO_BARE_TEXT=1 the window also draws one line of text in the program's font.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {
class TBareWindow final : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_text) {
            QPainter p(this);
            QFont f(QStringLiteral("Arial"));
            f.setPixelSize(13);
            p.setFont(f);
            p.drawText(40, 60, QStringLiteral("Testy z pravidel silničního provozu"));
        }
        if (m_painted)
            return;
        m_painted = true;
        QTimer::singleShot(0, [] {
            std::fputs("ferdano: main window painted\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }

private:
    bool m_painted = false;
    const bool m_text = qEnvironmentVariableIntValue("FERDANO_BARE_TEXT") == 1;
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TBareWindow w;
    w.resize(640, 480);
    w.show();
    return app.exec();
}
