// The windowing application.
#include "Application.h"

#include "widgets/Guard.h"

#include <QFont>
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
    setFont(font);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
