// The floor of the start-up and memory benchmarks: a bare Qt program that shows one window of the
// main window's size, prints the same marker after its first paint and ends.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {
class TBareWindow final : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
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
