#include "database/textosbd.h"

#include "common/texto.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {
const QString kCR = QStringLiteral("\r");
}

QString NumeroBD(const QString& celda) {
    QString valor = celda;
    valor.replace(u',', u'.');
    return NumeroSQL(valor);
}

bool EsNumeroBD(const QString& celda) {
    static const QRegularExpression numero(
        QStringLiteral("^ *[+-]?([0-9]+[.,]?[0-9]*|[.,][0-9]+)([eE][+-]?[0-9]+)? *$"));
    return numero.match(celda).hasMatch();
}

QString MegasDePaginas(double paginas, bool redondea) {
    const double megas = paginas / 128.0;
    if (redondea) return QString::number(std::nearbyint(megas), 'f', 0);  // the default mode rounds half to even
    QLocale local;
    local.setNumberOptions(QLocale::OmitGroupSeparator);
    return local.toString(megas, 'g', 15);
}

QString TextoFicheroBD(const FicheroBD& f, const QString& extension) {
    QString t = QStringLiteral(" (NAME = ") + NombreSQL(f.Nombre) + QStringLiteral(",");
    t += QStringLiteral(" FILENAME = '") + LiteralSQL(f.Carpeta + f.Nombre + extension) + QStringLiteral("',");
    const QString tamaño = NumeroBD(f.Tamaño);
    if (tamaño.toDouble() < 1) t += QStringLiteral(" SIZE = 512KB,");
    else t += QStringLiteral(" SIZE = ") + Trim(tamaño) + QStringLiteral("MB,");
    const QString cantidad = NumeroBD(f.Cantidad);
    if (f.Limite == QLatin1String("-1") && cantidad.toDouble() != 0)
        t += QStringLiteral(" MAXSIZE =") + Trim(NumeroBD(f.Maximo)) + QStringLiteral("MB");
    else t += QStringLiteral(" MAXSIZE =UNLIMITED");
    // Growth switched off is said: left out, the server would give the file
    // its default growth.
    if (f.Crecimiento == QLatin1String("-1"))
        t += QStringLiteral(",FILEGROWTH=") + Trim(cantidad) +
             (f.Unidad == QLatin1String("P") ? QStringLiteral("%") : QStringLiteral("MB"));
    else t += QStringLiteral(",FILEGROWTH=0");
    return t + QStringLiteral(")");
}

QString TextoCreaBD(const QString& nombre, const QList<FicheroBD>& datos, const QList<FicheroBD>& registro) {
    // The data files in the order the statement lists them, each with the
    // heading that goes before it.
    QList<QPair<QString, const FicheroBD*>> lista;
    for (const FicheroBD& f : datos) {
        if (f.Grupo.toUpper() != QLatin1String("PRIMARY")) continue;
        lista.append({lista.isEmpty() ? QStringLiteral(" ON ") + f.Grupo : QString(), &f});
    }
    QStringList grupos;
    for (const FicheroBD& f : datos) {
        const QString grupo = f.Grupo.toUpper();
        if (grupo == QLatin1String("PRIMARY") || grupos.contains(grupo)) continue;
        grupos.append(grupo);
        bool primero = true;
        for (const FicheroBD& g : datos) {
            if (g.Grupo.toUpper() != grupo) continue;
            lista.append({primero ? QStringLiteral(" FILEGROUP ") + NombreSQL(g.Grupo) : QString(), &g});
            primero = false;
        }
    }

    QString t = QStringLiteral("CREATE DATABASE ") + NombreSQL(nombre) + kCR;
    for (qsizetype i = 0; i < lista.size(); ++i) {
        const FicheroBD& f = *lista[i].second;
        t += lista[i].first + TextoFicheroBD(f, f.Fila == 0 ? QStringLiteral(".mdf") : QStringLiteral(".ndf"));
        t += i + 1 < lista.size() ? QStringLiteral(",") + kCR : kCR;
    }
    for (qsizetype i = 0; i < registro.size(); ++i) {
        if (i == 0) t += QStringLiteral(" LOG ON ");
        t += TextoFicheroBD(registro[i], QStringLiteral(".ldf"));
        t += i + 1 < registro.size() ? QStringLiteral(",") + kCR : kCR;
    }
    return t;
}
