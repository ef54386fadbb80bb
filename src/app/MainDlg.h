// The main window: title, version line, user line, logo, link and the column of commands.
#pragma once

#include "widgets/Form.h"

#include <QUrl>

#include <functional>

class QLabel;
class TDsFancyButton;

class TMainDlg : public TForm
{
    Q_OBJECT
public:
    explicit TMainDlg(QWidget* parent = nullptr);
    ~TMainDlg() override;

    static const QString SkinName;
    // The built-in logo, shown unless a logo picture lies beside the program.
    static const QString LogoPath;

    QLabel* versionLabel() const { return m_version; }
    QLabel* userLabel() const { return m_user; }
    QLabel* logo() const { return m_logo; }
    QLabel* linkLabel() const { return m_link; }
    QUrl linkUrl() const { return m_linkUrl; }
    TDsFancyButton* button(int n) const;

    // Reads "Logo.bmp" and "logo.url" from the given directory (the program's, at creation).
    void FormCreate(const QString& programDir);

    // The commands of the buttons.
    void DsFancyButton1Click(); // Prohlížení otázek
    void DsFancyButton2Click(); // Testy s nápovědou
    void DsFancyButton3Click(); // Zkušební testy
    void DsFancyButton4Click(); // Ostré testy
    void DsFancyButton5Click(); // Chybové testy
    void DsFancyButton6Click(); // Evidence žáků
    void DsFancyButton7Click(); // Přihlášení
    void DsFancyButton8Click(); // Konec

    // Work of the start-up that may wait until the main window is on screen: it runs once, right
    // after the window's first paint, and in any case before the sign-in and every command.
    void setStartUpWork(std::function<void()> work) { m_startUpWork = std::move(work); }
    void finishStartUp();

    // Runs a command's dialog with the main window hidden.
    template <typename F> void runHidden(F&& body)
    {
        finishStartUp();
        hide();
        body();
        show();
        signInAgainIfLost();
    }

protected:
    void FormActivate() override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Esc does not end the program: only "&Konec" and a cancelled first sign-in do.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void deferredSignIn();
    // The pupil's sign-in went to another station while this one lost its connection or lock
    // file: nobody may go on under the pupil's name, so the station asks for a sign-in again
    // (cancelled, the program ends, as at the first sign-in).
    void signInAgainIfLost();
    QLabel* m_version;
    QLabel* m_user;
    QLabel* m_logo;
    QLabel* m_link;
    QUrl m_linkUrl;
    QVector<TDsFancyButton*> m_buttons;
    bool m_activatedOnce = false;
    bool m_inCommand = false;
    bool m_painted = false;
    std::function<void()> m_startUpWork;
};

extern TMainDlg* MainDlg;
