// The windowing application: the program's font and colours, Czech translations of Qt's own
// dialogs, and the last-resort catch of errors that escape an event handler.
#pragma once

#include <QApplication>

class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
