#include "common/guiones.h"

#include "platform/errores.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr qint64 kArchivoNoEncontrado = 53;
constexpr qint64 kErrorEntradaSalida = 57;
constexpr qint64 kPermisoDenegado = 70;
constexpr qint64 kRutaNoEncontrada = 76;

[[noreturn]] void FallaArchivo(const QFile& f) {
    switch (f.error()) {
    case QFileDevice::OpenError:
        if (!f.exists()) Falla(kArchivoNoEncontrado, QStringLiteral("File not found"));
        Falla(kPermisoDenegado, QStringLiteral("Permission denied"));
    case QFileDevice::PermissionsError: Falla(kPermisoDenegado, QStringLiteral("Permission denied"));
    default: Falla(kErrorEntradaSalida, QStringLiteral("Device I/O error"));
    }
}

// Whether the code page holds the character (asked once per character).
bool EnPagina(char16_t c) {
    if (c < 0x80) return true;
    static QHash<char16_t, bool> cache;
    auto it = cache.constFind(c);
    if (it != cache.constEnd()) return *it;
    QStringEncoder enc("windows-1252");
    QStringDecoder dec("windows-1252");
    const QByteArray b = enc.encode(QStringView(&c, 1));
    const QString vuelta = dec.decode(b);
    const bool si = !enc.hasError() && vuelta.size() == 1 && vuelta[0].unicode() == c;
    cache.insert(c, si);
    return si;
}
}  // namespace

QString LeeGuion(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) FallaArchivo(f);
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) FallaArchivo(f);
    QString texto = QStringDecoder("windows-1252").decode(bytes);
    QString r;
    r.reserve(texto.size() + texto.size() / 16);
    qsizetype inicio = 0;
    const qsizetype n = texto.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = texto[i];
        if (c != u'\r' && c != u'\n') continue;
        r += QStringView(texto).mid(inicio, i - inicio);
        r += QStringLiteral("\r\n");
        if (c == u'\r' && i + 1 < n && texto[i + 1] == u'\n') ++i;
        inicio = i + 1;
    }
    if (inicio < n) {
        r += QStringView(texto).mid(inicio);
        r += QStringLiteral("\r\n");
    }
    return r;
}

void GrabaGuion(const QString& ruta, const QString& texto) {
    QString t;
    t.reserve(texto.size() + 2);
    for (QChar c : texto) t += EnPagina(c.unicode()) ? c : QChar(u'?');
    if (!t.endsWith(u'\n') && !t.endsWith(u'\r')) t += QStringLiteral("\r\n");
    const QByteArray bytes = QStringEncoder("windows-1252").encode(t);
    if (!QFileInfo(ruta).dir().exists()) Falla(kRutaNoEncontrada, QStringLiteral("Path not found"));
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) FallaArchivo(f);
    if (f.write(bytes) != bytes.size()) FallaArchivo(f);
    f.close();
    if (f.error() != QFileDevice::NoError) FallaArchivo(f);
}
