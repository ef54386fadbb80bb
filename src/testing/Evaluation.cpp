// The rules of a test that need no window.
#include "Evaluation.h"

#include "data/DataSet.h"
#include "data/Format.h"
#include "data/Strings.h"

#include <QLocale>

#include <cmath>

QString AnswerLetters(const QString& pattern)
{
    static const QString letters = QStringLiteral("abcdefgh");
    QString out;
    for (int i = 0; i < pattern.size() && i < letters.size(); ++i)
        if (pattern[i] == u'1') out += letters[i];
    return out;
}

QString TickPattern(const QString& cc)
{
    return (cc + QStringLiteral("0000")).left(4);
}

QString CorrectPattern(const QString& aa)
{
    return aa.isEmpty() ? QStringLiteral("0000") : aa;
}

int CountTicked(const QString& cc)
{
    const QString p = TickPattern(cc);
    int n = 0;
    for (QChar c : p)
        if (c.isDigit()) n += c.digitValue();
    return n;
}

bool AnsweredCorrectly(const QString& cc, const QString& aa)
{
    return cc.left(4) == aa.left(4);
}

QString JoinMemoLines(const QString& memo)
{
    QString text = memo;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n')) text.chop(1);
    if (text.isEmpty()) return QString();
    QString out;
    for (const QString& line : text.split(u'\n'))
        out += u' ' + line;
    return out;
}

QSize FitPicture(QSize own)
{
    const int w0 = own.width();
    const int h0 = own.height();
    if (w0 <= 0 || h0 <= 0) return QSize(0, 0);
    qint64 w = w0;
    qint64 h = h0;
    if (w > 280) {
        h = h * 280 / w0;
        w = 280;
    }
    if (h > 180) {
        w = qint64(w0) * 180 / h0;
        h = 180;
    }
    return QSize(int(w), int(h));
}

QSize FrameSize(QSize fitted)
{
    return QSize(fitted.width() * 290 / 280, fitted.height() * 190 / 180);
}

QPoint ZoomPlacement(QSize own)
{
    return QPoint((460 - own.width()) / 2 + 40, (230 - own.height()) / 2 + 30);
}

QString EvaluationLine(bool right, int ordinal, const QString& pupilPattern, const QString& correctPattern,
                       int points)
{
    return Format(right ? Str::RightLine : Str::WrongLine,
                  {ordinal, AnswerLetters(pupilPattern), AnswerLetters(correctPattern), points});
}

bool TestPassed(int gained, int passMinimum, int mandatoryMissed)
{
    return gained >= passMinimum && mandatoryMissed == 0;
}

QStringList VerdictLines(int gained, int passMinimum, int mandatoryMissed)
{
    const QString indent = QStringLiteral("      ");
    if (gained < passMinimum) return {QString(), indent + Str::VerdictFailed};
    if (mandatoryMissed != 0)
        return {QString(), indent + Str::VerdictFailed, QString(), indent + Str::MandatoryMissed};
    return {QString(), Str::VerdictPassed};
}

TVerdict LiveVerdict(int gained, int total, int passMinimum, int mandatoryMissed)
{
    if (gained == total) return {Str::VerdictPassed, QString()};
    if (gained < passMinimum) return {Str::VerdictFailed, QString()};
    if (mandatoryMissed != 0) return {Str::VerdictFailed, Str::MandatoryMissed};
    return {Str::VerdictPassed, QString()};
}

TEvaluation EvaluateQuestionSet(TDataSet& set, int mandatoryGroup, int passMinimum, const TAnswerStore& store)
{
    TEvaluation ev;
    int ordinal = 0;
    set.first();
    while (!set.isEmpty() && !set.eof()) {
        ++ordinal;
        const int points = set.asInteger(QStringLiteral("BB"));
        ev.total += points;
        const QString cc = set.asString(QStringLiteral("CC"));
        const QString a = set.asString(QStringLiteral("AA")).left(4);
        const QString c = cc.left(4);
        const int questionId = set.asInteger(QStringLiteral("ID_OTAZKA"));
        if (c == a) {
            ev.lines << EvaluationLine(true, ordinal, c, a, points);
            if (store) store(true, questionId, cc);
            ev.gained += points;
            set.remove();
        } else {
            ev.lines << EvaluationLine(false, ordinal, c, a, points);
            if (store) store(false, questionId, cc);
            if (set.asInteger(QStringLiteral("ID_OKRUH")) == mandatoryGroup) ++ev.mandatoryMissed;
            set.next();
        }
    }
    ev.lines << VerdictLines(ev.gained, passMinimum, ev.mandatoryMissed);
    return ev;
}

QString ReportDateTime(const QDateTime& when)
{
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    return czech.toString(when.date(), QLocale::ShortFormat) + u' ' +
           when.time().toString(QStringLiteral("H:mm:ss"));
}

QStringList ComposeReport(const QString& fullName, const QString& category, const QDateTime& when,
                          const QString& caption, const QStringList& evaluationLines, int total, int gained)
{
    QStringList r;
    r << fullName << QStringLiteral("   ") << Str::ReportCategory + category
      << Str::ReportDate + ReportDateTime(when) << Str::ReportTest + caption << QStringLiteral("   ")
      << Str::ReportHeader1 << Str::ReportHeader2 << Str::ReportRule;
    r << evaluationLines;
    r << Str::ReportRule << Format(Str::ReportTotal, {gained, total});
    return r;
}

int RemainingSeconds(int limitSecs, const QDateTime& start, const QDateTime& now)
{
    const double elapsed = double(start.msecsTo(now)) / 1000.0;
    const double remaining = std::nearbyint(double(limitSecs) - elapsed);
    return remaining < 0 ? 0 : int(remaining);
}

QString CountdownText(int remainingSecs)
{
    const int minutes = remainingSecs / 60;
    const int seconds = remainingSecs % 60;
    return Format(Str::TimeLeft,
                  {QString::number(minutes), QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0'))});
}
