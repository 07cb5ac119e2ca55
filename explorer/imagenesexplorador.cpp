#include "explorer/imagenesexplorador.h"

#include "platform/listaimagenes.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

using Dibujo = std::function<void(QPainter&)>;

// Draws on a 16 x 16 grid, at 16 and at 32 pixels.
QIcon Icono(const Dibujo& dibuja) {
    QIcon icono;
    for (int lado : {16, 32}) {
        QPixmap px(lado, lado);
        px.fill(Qt::transparent);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(lado / 16.0, lado / 16.0);
        dibuja(p);
        p.end();
        icono.addPixmap(px);
    }
    return icono;
}

const QColor kContorno(60, 60, 70);

QPen Pluma(const QColor& c = kContorno, qreal ancho = 1.0) {
    QPen pen(c, ancho);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void Carpeta(QPainter& p, bool abierta) {
    p.setPen(Pluma(QColor(150, 110, 20)));
    p.setBrush(QColor(240, 200, 90));
    QPainterPath fondo;
    fondo.moveTo(1.5, 3.5);
    fondo.lineTo(6, 3.5);
    fondo.lineTo(7.5, 5);
    fondo.lineTo(14.5, 5);
    fondo.lineTo(14.5, 13.5);
    fondo.lineTo(1.5, 13.5);
    fondo.closeSubpath();
    p.drawPath(fondo);
    p.setBrush(QColor(252, 222, 130));
    if (abierta) {
        QPolygonF tapa({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)});
        p.drawPolygon(tapa);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void Cilindro(QPainter& p) {
    p.setPen(Pluma(QColor(40, 80, 140)));
    p.setBrush(QColor(110, 160, 220));
    QPainterPath cuerpo;
    cuerpo.moveTo(2.5, 4);
    cuerpo.lineTo(2.5, 12);
    cuerpo.arcTo(QRectF(2.5, 10, 11, 4), 180, 180);
    cuerpo.lineTo(13.5, 4);
    cuerpo.closeSubpath();
    p.drawPath(cuerpo);
    p.setBrush(QColor(170, 205, 245));
    p.drawEllipse(QRectF(2.5, 2, 11, 4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 6, 11, 4), 180 * 16, 180 * 16);
}

void Rejilla(QPainter& p, const QColor& cabecera, const QColor& celdas) {
    p.setPen(Pluma(QColor(70, 90, 110)));
    p.setBrush(celdas);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(cabecera);
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
    p.drawLine(QPointF(1.5, 9.5), QPointF(14.5, 9.5));
    p.drawLine(QPointF(6, 5.5), QPointF(6, 13.5));
    p.drawLine(QPointF(10, 5.5), QPointF(10, 13.5));
}

void Cabeza(QPainter& p, qreal x, qreal y, qreal escala, const QColor& ropa) {
    p.setPen(Pluma(kContorno));
    p.setBrush(ropa);
    QPainterPath torso;
    torso.moveTo(x - 4.5 * escala, y + 9 * escala);
    torso.cubicTo(x - 4.5 * escala, y + 4 * escala, x + 4.5 * escala, y + 4 * escala, x + 4.5 * escala,
                  y + 9 * escala);
    torso.closeSubpath();
    p.drawPath(torso);
    p.setBrush(QColor(250, 215, 175));
    p.drawEllipse(QPointF(x, y + 1.5 * escala), 2.5 * escala, 2.5 * escala);
}

}  // namespace

void CargaImagenesExplorador(ListaImagenes& lista) {
    lista.Agrega(QStringLiteral("BaseDatos"), Icono(Cilindro));
    lista.Agrega(QStringLiteral("CarpetaAbierta"), Icono([](QPainter& p) { Carpeta(p, true); }));
    lista.Agrega(QStringLiteral("CarpetaCerrada"), Icono([](QPainter& p) { Carpeta(p, false); }));
    lista.Agrega(QStringLiteral("Tabla"), Icono([](QPainter& p) {
                     Rejilla(p, QColor(90, 140, 200), QColor(250, 250, 250));
                 }));
    lista.Agrega(QStringLiteral("Campo"), Icono([](QPainter& p) {
                     p.setPen(Pluma(QColor(70, 90, 110)));
                     p.setBrush(QColor(250, 250, 250));
                     p.drawRect(QRectF(4.5, 1.5, 7, 13));
                     p.setBrush(QColor(90, 140, 200));
                     p.drawRect(QRectF(4.5, 1.5, 7, 3));
                     p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
                     p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 11.5));
                 }));
    lista.Agrega(QStringLiteral("Vista"), Icono([](QPainter& p) {
                     Rejilla(p, QColor(120, 170, 120), QColor(245, 250, 245));
                     // Spectacles over the grid.
                     p.setPen(Pluma(QColor(30, 30, 30), 1.2));
                     p.setBrush(QColor(200, 230, 255, 200));
                     p.drawEllipse(QPointF(5, 11), 2.6, 2.2);
                     p.drawEllipse(QPointF(11, 11), 2.6, 2.2);
                     p.drawLine(QPointF(7.6, 10.5), QPointF(8.4, 10.5));
                 }));
    lista.Agrega(QStringLiteral("Usuarios"), Icono([](QPainter& p) {
                     Cabeza(p, 10.5, 2.5, 0.9, QColor(90, 120, 180));
                     Cabeza(p, 6, 4.5, 1.0, QColor(60, 150, 90));
                 }));
    lista.Agrega(QStringLiteral("Procedimientos"), Icono([](QPainter& p) {
                     // A page of code with a gear.
                     p.setPen(Pluma(QColor(90, 90, 90)));
                     p.setBrush(QColor(252, 252, 240));
                     QPolygonF hoja({QPointF(2.5, 1.5), QPointF(10, 1.5), QPointF(12.5, 4), QPointF(12.5, 14.5),
                                     QPointF(2.5, 14.5)});
                     p.drawPolygon(hoja);
                     p.setPen(Pluma(QColor(120, 120, 160)));
                     for (qreal y : {4.5, 6.5, 8.5}) p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
                     p.setPen(Pluma(QColor(110, 60, 20)));
                     p.setBrush(QColor(220, 140, 60));
                     p.save();
                     p.translate(11.5, 11.5);
                     for (int i = 0; i < 6; ++i) {
                         p.drawRect(QRectF(-0.9, -4.2, 1.8, 2));
                         p.rotate(60);
                     }
                     p.drawEllipse(QPointF(0, 0), 2.8, 2.8);
                     p.setBrush(QColor(252, 252, 240));
                     p.drawEllipse(QPointF(0, 0), 1.0, 1.0);
                     p.restore();
                 }));
    lista.Agrega(QStringLiteral("Servidor"), Icono([](QPainter& p) {
                     p.setPen(Pluma(QColor(50, 50, 60)));
                     p.setBrush(QColor(190, 195, 205));
                     p.drawRoundedRect(QRectF(3.5, 1.5, 9, 13), 1, 1);
                     p.setBrush(QColor(120, 125, 140));
                     for (qreal y : {3.5, 6.5}) p.drawRect(QRectF(5, y, 6, 1.8));
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(40, 200, 60));
                     p.drawEllipse(QPointF(6, 11.5), 1.1, 1.1);
                     p.setBrush(QColor(240, 180, 40));
                     p.drawEllipse(QPointF(9, 11.5), 1.1, 1.1);
                 }));
    lista.Agrega(QStringLiteral("Usuario"), Icono([](QPainter& p) { Cabeza(p, 8, 2.5, 1.2, QColor(90, 120, 180)); }));
}
