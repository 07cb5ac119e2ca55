#include "common/funciones.h"

#include "common/texto.h"
#include "platform/formularios.h"

#include <QComboBox>

namespace {
const QString kAtencion = QStringLiteral("Atención.");
}

namespace {
qint64 gFallosNotificados = 0;
}

namespace {
// The platform's controls report their own failures as every handler does.
const bool kReportadorInstalado = (InstalaReportador([](const char* procedimiento, qint64 numero,
                                                        const QString& texto) {
                                       ReportaFallo(QString(), procedimiento, numero, texto);
                                   }),
                                   true);
}

qint64 FallosNotificados() { return gFallosNotificados; }

void MuestraError(const QString& mensaje, const QString& procedimiento, qint64 numero, const QString& texto) {
    ++gFallosNotificados;
    const QString n = QString::number(numero);
    try {
        MsgBox(QStringLiteral(" Error Nº:") + n + QStringLiteral(" (") + texto + QStringLiteral(")."),
               vb::vbExclamation, kAtencion);
    } catch (...) {
        try {
            MsgBox(QStringLiteral("Error critico. ") + u'\r' + mensaje + u'.' + procedimiento + u'\r' +
                       QStringLiteral("Nº:") + n + QStringLiteral(" (") + texto + QStringLiteral(")."),
                   vb::vbCritical, kAtencion);
        } catch (...) {
            // Nothing is left to show it with.
        }
    }
}

void ReportaFallo(const QString& mensaje, const char* procedimiento, qint64 numero, const QString& texto) {
    PunteroRaton(vb::vbDefault);
    MuestraError(mensaje, QString::fromUtf8(procedimiento), numero, texto);
}

int MensajeUsuario(const QString& es, const QString& en, int estilo) {
    ConIdioma(es, en, [](const QString& t) { Mensaje = t; });
    return MsgBox(Mensaje, estilo, kProducto);
}

bool CreaRecordset(const std::shared_ptr<datos::Connection>& conexion, datos::Recordset& rs,
                   const QString& sql) {
    bool abierto = false;
    Atrapa("CreaRecordset", QStringLiteral("Error cargando datos."), [&] {
        rs = datos::Recordset();
        rs.CursorType = 1;      // keyset
        rs.CursorLocation = 3;  // client
        if (!conexion) FallaNumero(errnum::ObjetoNoEstablecido);
        rs.Open(sql, *conexion);
        abierto = true;
    });
    return abierto;
}

namespace {
// " = " literal or "=" value, the two forms a criterion takes.
QString Comparacion(const QString& tipo, const QString& valor, const QString& igualTexto) {
    if (tipo == QLatin1String("Texto")) return igualTexto + CadenaSQL(valor);
    if (tipo == QLatin1String("Numerico")) return u'=' + NumeroSQL(valor);
    return QString();
}
}  // namespace

QString BuscaRegistro(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                      const QString& campoResultado, const QString& campo1, RefTexto valor1,
                      const QString& tipo1, const QString& campo2, const QString& valor2,
                      const QString& tipo2, const QString& campo3, const QString& valor3,
                      const QString& tipo3, const QString& campo4, const QString& valor4,
                      const QString& tipo4, const QString& campo5, const QString& valor5,
                      const QString& tipo5) {
    QString resultado;
    Atrapa("BuscaRegistro", QStringLiteral("Error buscando registro."), [&] {
        QString& v1 = *valor1;
        if (tipo1 == QLatin1String("Numerico")) v1 = Trim(v1);
        if (v1.isEmpty()) return;
        QString sql = QStringLiteral("Select ") + campoResultado + QStringLiteral(" from ") + PrefijoBD + tabla;
        if (tipo1 == QLatin1String("Numerico") || tipo1 == QLatin1String("Texto"))
            sql += QStringLiteral(" where ") + campo1 + Comparacion(tipo1, v1, QStringLiteral(" = "));
        const Criterio resto[] = {{campo2, valor2, tipo2}, {campo3, valor3, tipo3},
                                  {campo4, valor4, tipo4}, {campo5, valor5, tipo5}};
        for (const auto& c : resto) {
            if (c.Campo.isEmpty()) continue;
            sql += QStringLiteral(" and ") + c.Campo + Comparacion(c.Tipo, c.Valor, QStringLiteral(" Like "));
        }
        datos::Recordset rs;
        if (CreaRecordset(conexion, rs, sql)) {
            if (rs.RecordCount() > 0) resultado = rs.Fields(0).Texto();
            rs.Close();
        }
    });
    return resultado;
}

bool ExisteRegistro(const std::shared_ptr<datos::Connection>& conexion, bool avisa, const QString& tabla,
                    const QList<Criterio>& criterios) {
    bool existe = false;
    Atrapa("ExisteRegistro", [&] {
        auto criterio = [&](int i) { return i < criterios.size() ? criterios[i] : Criterio(); };
        const Criterio c1 = criterio(0);
        if (c1.Valor.isEmpty()) return;
        existe = true;
        QString sql = QStringLiteral("Select ") + c1.Campo + QStringLiteral(" from ") + PrefijoBD + tabla +
                      QStringLiteral(" where ") + c1.Campo + Comparacion(c1.Tipo, c1.Valor, QStringLiteral(" = "));
        for (int i = 1; i < 6; ++i) {
            const Criterio c = criterio(i);
            if (c.Campo.isEmpty()) continue;
            sql += QStringLiteral(" and ") + c.Campo + Comparacion(c.Tipo, c.Valor, QStringLiteral(" = "));
        }
        datos::Recordset rs;
        if (!CreaRecordset(conexion, rs, sql)) return;
        if (rs.RecordCount() < 1) {
            existe = false;
        } else if (avisa) {
            QString codigo = c1.Valor;
            if (!criterio(2).Campo.isEmpty())
                codigo += u'/' + criterio(1).Valor + u'/' + criterio(2).Valor;
            else if (!criterio(1).Campo.isEmpty())
                codigo += u'/' + criterio(1).Valor;
            MsgBox(QStringLiteral("El codigo ") + codigo + QStringLiteral(" ya existe en la tabla ") + tabla,
                   vb::vbExclamation, QStringLiteral("Atención"));
        }
    });
    return existe;
}

bool BuscarComboCadena(const QString& texto, QComboBox* combo) {
    bool hallado = false;
    Atrapa("BuscarComboCadena", [&] {
        if (!combo) FallaNumero(errnum::ObjetoNoEstablecido);
        for (int i = 0; i < combo->count(); ++i) {
            if (Trim(combo->itemText(i)) == texto) {
                combo->setCurrentIndex(i);
                hallado = true;
                return;
            }
        }
        combo->setCurrentIndex(-1);
    });
    return hallado;
}

bool ExisteFormulario(const QString& nombre) {
    bool existe = false;
    Atrapa("ExisteFormulario", [&] {
        const QString buscado = nombre.toUpper();
        for (QWidget* w : ventanas::Cargadas()) {
            if (w->objectName().toUpper() == buscado) {
                existe = true;
                return;
            }
        }
    });
    return existe;
}

void MuestraFormulario(Formulario* ventana) {
    Atrapa("MuestraFormulario", QStringLiteral("Error mostrando formulario."), [&] {
        if (!ventana) FallaNumero(errnum::ObjetoNoEstablecido);
        AnfitrionHijas* anfitrion = ventanas::Anfitrion();
        // The window itself is asked, not its name: several table designers
        // share one name, and a new one must be shown, not another activated.
        if (ventana->Cargado() && ventana->Mostrado()) {
            ventana->Activa();
            if (anfitrion) anfitrion->Cascada();
            for (QWidget* w : ventanas::Cargadas()) {
                auto* f = qobject_cast<Formulario*>(w);
                if (f && f->Name() == QLatin1String("frmTabla")) f->EstableceLeft(0);
            }
        } else {
            ventana->Show();
            if (anfitrion) anfitrion->Cascada();
            if (ventana->Cargado()) ventana->EstableceLeft(0);
        }
    });
}

short SalidaCampo(short KeyAscii) {
    if (KeyAscii == 13) {
        servicios::Teclado().EnviaTabulador();
        return 0;
    }
    return KeyAscii;
}

void ConectaSalidaCampo(QWidget* control) {
    ConectaKeyPress(control, [](short& KeyAscii) {
        if (KeyAscii == 13) KeyAscii = SalidaCampo(KeyAscii);
    });
}

bool Conecta_SQL(std::shared_ptr<datos::Connection>& conexion, const QString& baseDatos) {
    bool conectado = false;
    Atrapa("Conecta_SQL", QStringLiteral("Error conectando con SQL Server."), [&] {
        conexion = datos::NuevaConexion();
        conexion->setCommandTimeout(120);
        conexion->Open(QStringLiteral("Provider=") + Proveedor + QStringLiteral(";Data Source=") + NombreServidor +
                       QStringLiteral(";Initial Catalog=") + baseDatos + QStringLiteral(";User Id=") +
                       NombreUsuario + QStringLiteral(";Password=") + ClaveUsuario + u';');
        conectado = true;
    });
    return conectado;
}
