#include "explorer/consolasql.h"

#include "common/funciones.h"
#include "common/texto.h"

#include <QComboBox>
#include <QSignalBlocker>
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"

ArrayDatos GruposFicheros;

void PonPrefijoBD(const QString& baseDatos) { PrefijoBD = NombreSQL(baseDatos) + QStringLiteral(".."); }

bool LlenaListaBasesDatos(QComboBox* lista) {
    lista->clear();
    datos::Recordset rs;
    if (!CreaRecordset(Conexion, rs, QStringLiteral("Select name from master.dbo.sysdatabases order by name")))
        return false;
    const QSignalBlocker bloqueo(lista);  // filling is not picking
    while (!rs.Eof()) {
        const QString nombre = rs.Fields(QStringLiteral("name")).Texto();
        lista->addItem(Trim(nombre), nombre);
        rs.MoveNext();
    }
    lista->setCurrentIndex(-1);
    return true;
}

QString BaseDatosDe(const QComboBox* lista, int indice) {
    if (indice < 0 || indice >= lista->count()) return QString();
    const QVariant catalogo = lista->itemData(indice);
    return catalogo.isValid() ? catalogo.toString() : lista->itemText(indice);
}

bool SeleccionaBaseDatos(const QString& baseDatos, QComboBox* lista) {
    for (int i = 0; i < lista->count(); ++i) {
        if (BaseDatosDe(lista, i) == baseDatos) {
            lista->setCurrentIndex(i);
            return true;
        }
    }
    lista->setCurrentIndex(-1);
    return false;
}

QString BaseDatosDelNodo(const Nodo& nodo) {
    const QString catalogo = nodo.Tag();
    return catalogo.isEmpty() ? nodo.Text() : catalogo;
}

QString BaseDatosDelPadre(const Nodo& nodo) { return BaseDatosDelNodo(nodo.Parent()); }

QString NombreConPropietario(const QString& propietario, const QString& nombre) {
    if (propietario.isEmpty() || propietario == QLatin1String("dbo")) return NombreSQL(nombre);
    return NombreSQL(propietario) + u'.' + NombreSQL(nombre);
}

QString DameIntercalacion(const QString& baseDatos) {
    QString resultado;
    Atrapa("DameIntercalacion", [&] {
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs,
                           QStringLiteral(" select convert(sysname,DatabasePropertyEx(") + CadenaSQL(baseDatos) +
                               QStringLiteral(",'Collation'))")))
            return;
        if (rs.RecordCount() > 0) resultado = rs.Fields(0).Texto();
        rs.Close();
    });
    return resultado;
}

QString DameTipoDato(const QString& tipo, bool& numerico) {
    struct Fila {
        const char* catalogo;
        const char* campo;  // nullptr: matched by the catalog number only
        const char* codigo;
        bool numerico;
    };
    static const Fila tabla[] = {
        {"173", "128", "1", false},  // binary
        {"104", "11", "2", false},   // bit
        {"175", "129", "3", false},  // char
        {"61", "133", "4", false},   // datetime
        {"106", "14", "5", true},    // decimal
        {"62", "5", "6", true},      // float
        {"34", "205", "7", false},   // image
        {"56", "3", "8", true},      // int
        {"60", "6", "9", true},      // money
        {"239", "130", "10", false}, // nchar
        {"99", "203", "11", false},  // ntext
        {"108", "131", "12", true},  // numeric
        {"231", "202", "13", false}, // nvarchar
        {"59", "4", "14", true},     // real
        {"58", "7", "15", false},    // smalldatetime
        {"52", "2", "16", true},     // smallint
        {"122", nullptr, "17", true}, // smallmoney
        {"35", nullptr, "18", false}, // text
        {"189", "135", "19", false}, // timestamp
        {"48", "16", "20", true},    // tinyint
        {"36", nullptr, "21", false}, // uniqueidentifier
        {"165", "204", "22", false}, // varbinary
        {"167", "200", "23", false}, // varchar
    };
    numerico = false;
    for (const auto& f : tabla) {
        if (tipo == QLatin1String(f.catalogo) || (f.campo && tipo == QLatin1String(f.campo))) {
            numerico = f.numerico;
            return QString::fromLatin1(f.codigo);
        }
    }
    return QStringLiteral("0");
}

void CapturaGruposFicheros_SQL() { CapturaGruposFicheros_SQL(NombreNodo, GruposFicheros); }

void CapturaGruposFicheros_SQL(const QString& baseDatos, ArrayDatos& grupos) {
    Atrapa("CapturaGruposFicheros_SQL", [&] {
        PonPrefijoBD(baseDatos);
        const QString sql = QStringLiteral("select  g.groupname,g.status,  g.groupid, 'filecount' =") +
                            QStringLiteral("         (select count(*) from ") + PrefijoBD +
                            QStringLiteral("sysfiles f") + QStringLiteral("             Where f.groupid = g.groupid") +
                            QStringLiteral("                 and (f.status & 0x40 <> 0x40))") +
                            QStringLiteral("     from ") + PrefijoBD + QStringLiteral("sysfilegroups g") +
                            QStringLiteral(" order by groupid");
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, sql)) return;
        if (!grupos) grupos = std::make_shared<GridDataArray>();
        // Re-dimensioning empties every cell: no row of an earlier load stays.
        grupos->Redimensiona(0, 200, 0, 4);
        int fila = 0;
        while (!rs.Eof()) {
            grupos->GrabaCelda(fila, 0, rs.Fields(QStringLiteral("groupname")).Texto());
            // The server's status bits: 0x08 read-only, 0x10 default.
            const qint64 estado = qint64(Val(rs.Fields(QStringLiteral("status")).Texto()));
            grupos->GrabaCelda(fila, 2, (estado & 0x08) ? QStringLiteral("-1") : QStringLiteral("0"));
            grupos->GrabaCelda(fila, 3, (estado & 0x10) ? QStringLiteral("-1") : QStringLiteral("0"));
            grupos->GrabaCelda(fila, 1, rs.Fields(QStringLiteral("filecount")).Texto());
            ++fila;
            rs.MoveNext();
        }
    });
}

void CapturaBD_SQL() {
    frmAdministrador* explorador = frmAdministrador::SiExiste();
    if (!explorador) {
        // The new explorer's load builds the tree (it calls back here and
        // finds itself); building it again would only repeat the queries.
        frmAdministrador::Instancia();
        return;
    }
    const bool bien = Atrapa("CapturaBD_SQL", [&] {
        NodosArbol nodos = explorador->trvBD->Nodes();
        nodos.Clear();
        // No node is selected now: nothing of the old selection stays to act on.
        explorador->ltvTablas->ListItems().Clear();
        explorador->GestionMenu(QString());
        if (Idioma == 0 || Idioma == 1) {
            const bool es = Idioma == 0;
            nodos.Add(QString(), QStringLiteral("S"), NombreServidor, QStringLiteral("Servidor")).Expanded(true);
            datos::Recordset rs;
            if (CreaRecordset(Conexion, rs, QStringLiteral("Select name from master.dbo.sysdatabases order by name"))) {
                nodos.Add(QStringLiteral("S"), QStringLiteral("B"),
                          es ? QStringLiteral("Bases de Datos") : QStringLiteral("Databases"),
                          QStringLiteral("CarpetaCerrada"))
                    .Expanded(true);
                while (!rs.Eof()) {
                    const QString catalogo = rs.Fields(QStringLiteral("name")).Texto();
                    const QString nombre = Trim(catalogo);
                    const QString base = QStringLiteral("BD") + nombre;
                    // Shown and keyed trimmed; every statement names the catalog's own name.
                    nodos.Add(QStringLiteral("B"), base, nombre, QStringLiteral("BaseDatos")).Tag(catalogo);
                    nodos.Add(base, QStringLiteral("DT") + nombre, es ? QStringLiteral("Tablas") : QStringLiteral("Tables"),
                              QStringLiteral("Tabla"));
                    nodos.Add(base, QStringLiteral("DV") + nombre, es ? QStringLiteral("Vistas") : QStringLiteral("Views"),
                              QStringLiteral("Vista"));
                    nodos.Add(base, QStringLiteral("DP") + nombre,
                              es ? QStringLiteral("Procedimientos almacenados") : QStringLiteral("Procedures Stores"),
                              QStringLiteral("Procedimientos"));
                    nodos.Add(base, QStringLiteral("DU") + nombre, es ? QStringLiteral("Usuarios") : QStringLiteral("Users"),
                              QStringLiteral("Usuario"));
                    rs.MoveNext();
                }
            }
            nodos.Add(QStringLiteral("S"), QStringLiteral("SG"), es ? QStringLiteral("Seguridad") : QStringLiteral("Security"),
                      QStringLiteral("CarpetaCerrada"))
                .Expanded(true);
            nodos.Add(QStringLiteral("SG"), QStringLiteral("DI"),
                      es ? QStringLiteral("Inicio Sesión") : QStringLiteral("Inicio Sesion"), QStringLiteral("Usuarios"))
                .Expanded(true);
        }
        PunteroRaton(vb::vbDefault);
    });
    if (!bien) PunteroRaton(vb::vbDefault);
}
