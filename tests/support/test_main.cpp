// Entry point of every test program: the program's own application object
// on Qt's offscreen platform, and the settings of the program pointed at a
// folder of the run's own, so that no test reads or writes the user's real
// settings.
#include "app/aplicacion.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "entorno.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A zone with summer time, whose skipped hour no value of the server's
    // may fall into.
    qputenv("TZ", "Europe/Madrid");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    AplicacionTolvek app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    UsaMensajesInesperados();
    return RUN_ALL_TESTS();
}
