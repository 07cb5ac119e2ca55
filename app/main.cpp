#include "app/aplicacion.h"
#include "app/mdiprincipal.h"
#include "explorer/imagenesexplorador.h"
#include "platform/listaimagenes.h"
#include "platform/odbc.h"

int main(int argc, char** argv) {
    AplicacionTolvek app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvek"));
    {
        // The server picture of the explorer stands for the program.
        ListaImagenes imagenes;
        CargaImagenesExplorador(imagenes);
        QApplication::setWindowIcon(imagenes.Imagen(QStringLiteral("Servidor")));
    }
    datos::UsaConexionesOdbc();
    Main();
    return app.exec();
}
