#include "platform/listaficheros.h"

#include "platform/errores.h"
#include "platform/listasarchivos.h"

#include <QDir>
#include <QFileInfo>

ListaFicheros::ListaFicheros(QWidget* padre) : QListWidget(padre) {
    const QString inicial = QDir::toNativeSeparators(CarpetaInicial());
    try {
        Path(inicial);
    } catch (const ErrorEjecucion&) {
        ruta_ = inicial;  // an unreadable folder lists nothing
    }
    connect(this, &QListWidget::itemClicked, this, [this] { emit Click(); });
}

void ListaFicheros::Path(const QString& ruta) {
    const QDir carpeta(QDir::fromNativeSeparators(ruta));
    if (!QFileInfo(carpeta.absolutePath()).isDir() || !carpeta.isReadable())
        Falla(76, QStringLiteral("Path not found: '%1'").arg(ruta));
    ruta_ = ruta;
    clear();
    addItems(carpeta.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase));
    setCurrentRow(-1);
}

QString ListaFicheros::FileName() const {
    const QListWidgetItem* item = currentItem();
    return item && currentRow() >= 0 ? item->text() : QString();
}

void ListaFicheros::ListIndex(int indice) {
    if (indice < -1 || indice >= count()) Falla(9, DescripcionError(9));
    setCurrentRow(indice);
    if (indice >= 0) emit Click();
}

QString ListaFicheros::List(int indice) const {
    if (indice < 0 || indice >= count()) Falla(9, DescripcionError(9));
    return item(indice)->text();
}
