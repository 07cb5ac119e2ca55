#include "app/aplicacion.h"

#include "common/funciones.h"

AplicacionTolvek::AplicacionTolvek(int& argc, char** argv) : QApplication(argc, argv) {}

bool AplicacionTolvek::notify(QObject* receptor, QEvent* evento) {
    bool atendido = false;
    Atrapa("notify", [&] { atendido = QApplication::notify(receptor, evento); });
    return atendido;
}
