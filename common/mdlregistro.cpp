#include "common/mdlregistro.h"

#include "common/funciones.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

bool CreaClave(HKEY raiz, const QString& ruta) {
    bool creada = false;
    Atrapa("CreaClave", [&] {
        HKEY clave = 0;
        const long r = registro::Actual().CreaClave(raiz, ruta, kAccesoRegistro, &clave);
        creada = r == registro::ERROR_SUCCESS;
        registro::Actual().CierraClave(clave);
    });
    return creada;
}

bool EstableceValorClave(HKEY raiz, const QString& ruta, const QString& nombre, const QVariant& valor, int tipo) {
    bool escrito = false;
    Atrapa("EstableceValorClave", [&] {
        HKEY clave = 0;
        registro::Actual().AbreClave(raiz, ruta, kAccesoRegistro, &clave);
        const long r = EstableceValorEx(clave, nombre, tipo, valor);
        registro::Actual().CierraClave(clave);
        escrito = r == registro::ERROR_SUCCESS;
    });
    return escrito;
}

QVariant ConsultaValor(HKEY raiz, const QString& ruta, const QString& nombre) {
    QVariant valor;
    Atrapa("ConsultaValor", [&] {
        HKEY clave = 0;
        registro::Actual().AbreClave(raiz, ruta, kAccesoRegistro, &clave);
        ConsultaValorEx(clave, nombre, valor);
        registro::Actual().CierraClave(clave);
    });
    return valor;
}

long EstableceValorEx(HKEY clave, const QString& nombre, int tipo, const QVariant& valor) {
    // A write that fails before it reaches the registry must not read as done.
    long resultado = -1;
    Atrapa("EstableceValorEx", [&] {
        QByteArray datos;
        if (tipo == REG_SZ) {
            datos = QStringEncoder(QStringEncoder::System).encode(valor.toString());
        } else if (tipo == REG_DWORD) {
            bool ok = false;
            const qint64 n = valor.toLongLong(&ok);
            if (!ok) FallaNumero(errnum::TiposNoCoinciden);
            if (n < INT32_MIN || n > INT32_MAX) FallaNumero(errnum::Desbordamiento);
            const qint32 n32 = qint32(n);
            datos = QByteArray(reinterpret_cast<const char*>(&n32), 4);
        } else {
            resultado = 0;
            return;
        }
        resultado = registro::Actual().EstableceValor(clave, nombre, tipo, datos);
    });
    return resultado;
}

long ConsultaValorEx(HKEY clave, const QString& nombre, QVariant& valor) {
    long resultado = 0;
    Atrapa("ConsultaValorEx", [&] {
        int tipo = 0;
        qint64 tamano = 0;
        resultado = registro::Actual().ConsultaTipo(clave, nombre, &tipo, &tamano);
        if (resultado != registro::ERROR_SUCCESS) return;
        QByteArray datos;
        switch (tipo) {
        case REG_SZ:
            resultado = registro::Actual().ConsultaDatos(clave, nombre, &datos);
            if (resultado == registro::ERROR_SUCCESS) {
                // The text without its final zero.
                const QByteArray texto = datos.left(qMax<qint64>(0, tamano - 1));
                valor = QString(QStringDecoder(QStringDecoder::System).decode(texto));
            } else {
                valor = QVariant();
            }
            break;
        case REG_DWORD:
            resultado = registro::Actual().ConsultaDatos(clave, nombre, &datos);
            if (resultado == registro::ERROR_SUCCESS && datos.size() >= 4) {
                qint32 n;
                std::memcpy(&n, datos.constData(), 4);
                valor = n;
            }
            break;
        default:
            resultado = -1;
        }
    });
    return resultado;
}
