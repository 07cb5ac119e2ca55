#include "database/textoscopia.h"

#include <algorithm>

#include "common/texto.h"

namespace textoscopia {

namespace {
QString ConFichero(int posicion) {
    return posicion > 1 ? QStringLiteral(" WITH FILE = ") + QString::number(posicion) : QString();
}
QString Disco(const QString& ruta) { return QStringLiteral("DISK = ") + CadenaSQL(ruta); }
}  // namespace

QString ModeloRecuperacion(const QString& baseDatos) {
    return QStringLiteral("select DATABASEPROPERTYEX (") + CadenaSQL(baseDatos) + QStringLiteral(",'Recovery')");
}

QString BuscaDispositivo(const QString& dispositivo) {
    return QStringLiteral("select * from master.dbo.sysdevices where name = ") + CadenaSQL(dispositivo);
}

QString BorraDispositivo(const QString& dispositivo) {
    return QStringLiteral("EXEC sp_dropdevice ") + CadenaSQL(dispositivo);
}

QString CreaDispositivo(const QString& dispositivo, const QString& fichero) {
    return QStringLiteral("EXEC sp_addumpdevice 'disk', ") + CadenaSQL(dispositivo) + QStringLiteral(",   ") +
           CadenaSQL(fichero);
}

QString Copia(TipoCopia tipo, const QString& baseDatos, const QString& dispositivo) {
    switch (tipo) {
    case TipoCopia::Registro:
        return QStringLiteral("BACKUP LOG ") + NombreSQL(baseDatos) + QStringLiteral(" TO ") + NombreSQL(dispositivo);
    case TipoCopia::Diferencial:
        return QStringLiteral("BACKUP DATABASE ") + NombreSQL(baseDatos) + QStringLiteral(" TO ") +
               NombreSQL(dispositivo) + QStringLiteral(" WITH DIFFERENTIAL");
    case TipoCopia::Completa:
        break;
    }
    return QStringLiteral("BACKUP DATABASE ") + NombreSQL(baseDatos) + QStringLiteral(" TO ") + NombreSQL(dispositivo);
}

QString CabeceraDispositivo(const QString& dispositivo) {
    return QStringLiteral("RESTORE HEADERONLY FROM ") + NombreSQL(dispositivo);
}

QString VerificaDispositivo(const QString& dispositivo, int posicion) {
    return QStringLiteral("RESTORE VERIFYONLY  FROM ") + NombreSQL(dispositivo) + ConFichero(posicion);
}

QString CabeceraFichero(const QString& ruta) { return QStringLiteral("RESTORE HEADERONLY FROM ") + Disco(ruta); }

QString VerificaFichero(const QString& ruta, int posicion) {
    return QStringLiteral("RESTORE VERIFYONLY FROM ") + Disco(ruta) + ConFichero(posicion);
}

QString ListaFicherosCopia(const QString& ruta, int posicion) {
    return QStringLiteral(" RESTORE FILELISTONLY FROM ") + Disco(ruta) + ConFichero(posicion);
}

QString UsoRestauracion(const QString& baseDatos) {
    return baseDatos.toUpper() == QLatin1String("MASTER") ? QStringLiteral("use msdb") : QStringLiteral("use master");
}

QString Restauracion(const QString& baseDatos, const QString& ruta,
                     const QList<QPair<QString, QString>>& movimientos, int posicion) {
    QString sql = QStringLiteral("RESTORE DATABASE ") + NombreSQL(baseDatos) + QStringLiteral(" FROM ") +
                  QStringLiteral(" DISK =") + CadenaSQL(ruta);
    sql += QStringLiteral(" WITH MOVE ");
    for (int i = 0; i < movimientos.size(); ++i) {
        sql += CadenaSQL(movimientos[i].first) + QStringLiteral(" TO ") + CadenaSQL(movimientos[i].second);
        if (i < movimientos.size() - 1) sql += QStringLiteral(", MOVE ");
    }
    if (posicion > 1) sql += QStringLiteral(", FILE = ") + QString::number(posicion);
    return sql;
}

int UltimoJuego(const datos::ResultSet& cabecera) {
    const int columna = cabecera.indexOf(QStringLiteral("Position"));
    int n = 0;
    if (columna < 0) return n;
    for (qsizetype f = 0; f < cabecera.rowCount(); ++f) n = std::max(n, int(Val(cabecera.text(f, columna))));
    return n;
}

}  // namespace textoscopia
