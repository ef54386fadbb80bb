// Shared set-up of the fuzz targets: a GUI application without a screen, for the code that
// draws (metafiles, pictures) or needs Qt's text machinery.
#pragma once

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

inline void FuzzInitApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

inline QByteArray FuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
