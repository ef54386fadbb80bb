// The windowing application: the program's font and colours, Czech translations of Qt's own
// dialogs, and the last-resort catch of errors that escape an event handler.
#pragma once

#include <QApplication>

#include <thread>

class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

private:
    // Reads the system's font configuration and looks up the program's font beside the start-up,
    // so that the first text of the first window does not wait for it.
    std::thread m_fontWarmUp;
};
