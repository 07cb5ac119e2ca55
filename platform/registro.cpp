#include "platform/registro.h"

#include <QMap>
#include <cstring>
#include <memory>
#include <QSettings>
#include <QStringDecoder>
#include <QStringEncoder>

namespace registro {

namespace {

QString RutaDeRaiz(HKEY raiz, QString ruta) {
    Q_UNUSED(raiz);
    return ruta.replace(u'\\', u'/');
}

// Values live under the key's path in QSettings. On Windows that is the
// registry itself; elsewhere an INI file in the user's configuration folder.
class AlmacenQSettings : public Almacen {
public:
    long CreaClave(HKEY raiz, const QString& ruta, int, HKEY* clave) override {
        auto s = Ajustes(RutaDeRaiz(raiz, ruta));
        if (!s->isWritable()) return ERROR_ACCESS_DENIED;
        *clave = Abre(RutaDeRaiz(raiz, ruta));
        return ERROR_SUCCESS;
    }
    long AbreClave(HKEY raiz, const QString& ruta, int, HKEY* clave) override {
        *clave = Abre(RutaDeRaiz(raiz, ruta));
        return ERROR_SUCCESS;
    }
    long ConsultaTipo(HKEY clave, const QString& nombre, int* tipo, qint64* tamano) override {
        QVariant v;
        if (long r = Lee(clave, nombre, &v)) return r;
        if (EsNumero(v)) {
            *tipo = REG_DWORD;
            *tamano = 4;
        } else {
            *tipo = REG_SZ;
            *tamano = Texto(v).size() + 1;
        }
        return ERROR_SUCCESS;
    }
    long ConsultaDatos(HKEY clave, const QString& nombre, QByteArray* datos) override {
        QVariant v;
        if (long r = Lee(clave, nombre, &v)) return r;
        if (EsNumero(v)) {
            const quint32 n = quint32(v.toLongLong());
            *datos = QByteArray(reinterpret_cast<const char*>(&n), 4);
        } else {
            *datos = Texto(v);
            datos->append('\0');
        }
        return ERROR_SUCCESS;
    }
    long EstableceValor(HKEY clave, const QString& nombre, int tipo, const QByteArray& datos) override {
        if (!claves_.contains(clave)) return ERROR_INVALID_HANDLE;
        auto s = Ajustes(claves_[clave]);
        if (!s->isWritable()) return ERROR_ACCESS_DENIED;
        if (tipo == REG_DWORD && datos.size() == 4) {
            qint32 n;
            memcpy(&n, datos.constData(), 4);
            s->setValue(nombre, n);
        } else {
            s->setValue(nombre, QStringDecoder(QStringDecoder::System).decode(datos).operator QString());
        }
        s->sync();
        return s->status() == QSettings::NoError ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    }
    long CierraClave(HKEY clave) override {
        return claves_.remove(clave) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

private:
    static std::unique_ptr<QSettings> Ajustes(const QString& ruta) {
#ifdef Q_OS_WIN
        return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + QString(ruta).replace(u'/', u'\\'),
                                           QSettings::NativeFormat);
#else
        auto s = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("tolvek"), QStringLiteral("tolvek"));
        s->beginGroup(ruta);
        return s;
#endif
    }
    HKEY Abre(const QString& ruta) {
        const HKEY h = siguiente_++;
        claves_.insert(h, ruta);
        return h;
    }
    long Lee(HKEY clave, const QString& nombre, QVariant* v) {
        if (!claves_.contains(clave)) return ERROR_INVALID_HANDLE;
        auto s = Ajustes(claves_[clave]);
        if (!s->contains(nombre)) return ERROR_FILE_NOT_FOUND;
        *v = s->value(nombre);
        return ERROR_SUCCESS;
    }
    static bool EsNumero(const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
            return true;
        default: return false;
        }
    }
    static QByteArray Texto(const QVariant& v) {
        return QStringEncoder(QStringEncoder::System).encode(v.toString());
    }

    QMap<HKEY, QString> claves_;
    HKEY siguiente_ = 0x1000;
};

AlmacenQSettings& Predeterminado() {
    static AlmacenQSettings a;
    return a;
}
Almacen* gActual = nullptr;

}  // namespace

Almacen& Actual() { return gActual ? *gActual : Predeterminado(); }
void Usa(Almacen* almacen) { gActual = almacen; }

}  // namespace registro
