#pragma once
// A bench for tests that work through the explorer: the catalog statements
// it sends, a scripted server's answers to them, and clicks on its tree and
// list.

#include "app/mdiprincipal.h"
#include "common/globales.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/tabladatos.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"
#include "explorer/consolasql.h"
#include "support/entorno.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QTest>

inline const QString kBases = QStringLiteral("Select name from master.dbo.sysdatabases order by name");
inline const QString kInicio = QStringLiteral("Select t.name as tabla,t.xtype as tipo,u.name as usuario,t.crdate as fecha  from ");

inline QString Objetos(const QString& inicio, const QString& p, const QString& filtro) {
    return inicio + p + "sysobjects t," + p + "sysusers u" + filtro + " and u.uid = t.uid order by t.name";
}
inline QString SqlTablas(const QString& p) { return Objetos(kInicio, p, " where (t.xtype = 'U'or t.xtype = 'S')"); }
inline QString SqlProcedimientos(const QString& p) { return Objetos(kInicio, p, " where t.xtype = 'P'"); }
inline QString SqlVistas(const QString& p) {
    return Objetos("Select t.name as tabla,t.category as categoria,u.name as usuario,t.crdate as fecha  from ", p,
                   " where (t.xtype = 'V')");
}
inline QString SqlUsuarios(const QString& base) {
    return " SELECT usu.Name as nombre,lo.loginname as login         From                    " + base +
           "..sysusers usu ,master.dbo.syslogins lo         Where usu.sid = lo.sid and                    "
           "(usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) ";
}
// The users of a database that belong to a login (same security id), with
// the number of objects each owns; and the databases a login owns.
inline QString SqlDelLogin(const QString& prefijo, const QString& literal) {
    return "Select u.name,(select count(*) from " + prefijo + "sysobjects o where o.uid = u.uid) as objetos from " +
           prefijo + "sysusers u,master.dbo.syslogins l where u.sid = l.sid and l.name = '" + literal +
           "' and u.uid <> 1";
}
inline QString SqlBasesDelLogin(const QString& literal) {
    return "Select name from master.dbo.sysdatabases where sid = suser_sid('" + literal + "')";
}

inline const QDateTime kFecha(QDate(2003, 5, 14), QTime(10, 30, 0));

class PruebaExplorador : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        conexion->AbreSinMas();
        Conexion = conexion;
        NombreServidor = QStringLiteral("SRV1");
        mdiPrincipal::Instancia()->Show();
        m()->mnuAdministrador->setEnabled(true);  // as after a connect
        fecha = datos::TextoDeValor(QVariant(kFecha));
    }
    mdiPrincipal* m() { return mdiPrincipal::SiExiste(); }

    void RespondeBases(const QStringList& nombres) {
        ConexionGuion::Filas filas;
        for (const auto& n : nombres) filas.append({n});
        conexion->Responde(kBases, QStringList{"name"}, filas);
    }
    // Opens the explorer from the menu on the server's databases.
    frmAdministrador* Abre(const QStringList& bases = {"master", "Tienda"}) {
        RespondeBases(bases);
        m()->mnuAdministrador->trigger();
        conexion->Enviadas.clear();
        puntero.Historia.clear();
        return frmAdministrador::SiExiste();
    }
    // Object rows: name, type or category, owner (the date is kFecha).
    void Objetos(const QString& sql, const char* marca, const QList<QStringList>& filas) {
        ConexionGuion::Filas r;
        for (const auto& f : filas) r.append({f[0], f[1], f[2], kFecha});
        conexion->Responde(sql, QStringList{"tabla", marca, "usuario", "fecha"}, r);
    }
    void RespondeLogins(const QStringList& nombres) {
        ConexionGuion::Filas filas;
        for (const auto& n : nombres) filas.append({n, QStringLiteral("master")});
        conexion->Responde(QStringLiteral("sp_helplogins"), QStringList{"LoginName", "DefDBName"}, filas);
    }

    // The list's rows as key|text|sub-item 1|2|3, and its headers.
    static QStringList Filas(frmAdministrador* f) {
        QStringList r;
        auto items = f->ltvTablas->ListItems();
        for (int i = 1; i <= items.Count(); ++i) {
            const auto e = items.Item(i);
            r.append(QStringList{e.Key(), e.Text(), e.SubItems(1), e.SubItems(2), e.SubItems(3)}.join(u'|'));
        }
        return r;
    }
    static QStringList Encabezados(frmAdministrador* f) {
        QStringList r;
        for (int k = 1; k <= 4; ++k) r.append(f->ltvTablas->Encabezado(k));
        return r;
    }
    // The database menu's items switched on, in the order the menu logic takes them.
    QStringList Activos() {
        QStringList r;
        for (QAction* a : Doce())
            if (a->isEnabled()) r.append(a->objectName());
        return r;
    }
    QList<QAction*> Doce() {
        return {m()->mnuNuevaBD,        m()->mnuAñadirTabla,    m()->mnuAñadirVista,  m()->mnuAñadirProcedimiento,
                m()->mnuPropiedadesBD,  m()->mnuDiseño,         m()->mnuEliminar,     m()->mnuCopiaSeguridad,
                m()->mnuRestaurarCopia, m()->mnuAñadirInicioSesion, m()->mnuVerRegistros, m()->mnuAñadirUsuario};
    }

    // The mouse pressed and released over a node or a list row.
    static QPoint PuntoNodo(frmAdministrador* f, const QString& clave) {
        QTreeWidgetItem* e = f->trvBD->Nodes().Item(clave).Elemento();
        f->trvBD->scrollToItem(e);
        return f->trvBD->visualItemRect(e).center();
    }
    static void Raton(QAbstractItemView* v, const QPoint& p, Qt::MouseButton b,
                      Qt::KeyboardModifiers teclas = Qt::NoModifier) {
        const QPoint g = v->viewport()->mapToGlobal(p);
        QMouseEvent pulsa(QEvent::MouseButtonPress, p, g, b, b, teclas);
        QApplication::sendEvent(v->viewport(), &pulsa);
        QMouseEvent suelta(QEvent::MouseButtonRelease, p, g, b, Qt::NoButton, teclas);
        QApplication::sendEvent(v->viewport(), &suelta);
    }
    // A click as the desktop delivers it: the press gives the keyboard as
    // the widgets' focus policies say.
    static void Clic(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }
    // A double click on a grid's cell (the array row's grid row): a press,
    // a release, the double-click press and its release.
    static void DobleClic(QAbstractItemView* v, int fila, int col) {
        const QModelIndex i = v->model()->index(fila, col);
        v->scrollTo(i);
        const QPoint p = v->visualRect(i).center();
        Raton(v, p, Qt::LeftButton);
        const QPoint g = v->viewport()->mapToGlobal(p);
        QMouseEvent dos(QEvent::MouseButtonDblClick, p, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &dos);
        QMouseEvent suelta(QEvent::MouseButtonRelease, p, g, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &suelta);
    }
    static void ClicNodo(frmAdministrador* f, const QString& clave, Qt::MouseButton b = Qt::LeftButton) {
        Raton(f->trvBD, PuntoNodo(f, clave), b);
    }
    static void ClicFila(frmAdministrador* f, int fila, Qt::MouseButton b = Qt::LeftButton) {
        const QModelIndex i = f->ltvTablas->model()->index(fila, 0);
        f->ltvTablas->scrollTo(i);
        Raton(f->ltvTablas, f->ltvTablas->visualRect(i).center(), b);
    }

    QString fecha;  // kFecha as the list shows it
};

// A bench for the table designer: the database's filegroups loaded, as the
// openers load them, and the designer's module state back to a program that
// has just started after each test.
class PruebaDiseñador : public PruebaExplorador {
protected:
    void TearDown() override {
        ReiniciaBD_SQL();
        PruebaExplorador::TearDown();
    }
    // GruposFicheros holding these filegroups, rows from 0.
    static void PonGrupos(const QStringList& grupos) {
        GruposFicheros = std::make_shared<GridDataArray>();
        GruposFicheros->Redimensiona(0, 200, 0, 4);
        for (int i = 0; i < grupos.size(); ++i) GruposFicheros->GrabaCelda(i, 0, grupos[i]);
    }
    // A designer of a new table of the database, opened as the opener does.
    template <class T = frmTabla>
    T* NuevoDiseñador(const QString& base = QStringLiteral("Tienda")) {
        NombreNodo = base;
        TablaNueva = true;
        auto* d = new T();
        MuestraFormulario(d);
        return d;
    }
};
