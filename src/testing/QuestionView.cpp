// The question, its answers and its picture in the test window.
#include "QuestionView.h"

#include "Artwork.h"
#include "Evaluation.h"
#include "ImageZoom.h"
#include "TestMode.h"
#include "WrapCheckBox.h"
#include "data/DataModule.h"
#include "data/DataSet.h"
#include "data/Error.h"
#include "pictures/Picture.h"
#include "data/Strings.h"
#include "widgets/Guard.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace {
const QPoint FramePos(24, 84);
const QPoint PanelPos(28, 88);
const QSize ViewSize(280, 180);
// The answers' area; an explanation takes its lower part.
const QRect AnswersArea(24, 288, 606, 210);
const int ExplanationGap = 6;
const int ExplanationMaxHeight = 100;
// Longer texts are cut: the box shows a few lines.
const int ExplanationMaxChars = 4000;

QScrollArea* makeScrollBox(QWidget* parent, const QString& name, const QString& accessibleName,
                           QRect geometry)
{
    auto* box = new QScrollArea(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setGeometry(geometry);
    box->setFocusPolicy(Qt::NoFocus);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setFrameShape(QFrame::StyledPanel);
    box->setWidgetResizable(false);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, QColor(250, 246, 232));
    box->setPalette(pal);
    box->viewport()->setAutoFillBackground(true);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    box->setWidget(content);
    return box;
}

// The width inside a scroll box, with room kept for the scroll bar that appears for long texts
// (the viewport has no size of its own before the window is first shown).
int contentWidth(const QScrollArea* box)
{
    return box->width() - 2 * box->frameWidth() - box->verticalScrollBar()->sizeHint().width();
}
} // namespace

TQuestionView::TQuestionView(QWidget* window) : QObject(window)
{
    buildPicture(window);
    buildTexts(window);
    buildExplanation(window);
}

void TQuestionView::buildPicture(QWidget* window)
{
    // The picture, its frame behind it, and the placeholder for questions without one.
    Image1 = new QLabel(window);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap::fromImage(Artwork::pictureFrame()));
    Image1->setAccessibleName(Str::PictureName);
    Image1->setGeometry(QRect(FramePos, QSize(290, 190)));
    BMPPanel = new QFrame(window);
    BMPPanel->setObjectName(QStringLiteral("BMPPanel"));
    BMPPanel->setAccessibleName(Str::PictureName);
    BMPPanel->setGeometry(QRect(PanelPos, QSize(282, 182)));
    BMPPanel->setAutoFillBackground(true);
    QPalette panelPal = BMPPanel->palette();
    panelPal.setColor(QPalette::Window, QColor(60, 50, 30));
    BMPPanel->setPalette(panelPal);
    BMPImage = new QLabel(BMPPanel);
    BMPImage->setObjectName(QStringLiteral("BMPImage"));
    BMPImage->setScaledContents(true);
    BMPImage->setAccessibleName(Str::PictureName);
    BMPImage->setGeometry(QRect(QPoint(0, 0), ViewSize));
    BMPImage->installEventFilter(this);
    Image2 = Artwork::placeholderPicture();
}

void TQuestionView::buildTexts(QWidget* window)
{
    QFont bold = window->font();
    bold.setBold(true);
    ScrollBox1 =
        makeScrollBox(window, QStringLiteral("ScrollBox1"), Str::QuestionTextName, QRect(330, 84, 300, 190));
    LabelQuestion = new TWrapCheckBox(ScrollBox1->widget());
    LabelQuestion->setObjectName(QStringLiteral("LabelQuestion"));
    LabelQuestion->setShowIndicator(false);
    LabelQuestion->setCheckable(false);
    LabelQuestion->setFocusPolicy(Qt::NoFocus);
    LabelQuestion->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont questionFont = bold;
    questionFont.setPixelSize(14);
    LabelQuestion->setFont(questionFont);
    LabelQuestion->setGeometry(4, 4, 276, 20);

    ScrollBox2 =
        makeScrollBox(window, QStringLiteral("ScrollBox2"), Str::AnswersName, AnswersArea);
    QFont answerFont = window->font();
    answerFont.setPixelSize(13);
    for (int k = 0; k < 4; ++k) {
        auto* box = new TWrapCheckBox(ScrollBox2->widget());
        box->setObjectName(QStringLiteral("LabelAnswer%1").arg(k + 1));
        box->setFocusPolicy(Qt::NoFocus);
        box->setFont(answerFont);
        box->setGeometry(6, 6, 574, 20);
        box->setChangeHandler([this] { emit answerChanged(); });
        LabelAnswer[k] = box;
    }
}

void TQuestionView::buildExplanation(QWidget* window)
{
    ScrollBox3 = makeScrollBox(window, QStringLiteral("ScrollBox3"), Str::ExplanationName,
                               QRect(AnswersArea.left(), AnswersArea.bottom(), AnswersArea.width(), 0));
    QPalette pal = ScrollBox3->palette();
    pal.setColor(QPalette::Window, QColor(236, 244, 250));
    ScrollBox3->setPalette(pal);
    QFont font = window->font();
    font.setPixelSize(13);
    QFont bold = font;
    bold.setBold(true);
    ExplanationLb = new QLabel(Str::ExplanationHeading, ScrollBox3->widget());
    ExplanationLb->setObjectName(QStringLiteral("ExplanationLb"));
    ExplanationLb->setFont(bold);
    ExplanationLb->setGeometry(8, 6, 90, 18);
    LabelExplanation = new QLabel(ScrollBox3->widget());
    LabelExplanation->setObjectName(QStringLiteral("LabelExplanation"));
    LabelExplanation->setFont(font);
    LabelExplanation->setTextFormat(Qt::PlainText); // the bank's text, never markup
    LabelExplanation->setWordWrap(true);
    LabelExplanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ExplanationLb->setBuddy(LabelExplanation);
    ScrollBox3->hide();
}

void TQuestionView::showExplanation()
{
    if (m_mode == tmPractice || m_mode == tmLive || m_mode == tmErrorTest || m_questionId == 0)
        return;
    QString text;
    // An unreadable explanation, like an unreadable picture, never stops the run.
    try {
        text = DM->Explanation(m_questionId);
    } catch (const TError&) {
        text.clear();
    }
    if (text.isEmpty()) {
        hideExplanation();
        return;
    }
    if (text.size() > ExplanationMaxChars)
        text = text.left(ExplanationMaxChars) + QStringLiteral("…");
    LabelExplanation->setText(text);
    const int width = contentWidth(ScrollBox3) - 104;
    LabelExplanation->setGeometry(100, 6, width, LabelExplanation->heightForWidth(width));
    const int needed = std::max(LabelExplanation->height(), ExplanationLb->height()) + 12;
    const int height = std::min(needed + 2 * ScrollBox3->frameWidth(), ExplanationMaxHeight);
    ScrollBox3->widget()->resize(contentWidth(ScrollBox3), needed);
    ScrollBox3->setGeometry(AnswersArea.left(), AnswersArea.bottom() + 1 - height, AnswersArea.width(), height);
    ScrollBox3->setAccessibleDescription(text);
    ScrollBox2->setGeometry(AnswersArea.adjusted(0, 0, 0, -(height + ExplanationGap)));
    layoutAnswers(m_answerGap);
    ScrollBox3->verticalScrollBar()->setValue(0);
    ScrollBox3->show();
}

void TQuestionView::hideExplanation()
{
    ScrollBox3->hide();
    LabelExplanation->clear();
    ScrollBox3->setAccessibleDescription(QString());
    ScrollBox2->setGeometry(AnswersArea);
}

QString TQuestionView::shownExplanation() const
{
    return ScrollBox3->isHidden() ? QString() : LabelExplanation->text();
}

void TQuestionView::setAnswerHandlersAttached(bool attached)
{
    for (TWrapCheckBox* box : LabelAnswer) {
        if (attached)
            box->attachChangeHandler();
        else
            box->detachChangeHandler();
    }
}

void TQuestionView::showQuestion(const TDataSet* set, int mode, bool showAnswerNow, int answerGap)
{
    setAnswerHandlersAttached(false);
    auto reattach = qScopeGuard([this] { setAnswerHandlersAttached(true); });
    m_mode = mode;
    m_answerGap = answerGap;
    m_questionId = set ? set->asInteger(QStringLiteral("ID_OTAZKA")) : 0;
    hideExplanation();
    const QString ticks = TickPattern(set ? set->asString(QStringLiteral("CC")) : QString());
    for (int k = 0; k < 4; ++k) {
        LabelAnswer[k]->setFontColour(Qt::black);
        LabelAnswer[k]->setChecked(ticks[k] == u'1');
    }

    LabelQuestion->setCaption(set ? JoinMemoLines(set->asString(QStringLiteral("OTAZKA"))) : QString());
    const int questionWidth = contentWidth(ScrollBox1);
    LabelQuestion->setGeometry(4, 4, questionWidth - 8, LabelQuestion->neededHeight(questionWidth - 8) + 5);
    ScrollBox1->widget()->resize(questionWidth, LabelQuestion->height() + 8);
    ScrollBox1->verticalScrollBar()->setValue(0);

    int answerCount = 0;
    if (set) {
        DM->QOdpoved->close();
        DM->QOdpoved->setParam(QStringLiteral("ID_OTAZKA"), set->asInteger(QStringLiteral("ID_OTAZKA")));
        DM->QOdpoved->open();
        answerCount = DM->QOdpoved->recordCount();
    }
    for (int k = 0; k < 4; ++k)
        fillAnswerBox(k, answerCount);
    layoutAnswers(answerGap);

    const QString correct = set ? CorrectPattern(set->asString(QStringLiteral("AA"))) : QString();
    if (set && mode == tmBrowse && showAnswerNow)
        showCorrectAnswers(correct, true);
    if (set && mode == tmReview)
        showCorrectAnswers(correct, false);
    reattach.dismiss();
    setAnswerHandlersAttached(true);

    // The texts are painted before a large picture is decoded.
    if (ScrollBox1->isVisible()) {
        ScrollBox1->repaint();
        ScrollBox2->repaint();
    }
    const bool zoomable = set && set->asInteger(QStringLiteral("ID_OKRUH")) == 4;
    loadPicture(set ? set->asInteger(QStringLiteral("ID_PICT")) : 0, zoomable);
}

void TQuestionView::fillAnswerBox(int k, int answerCount)
{
    TWrapCheckBox* box = LabelAnswer[k];
    // A question with fewer answers hides the surplus boxes.
    if (k >= answerCount) {
        box->setCaption(QString());
        box->hide();
        return;
    }
    if (k > 0)
        DM->QOdpoved->next();
    box->setCaption(Str::AnswerPrefixes[k] +
                    JoinMemoLines(DM->QOdpoved->asString(QStringLiteral("TEXT_ODP"))));
    box->show();
}

void TQuestionView::layoutAnswers(int answerGap)
{
    int top = 6;
    const int width = contentWidth(ScrollBox2) - 8;
    for (TWrapCheckBox* box : LabelAnswer) {
        if (box->isHidden())
            continue;
        box->setGeometry(6, top, width, box->neededHeight(width) + answerGap);
        top += box->height();
    }
    ScrollBox2->widget()->resize(contentWidth(ScrollBox2), top + 4);
    ScrollBox2->verticalScrollBar()->setValue(0);
}

void TQuestionView::showCorrectAnswers(const QString& correctPattern, bool tick)
{
    for (int k = 0; k < 4; ++k) {
        const bool correct = k < correctPattern.size() && correctPattern[k] == u'1';
        if (tick)
            LabelAnswer[k]->setChecked(correct);
        if (correct) {
            LabelAnswer[k]->setFontColour(QColor(255, 0, 0));
            LabelAnswer[k]->repaint();
        }
    }
    showExplanation();
}

void TQuestionView::loadPicture(int id, bool zoomable)
{
    Picture::Decoded decoded;
    QByteArray bytes;
    if (id != 0) {
        // Every failure to read the picture shows the placeholder; the run goes on.
        try {
            DM->QBmp->close();
            DM->QBmp->setParam(QStringLiteral("ID_PICT"), id);
            DM->QBmp->open();
            if (!DM->QBmp->isEmpty()) {
                bytes = DM->QBmp->asBytes(QStringLiteral("BMP"));
                decoded = Picture::decode(bytes, ViewSize);
            }
        } catch (const TError&) {
            decoded = Picture::Decoded();
        }
    }
    const bool readable = decoded.ok() && !decoded.fullSize.isEmpty();
    m_viewImage = readable ? decoded.image : Image2;
    m_pictureBytes = readable ? bytes : QByteArray();
    m_pictureSize = readable ? decoded.fullSize : Image2.size();
    m_pictureClickable = readable && zoomable;
    const QSize fit = FitPicture(m_pictureSize);
    BMPPanel->setGeometry(QRect(PanelPos, fit + QSize(2, 2)));
    Image1->setGeometry(QRect(FramePos, FrameSize(fit)));
    BMPImage->setGeometry(QRect(QPoint(0, 0), fit));
    BMPImage->setPixmap(QPixmap::fromImage(m_viewImage));
    if (m_pictureClickable)
        BMPImage->setCursor(Artwork::zoomInCursor());
    else
        BMPImage->unsetCursor();
}

void TQuestionView::setAnswersEnabled(bool enabled)
{
    for (TWrapCheckBox* box : LabelAnswer)
        box->setEnabled(enabled);
}

void TQuestionView::invertAnswer(int k)
{
    TWrapCheckBox* box = LabelAnswer[k];
    if (box->isEnabled() && !box->isHidden())
        box->setChecked(!box->isChecked());
}

QString TQuestionView::tickPattern() const
{
    QString pattern;
    for (TWrapCheckBox* box : LabelAnswer)
        pattern += box->isChecked() ? u'1' : u'0';
    return pattern;
}

void TQuestionView::restoreZoomCursor()
{
    if (m_pictureClickable)
        BMPImage->setCursor(Artwork::zoomInCursor());
}

bool TQuestionView::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == BMPImage && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        BMPImageClick();
        return true;
    }
    return QObject::eventFilter(watched, e);
}

void TQuestionView::BMPImageClick()
{
    Guarded([&] {
        if (!m_pictureClickable || m_zoomOpen)
            return;
        // The full-size picture is decoded only now, for the enlarged view.
        Picture::Decoded full = Picture::decode(m_pictureBytes);
        QImage image = full.ok() ? full.image : m_viewImage.scaled(m_pictureSize);
        TImageZoom zoom(qobject_cast<QWidget*>(parent()));
        zoom.setPicture(image);
        zoom.centreOnScreen();
        m_zoomOpen = true;
        auto reset = qScopeGuard([this] {
            m_zoomOpen = false;
            restoreZoomCursor();
        });
        zoom.ShowModal();
    });
}
