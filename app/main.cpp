#include "app/mdiprincipal.h"
#include "platform/odbc.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvek"));
    datos::UsaConexionesOdbc();
    Main();
    return app.exec();
}
