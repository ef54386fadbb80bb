// The windowing application.
#include "Application.h"

#include "data/Platform.h"
#include "widgets/Guard.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Ferdano"));
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    auto* qtTranslator = new QTranslator(this);
    if (qtTranslator->load(QLocale(QLocale::Czech), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTranslator);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    // The font database is safe to use from any thread; the first use reads every font file's
    // description, which is most of the work before the first window can show any text.
    if (Platform::threadsMayEnd())
        m_fontWarmUp = std::thread([font] {
            QFontDatabase::families();
            QFontMetrics(font).horizontalAdvance(QStringLiteral("Přihlášení"));
        });
    setFont(font);
}

TApplication::~TApplication()
{
    if (m_fontWarmUp.joinable())
        m_fontWarmUp.join();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
