// The common base of every window of the program: borderless, skinned, reused for every
// opening, with the handlers FormActivate, FormCloseQuery and FormClose.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QRegion>
#include <QStringList>

class QLabel;
class QPushButton;
class TPlasmaForm;

class TForm : public QDialog
{
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    // Shows the window modally and returns when it closes: true when it closed with OK. Hiding the
    // window meanwhile (the main window does so around each command) does not end the modal run.
    bool ShowModal();
    // True while a modal window other than this one keeps the user from this window.
    bool blockedByModal() const { return m_blocked; }
    // Hides the window and ends its modal run at once, without the close handlers: for a run that
    // must not go on whatever its state (a test that left a window open uses it).
    void abandonModalRun();
    // Centres the window on the screen it is on.
    void centreOnScreen();
    // Gives the window its look: the named skin's background picture and shape. Without a skin
    // of that name the window gets a plain background of the program's colour at `size`.
    void setSkin(const QString& skinName, QSize size);
    QString skinName() const { return m_skinName; }
    // Starts decoding these pictures of the program's resources (skinPicturePath() and the like)
    // on a thread of their own, ahead of the first paint of the windows that show them.
    static void preparePictures(const QStringList& resourcePaths);

    // A standard button outside the visible area: Enter anywhere runs `onEnter`.
    QPushButton* addHiddenDefaultButton(const QString& caption);
    // A standard button outside the visible area: Esc closes the window with Cancel.
    QPushButton* addHiddenCancelButton(const QString& caption);

    // A bold label on `parent` at `geometry`, in the parent's font or at `pixelSize` where one is
    // given: the headings and captions of the windows.
    static QLabel* boldLabel(const QString& text, QWidget* parent, const QRect& geometry, int pixelSize = 0);

    // The program's window colour (205, 179, 115).
    static QColor windowColour();
    // The light cream of the message, result and help windows and the information panel, whose
    // buttons take it as their fill.
    static QColor lightWindowColour();

    // The skinned background of the window; none for a window that takes only a shape.
    TPlasmaForm* plasmaForm() const { return m_plasma; }
    // Where the named skin's picture and shape live among the program's resources.
    static QString skinPicturePath(const QString& skinName);
    static QString skinShapePath(const QString& skinName);

protected:
    // Runs each time the window becomes the active window.
    virtual void FormActivate() {}
    // True while FormActivate runs for the first activation since the window was last opened with
    // ShowModal: steps that set the window up belong to the opening, and coming back to the window
    // (from a message or another program) must not undo what the user chose meanwhile.
    bool firstActivationOfOpening() const { return !m_activatedInOpening; }
    // May keep the window open by returning false; asked before every close.
    virtual bool FormCloseQuery() { return true; }
    // Runs on every close, whatever closed the window.
    virtual void FormClose() {}

    void done(int result) override;
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    // A letter that no control took may be the accelerator of one of the window's buttons.
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString m_skinName;
    TPlasmaForm* m_plasma = nullptr; // a child of the window
    QRegion m_shape;
    bool m_closing = false;
    bool m_blocked = false;
    bool m_activatedInOpening = false;
    class QEventLoop* m_modalLoop = nullptr;
};
