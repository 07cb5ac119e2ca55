#include "app/mdiprincipal.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvek"));
    Main();
    return app.exec();
}
