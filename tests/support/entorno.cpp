#include "entorno.h"

#include "app/mdiprincipal.h"
#include "common/globales.h"
#include "explorer/consolasql.h"
#include "platform/formularios.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

namespace {
// The answer that does least: Cancel where there is one, else No, else OK.
int RespuestaPrudente(int estilo) {
    switch (estilo & 7) {
    case vb::vbYesNoCancel: return vb::vbCancel;
    case vb::vbYesNo: return vb::vbNo;
    default: return vb::vbOK;
    }
}
}  // namespace

int MensajesDoble::Muestra(const QString& texto, int estilo, const QString& titulo) {
    if (FallarSiguientes > 0) {
        --FallarSiguientes;
        throw ErrorEjecucion(errnum::LlamadaNoValida, QStringLiteral("The box could not be shown"));
    }
    cajas_.append({texto, estilo, titulo, ventanas::VentanaDeCaja()});
    if (AlMostrar) AlMostrar();
    if (!Respuestas.isEmpty()) return Respuestas.takeFirst();
    if ((estilo & 7) != vb::vbOKOnly)
        ADD_FAILURE() << "a question that no answer was queued for: " << texto.toStdString();
    return RespuestaPrudente(estilo);
}

int MensajesInesperados::Muestra(const QString& texto, int estilo, const QString&) {
    ADD_FAILURE() << "a message box that no test expected: " << texto.toStdString();
    return RespuestaPrudente(estilo);
}

void UsaMensajesInesperados() {
    static MensajesInesperados inesperados;
    servicios::Usa(&inesperados);
}

void MenusDoble::Emergente(QMenu* menu, const QPoint& posicion) {
    QStringList activos;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled()) activos.append(a->objectName());
    Mostrados.append({menu, posicion, activos});
    const QString eleccion = Elegir.isEmpty() ? QString() : Elegir.takeFirst();
    if (eleccion.isEmpty()) return;
    for (QAction* a : menu->actions())
        if (a->objectName() == eleccion && a->isEnabled()) a->trigger();
}

void RegistroDoble::PonTexto(const QString& ruta, const QString& nombre, const QByteArray& texto) {
    Valores[ruta][nombre] = {registro::REG_SZ, texto + '\0'};
}

void RegistroDoble::PonNumero(const QString& ruta, const QString& nombre, qint32 n) {
    Valores[ruta][nombre] = {registro::REG_DWORD, QByteArray(reinterpret_cast<const char*>(&n), 4)};
}

long RegistroDoble::CreaClave(registro::HKEY, const QString& ruta, int, registro::HKEY* clave) {
    if (FallaCreacion) return registro::ERROR_ACCESS_DENIED;
    Valores[ruta];
    *clave = siguiente_++;
    abiertas_[*clave] = ruta;
    return registro::ERROR_SUCCESS;
}

long RegistroDoble::AbreClave(registro::HKEY, const QString& ruta, int, registro::HKEY* clave) {
    if (!Valores.contains(ruta)) return registro::ERROR_FILE_NOT_FOUND;
    *clave = siguiente_++;
    abiertas_[*clave] = ruta;
    return registro::ERROR_SUCCESS;
}

long RegistroDoble::ConsultaTipo(registro::HKEY clave, const QString& nombre, int* tipo, qint64* tamano) {
    if (!abiertas_.contains(clave)) return registro::ERROR_INVALID_HANDLE;
    const auto& v = Valores[abiertas_[clave]];
    if (!v.contains(nombre)) return registro::ERROR_FILE_NOT_FOUND;
    *tipo = v[nombre].first;
    *tamano = v[nombre].second.size();
    return registro::ERROR_SUCCESS;
}

long RegistroDoble::ConsultaDatos(registro::HKEY clave, const QString& nombre, QByteArray* datos) {
    if (!abiertas_.contains(clave)) return registro::ERROR_INVALID_HANDLE;
    const auto& v = Valores[abiertas_[clave]];
    if (!v.contains(nombre)) return registro::ERROR_FILE_NOT_FOUND;
    *datos = v[nombre].second;
    return registro::ERROR_SUCCESS;
}

long RegistroDoble::EstableceValor(registro::HKEY clave, const QString& nombre, int tipo, const QByteArray& datos) {
    if (!abiertas_.contains(clave)) return registro::ERROR_INVALID_HANDLE;
    if (FallaEscritura) return registro::ERROR_ACCESS_DENIED;
    QByteArray d = datos;
    if (tipo == registro::REG_SZ) d.append('\0');
    Valores[abiertas_[clave]][nombre] = {tipo, d};
    return registro::ERROR_SUCCESS;
}

long RegistroDoble::CierraClave(registro::HKEY clave) {
    return abiertas_.remove(clave) ? registro::ERROR_SUCCESS : registro::ERROR_INVALID_HANDLE;
}

void PruebaTolvek::SetUp() {
    ReiniciaGlobales();
    servicios::Usa(&mensajes);
    servicios::Usa(&puntero);
    servicios::Usa(&aplicacion);
    servicios::Usa(&pitido);
    servicios::Usa(&menus);
    servicios::Usa(&archivos);
    registro::Usa(&registro);
    // A program that has run before: the language is already stored.
    registro.PonNumero(QStringLiteral("Software\\tolvek"), QStringLiteral("Idioma"), 0);
    conexion = std::make_shared<ConexionGuion>();
    datos::EstableceFabricaConexiones([c = conexion] { return c; });
}

void PruebaTolvek::TearDown() {
    ventanas::DescargaTodas();
    if (auto* m = mdiPrincipal::SiExiste()) delete m;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    datos::EstableceFabricaConexiones(nullptr);
    if (const qsizetype sinVer = mensajes.SinVer(); sinVer > 0) {
        const auto& cajas = mensajes.Cajas();
        QStringList textos;
        for (qsizetype i = cajas.size() - sinVer; i < cajas.size(); ++i) textos.append(cajas[i].texto);
        ADD_FAILURE() << "boxes that the test never looked at: " << textos.join(u'|').toStdString();
    }
    UsaMensajesInesperados();
    servicios::Usa(static_cast<ServicioPuntero*>(nullptr));
    servicios::Usa(static_cast<ServicioAplicacion*>(nullptr));
    servicios::Usa(static_cast<ServicioPitido*>(nullptr));
    servicios::Usa(static_cast<ServicioMenus*>(nullptr));
    servicios::Usa(static_cast<ServicioArchivos*>(nullptr));
    registro::Usa(nullptr);
    ReiniciaGlobales();
    GruposFicheros.reset();
}

QStringList PruebaTolvek::TextosCajas() {
    QStringList r;
    for (const auto& c : mensajes.Cajas()) r.append(c.texto);
    return r;
}

void AlEntrarEnBucle(std::function<void()> f) { QTimer::singleShot(0, qApp, std::move(f)); }

void Tecla(int tecla, const QString& texto, QWidget* porDefecto) {
    QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : porDefecto;
    if (!w) {
        ADD_FAILURE() << "no widget has the focus";
        return;
    }
    QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
    QApplication::sendEvent(w, &pulsa);
    QKeyEvent suelta(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
    QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &suelta);
}

void Escribe(const QString& s, QWidget* porDefecto) {
    for (QChar ch : s) {
        const QChar m = ch.toUpper();
        const int tecla = m >= u'A' && m <= u'Z'   ? Qt::Key_A + (m.unicode() - 'A')
                          : m >= u'0' && m <= u'9' ? Qt::Key_0 + (m.unicode() - '0')
                                                   : Qt::Key_unknown;
        Tecla(tecla, QString(ch), porDefecto);
    }
}
