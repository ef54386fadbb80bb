// The panel beside the test window: clock, date, and either the countdown of a timed test or
// the ticker over the program's messages.
#pragma once

#include "widgets/Form.h"

#include <QDateTime>

class QLabel;
class QProgressBar;
class QScrollArea;
class QTimer;
class QWidget;
class TDsFancyButton;

class TInfoDlg : public TForm
{
    Q_OBJECT
public:
    explicit TInfoDlg(QWidget* parent = nullptr);
    ~TInfoDlg() override;

    // Shows the countdown panel with a limit, the ticker without one.
    void setTimeLimit(quint16 limitSecs);
    // Starts the countdown from now (once per run).
    void StartCountdown();
    // Forgets every earlier run: hidden, stopped, no time limit and no countdown until the test
    // window hands them over.
    void ResetForRun();
    // Shows the panel beside its test window (not modal) and starts its tick.
    void ShowPanel();
    // Hides the panel and stops its tick: the test window closed or scored.
    void ClosePanel();
    // Holds the tick (clock, countdown, ticker) while the test window scores, so that the
    // countdown cannot strike meanwhile; the time limit still runs from the test's start.
    void PauseCountdown();
    // Lets the tick go on after PauseCountdown(), if it ran before.
    void ResumeCountdown();
    // True while the panel ticks.
    bool isTicking() const;

    // Which of the program's messages the ticker shows.
    quint16 messageIndex() const { return MessageIndex; }
    // How often the panel has sounded the beep (tests).
    int beepCount() const { return m_beeps; }
    int scrollPosition() const;

signals:
    // The countdown reached zero: the test is over.
    void countdownExpired();

public slots:
    void Timer1Timer();
    void YesBtnClick();

protected:
    void FormActivate() override;

private:
    void buildCountdown(const QFont& bold);
    void buildTicker(const QFont& bold);
    void tickCountdown(const QDateTime& now);
    void tickTicker();
    void restartTicker();
    void setTickerText(const QString& text);

    quint16 TimeLimitSecs = 0;
    QDateTime StartTime;
    QDateTime EndTime;
    quint16 MessageIndex = 0;

    QLabel* Label1;  // ticker text
    QLabel* Label2;  // clock
    QLabel* Label3;  // date
    QWidget* Panel2; // ticker
    QWidget* Panel3; // countdown
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;  // start time
    QLabel* Label7;  // end time
    QLabel* Label8;  // remaining time
    QLabel* Label9;  // time up, red
    QLabel* Label10; // time up, black copy beneath
    QProgressBar* Gauge1;
    QScrollArea* ScrollBox1;
    TDsFancyButton* YesBtn;
    QTimer* Timer1;

    int m_beeps = 0;
    bool m_pausedWhileTicking = false;
};
