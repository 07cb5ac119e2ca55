#include "common/celdapermiso.h"

#include "platform/rejilladatos.h"

#include <QPainter>
#include <QPixmap>

namespace {

const QColor kGris(192, 192, 192);
const QColor kBorde(128, 128, 128);

// A grey square of the given size, with its border, ready to draw on.
QPixmap Cuadro(int ancho, int alto) {
    QPixmap p(ancho, alto);
    p.fill(Qt::transparent);
    QPainter pintor(&p);
    const int lado = std::min(ancho, alto) - 1;
    const QRect cuadro((ancho - 1 - lado) / 2, (alto - 1 - lado) / 2, lado, lado);
    pintor.setPen(kBorde);
    pintor.setBrush(kGris);
    pintor.drawRect(cuadro);
    return p;
}

QPixmap Vacio() { return Cuadro(13, 13); }

QPixmap Marcado() {
    QPixmap p = Cuadro(16, 14);
    QPainter pintor(&p);
    pintor.setRenderHint(QPainter::Antialiasing);
    QPen pluma(QColor(0, 150, 0));
    pluma.setWidthF(2.2);
    pluma.setCapStyle(Qt::RoundCap);
    pluma.setJoinStyle(Qt::RoundJoin);
    pintor.setPen(pluma);
    const QPointF marca[] = {{3.5, 7.0}, {6.5, 10.5}, {12.5, 3.0}};
    pintor.drawPolyline(marca, 3);
    return p;
}

QPixmap Tachado() {
    QPixmap p = Cuadro(15, 14);
    QPainter pintor(&p);
    pintor.setRenderHint(QPainter::Antialiasing);
    QPen pluma(QColor(210, 0, 0));
    pluma.setWidthF(2.0);
    pluma.setCapStyle(Qt::RoundCap);
    pintor.setPen(pluma);
    pintor.drawLine(QPointF(3.5, 3.0), QPointF(11.5, 11.0));
    pintor.drawLine(QPointF(11.5, 3.0), QPointF(3.5, 11.0));
    return p;
}

}  // namespace

QIcon ImagenPermiso(const QString& codigo) {
    if (codigo == kPermisoNoAsignado) return QIcon(Vacio());
    if (codigo == kPermisoConcedido) return QIcon(Marcado());
    if (codigo == kPermisoDenegado) return QIcon(Tachado());
    return QIcon();
}

void PreparaColumnaPermiso(RejillaDatos* g, int columna) {
    ElementosValor elementos = g->Columns(columna).ValueItems();
    elementos.Clear();
    for (const QString& codigo : {kPermisoNoAsignado, kPermisoConcedido, kPermisoDenegado})
        elementos.Add(codigo, ImagenPermiso(codigo));
}

QString CodigoProteccion(int protecttype) {
    switch (protecttype) {
    case 204:
    case 205:
        return kPermisoConcedido;
    case 206:
        return kPermisoDenegado;
    default:
        return QString();
    }
}

AccionPermiso AccionDeCelda(const QString& celda) {
    if (celda.contains(kPermisoNoAsignado)) return AccionPermiso::Revoca;
    if (celda.contains(kPermisoConcedido)) return AccionPermiso::Concede;
    if (celda.contains(kPermisoDenegado)) return AccionPermiso::Deniega;
    return AccionPermiso::Ninguna;
}

QString EligePermiso(const QString& celda, const QString& revoca, const QString& concede, const QString& deniega) {
    switch (AccionDeCelda(celda)) {
    case AccionPermiso::Revoca:
        return revoca;
    case AccionPermiso::Concede:
        return concede;
    case AccionPermiso::Deniega:
        return deniega;
    case AccionPermiso::Ninguna:
        break;
    }
    return QString();
}
