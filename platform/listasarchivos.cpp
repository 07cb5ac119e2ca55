#include "platform/listasarchivos.h"

#include "platform/errores.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A path in the platform's own separators, without a trailing one except
// at a root.
QString Normaliza(const QString& ruta) {
    QString limpia = QDir::cleanPath(QDir::fromNativeSeparators(ruta));
    if (limpia.endsWith(u':')) limpia += u'/';  // "C:" alone is that drive's root
    return QDir::toNativeSeparators(limpia);
}

QString NombreCarpeta(const QString& ruta) {
    const QFileInfo info(QDir::fromNativeSeparators(ruta));
    const QString nombre = info.fileName();
    return nombre.isEmpty() ? ruta : nombre;
}

}  // namespace

QString CarpetaInicial() {
    const QString actual = QDir::currentPath();
    if (QDir::isAbsolutePath(actual)) return actual;
    const QString casa = QDir::homePath();
    return QFileInfo(casa).isDir() ? casa : QDir::rootPath();
}

// ---- Drives ----

ListaUnidades::ListaUnidades(QWidget* padre) : QComboBox(padre) {
    for (const QFileInfo& raiz : QDir::drives()) addItem(UnidadDe(raiz.absoluteFilePath()));
    Drive(CarpetaInicial());
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit Change(); });
}

QString ListaUnidades::UnidadDe(const QString& ruta) {
    const QString r = QDir::fromNativeSeparators(ruta);
    if (r.size() >= 2 && r[1] == u':') return r.left(2).toUpper();
    return QStringLiteral("/");
}

QString ListaUnidades::Drive() const { return currentText(); }

void ListaUnidades::Drive(const QString& ruta) {
    const QString unidad = UnidadDe(ruta);
    int i = findText(unidad, Qt::MatchFixedString);
    if (i < 0) {
        addItem(unidad);
        i = count() - 1;
    }
    setCurrentIndex(i);
}

// ---- Folders ----

ListaCarpetas::ListaCarpetas(QWidget* padre) : QListWidget(padre) {
    ruta_ = Normaliza(CarpetaInicial());
    Llena();
    connect(this, &QListWidget::itemClicked, this, [this] { emit Click(); });
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QByteArray nombre = (objectName() + QStringLiteral("_DblClick")).toUtf8();
        AtrapaControl(nombre.constData(), [&] {
            const int fila = row(item);
            if (fila >= 0 && fila < rutas_.size() && rutas_[fila] != ruta_) Path(rutas_[fila]);
        });
    });
}

void ListaCarpetas::Path(const QString& ruta) {
    QString destino = ruta;
    const QString r = QDir::fromNativeSeparators(ruta);
    const bool unidadSola = r == QLatin1String("/") || (r.size() == 2 && r[1] == u':');
    if (unidadSola) {
        // A drive alone: its current folder when it is the current drive.
        const QString actual = CarpetaInicial();
        const bool mismaUnidad = r == QLatin1String("/") ? !actual.contains(u':')
                                                          : actual.startsWith(r, Qt::CaseInsensitive);
        destino = mismaUnidad ? actual : r + u'/';
    }
    const QFileInfo info(QDir::fromNativeSeparators(destino));
    if (!info.isDir() || !QDir(info.absoluteFilePath()).isReadable())
        Falla(76, QStringLiteral("Path not found: '%1'").arg(ruta));
    const QString nueva = Normaliza(info.absoluteFilePath());
    if (nueva == ruta_) return;
    ruta_ = nueva;
    Llena();
    emit Change();
}

void ListaCarpetas::Llena() {
    clear();
    rutas_.clear();
    // The chain from the root down to the folder itself.
    QStringList cadena;
    QDir d(QDir::fromNativeSeparators(ruta_));
    for (;;) {
        cadena.prepend(Normaliza(d.absolutePath()));
        if (d.isRoot() || !d.cdUp()) break;
    }
    arriba_ = int(cadena.size());
    for (int i = 0; i < cadena.size(); ++i) {
        auto* item = new QListWidgetItem(QString(i * 2, u' ') + NombreCarpeta(cadena[i]), this);
        item->setToolTip(cadena[i]);
        rutas_.append(cadena[i]);
    }
    const QDir actual(QDir::fromNativeSeparators(ruta_));
    const QStringList hijas =
        actual.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& hija : hijas) {
        const QString completa = Normaliza(actual.absoluteFilePath(hija));
        auto* item = new QListWidgetItem(QString(arriba_ * 2, u' ') + hija, this);
        item->setToolTip(completa);
        rutas_.append(completa);
    }
    setCurrentRow(arriba_ - 1);
}

int ListaCarpetas::ListIndex() const {
    const int fila = currentRow();
    return fila < 0 ? -1 : fila - arriba_;
}

int ListaCarpetas::ListCount() const { return int(rutas_.size()) - arriba_; }

QString ListaCarpetas::List(int indice) const {
    const int fila = FilaDe(indice);
    if (fila < 0 || fila >= rutas_.size()) Falla(9, DescripcionError(9));
    return rutas_[fila];
}
