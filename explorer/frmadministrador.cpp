#include "explorer/frmadministrador.h"

#include "common/funciones.h"
#include "common/menusprincipales.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "explorer/imagenesexplorador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/raton.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

// The list's headers of the tables, procedures and views lists.
void EncabezadosObjetos(ListaElementos* lista) {
    if (Idioma == 0) {
        lista->Encabezado(1, QStringLiteral("Nombre"));
        lista->Encabezado(2, QStringLiteral("Propietario"));
        lista->Encabezado(3, QStringLiteral("Usuario"));
        lista->Encabezado(4, QStringLiteral("Fecha creación"));
    } else if (Idioma == 1) {
        lista->Encabezado(1, QStringLiteral("Name"));
        lista->Encabezado(2, QStringLiteral("Owner"));
        lista->Encabezado(3, QStringLiteral("User"));
        lista->Encabezado(4, QStringLiteral("Creation Date"));
    }
}

// " Tablas 12 elementos" / " Tables 12 elements".
void PonDetalle(QLabel* etiqueta, const QString& palabraEs, const QString& palabraEn, qsizetype cuenta) {
    const QString n = QString::number(cuenta);
    ConIdioma(u' ' + palabraEs + u' ' + n + QStringLiteral(" elementos"),
              u' ' + palabraEn + u' ' + n + QStringLiteral(" elements"),
              [etiqueta](const QString& t) { etiqueta->setText(t); });
}

// The end of the tables, views and procedures statements, after the select list.
QString DesdeObjetos(const QString& filtro) {
    return QStringLiteral(" from ") + PrefijoBD + QStringLiteral("sysobjects t,") + PrefijoBD +
           QStringLiteral("sysusers u") + filtro + QStringLiteral(" and u.uid = t.uid") +
           QStringLiteral(" order by t.name");
}

// The rows of a tables, views or procedures list, read in place from the
// result of its statement: name, owner, the kind of object and the creation
// date. A table or procedure is keyed by its letter and its row; a view by
// its letter and its quoted owner and name.
class FuenteObjetos : public FuenteElementos {
public:
    FuenteObjetos(const datos::Recordset& rs, QChar letra, bool vistas)
        : datos_(rs.Datos()), letra_(letra), vistas_(vistas) {
        const QString campos[] = {QStringLiteral("tabla"), QStringLiteral("usuario"),
                                  vistas ? QStringLiteral("categoria") : QStringLiteral("tipo"),
                                  QStringLiteral("fecha")};
        for (int c = 0; c < 4; ++c) {
            if (!rs.Eof()) rs.Fields(campos[c]);  // a missing field fails as the recordset fails it
            columnas_[c] = datos_->indexOf(campos[c]);
        }
        usuario_ = Idioma == 0 ? QStringLiteral("Usuario") : QStringLiteral("User");
        vistaUsuario_ = Idioma == 0 ? QStringLiteral("Usiario") : QStringLiteral("User");
        sistema_ = Idioma == 0 ? QStringLiteral("Sistema") : QStringLiteral("Sistem");
        conMarca_ = Idioma == 0 || Idioma == 1;
    }

    int Cuenta() const override { return int(datos_->rowCount()); }

    QString Clave(int fila) const override {
        if (!vistas_) return letra_ + QString::number(fila);
        return letra_ + NombreSQL(Texto(fila, 1)) + u'.' + NombreSQL(Texto(fila, 0));
    }

    QString Celda(int fila, int columna) const override {
        if (columna != 2) return columna < 4 ? Texto(fila, columna) : QString();
        if (!conMarca_) return QString();
        const QString marca = Trim(Texto(fila, 2));
        if (vistas_) return marca == QLatin1String("0") ? vistaUsuario_ : sistema_;
        if (marca == QLatin1String("U")) return usuario_;
        if (marca == QLatin1String("S")) return sistema_;
        return QString();
    }

private:
    QString Texto(int fila, int campo) const { return datos_->text(fila, columnas_[campo]); }

    std::shared_ptr<const datos::ResultSet> datos_;
    int columnas_[4] = {};
    QChar letra_;
    bool vistas_;
    bool conMarca_;
    QString usuario_, vistaUsuario_, sistema_;
};

}  // namespace

frmAdministrador::frmAdministrador() : FormularioUnico(QStringLiteral("frmAdministrador"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Administrador"));
    CargaImagenesExplorador(ImageList1);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(2, 2, 2, 2);
    divisor_ = new QSplitter(Qt::Horizontal, this);
    divisor_->setObjectName(QStringLiteral("divisor"));
    divisor_->setChildrenCollapsible(false);

    trvBD = new ArbolNodos(divisor_);
    trvBD->setObjectName(QStringLiteral("trvBD"));
    trvBD->ImageList(&ImageList1);
    trvBD->setMinimumWidth(160);

    auto* derecha = new QWidget(divisor_);
    auto* capaDerecha = new QVBoxLayout(derecha);
    capaDerecha->setContentsMargins(0, 0, 0, 0);
    capaDerecha->setSpacing(2);
    ltvTablas = new ListaElementos(4, derecha);
    ltvTablas->setObjectName(QStringLiteral("ltvTablas"));
    ltvTablas->Encabezado(1, QStringLiteral("Nombre"));
    ltvTablas->Encabezado(2, QStringLiteral("Propietario"));
    ltvTablas->Encabezado(3, QStringLiteral("Usuario"));
    ltvTablas->Encabezado(4, QStringLiteral("Fecha de creación"));
    ltvTablas->header()->resizeSection(0, 200);
    ltvTablas->header()->resizeSection(1, 100);
    ltvTablas->header()->resizeSection(2, 80);
    lblDetalle = new QLabel(derecha);
    lblDetalle->setObjectName(QStringLiteral("lblDetalle"));
    lblDetalle->setFrameShape(QFrame::StyledPanel);
    lblDetalle->setFrameShadow(QFrame::Sunken);
    capaDerecha->addWidget(ltvTablas, 1);
    capaDerecha->addWidget(lblDetalle);

    divisor_->addWidget(trvBD);
    divisor_->addWidget(derecha);
    divisor_->setStretchFactor(0, 0);
    divisor_->setStretchFactor(1, 1);
    divisor_->setSizes({230, 530});
    capa->addWidget(divisor_);
    resize(sizeHint());

    connect(trvBD, &ArbolNodos::Click, this, &frmAdministrador::trvBD_Click);
    connect(trvBD, &ArbolNodos::MouseDown, this, &frmAdministrador::trvBD_MouseDown);
    connect(ltvTablas, &ListaElementos::MouseDown, this, &frmAdministrador::ltvTablas_MouseDown);
}

// ---- The window ----

void frmAdministrador::Form_Load() {
    Atrapa("Form_Load", [&] {
        MenusPrincipales::Habilita(MenusPrincipales::Principales()->mnuBaseDatos, true);
        CapturaBD_SQL();
        EncabezadosObjetos(ltvTablas);
    });
}

void frmAdministrador::Form_Activate() {
    // Restoring a minimised window activates it again; that activation is this one.
    if (activando_) return;
    activando_ = true;
    Atrapa("Form_Activate", [&] {
        PonIdioma();
        if (Minimizado()) Restaura();
        AEsquina();
        MenusPrincipales* m = MenusPrincipales::Principales();
        MenusPrincipales::Habilita(m->mnuBaseDatos, true);
        MenusPrincipales::Habilita(m->mnuConsulta, false);
        // With no node selected (after a rebuild) the list is emptied.
        ListaNodo(trvBD->SelectedItem());
    });
    activando_ = false;
}

void frmAdministrador::Form_Unload(int& Cancel) {
    Q_UNUSED(Cancel);
    if (auto* m = MenusPrincipales::SiExisten()) MenusPrincipales::Habilita(m->mnuBaseDatos, false);
}

void frmAdministrador::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        ConIdioma(QStringLiteral("Administrador"), QStringLiteral("Administrator"),
                  [this](const QString& t) { setWindowTitle(t); });
    });
}

// ---- The tree ----

void frmAdministrador::ListaNodo(const Nodo& nodo) {
    const QString k = nodo.EsNada() ? QString() : nodo.Key().left(2);
    if (k == QLatin1String("DT")) {
        PonPrefijoBD(BaseDatosDelPadre(nodo));
        MuestraTablas(nodo.Text());
    } else if (k == QLatin1String("DV")) {
        PonPrefijoBD(BaseDatosDelPadre(nodo));
        MuestraVistas();
    } else if (k == QLatin1String("DI")) {
        PonPrefijoBD(BaseDatosDelPadre(nodo));
        Muestra_InicioSesion();
    } else if (k == QLatin1String("DU")) {
        PonPrefijoBD(BaseDatosDelPadre(nodo));
        MuestraUsuarios(BaseDatosDelPadre(nodo));
    } else if (k == QLatin1String("DP")) {
        PonPrefijoBD(BaseDatosDelPadre(nodo));
        MuestraProcedimientos(BaseDatosDelPadre(nodo));
    } else {
        ltvTablas->ListItems().Clear();
    }
}

void frmAdministrador::trvBD_Click() {
    PunteroRaton(vb::vbHourglass);
    const bool bien = Atrapa("trvBD_Click", [&] {
        const Nodo nodo = trvBD->SelectedItem();
        const QString clave = nodo.Key();
        ListaNodo(nodo);
        GestionMenu(clave);
        PunteroRaton(vb::vbDefault);
    });
    if (!bien) PunteroRaton(vb::vbDefault);
}

void frmAdministrador::trvBD_MouseDown(int Button, int Shift, int x, int y) {
    Q_UNUSED(Shift);
    Atrapa("trvBD_MouseDown", [&] {
        Nodo nodo = trvBD->HitTest(x, y);
        if (nodo.EsNada()) return;
        // Selecting another node lists it (the tree's Click), so that a
        // command of the menu never acts on another node's objects.
        nodo.Selected(true);
        if (Button == vb::vbRightButton) {
            GestionMenu(trvBD->SelectedItem().Key());
            MenuEmergente(MenusPrincipales::Principales()->mnuBaseDatos, trvBD->viewport()->mapToGlobal(QPoint(x, y)));
        }
    });
}

void frmAdministrador::ltvTablas_MouseDown(int Button, int Shift, int x, int y) {
    Q_UNUSED(Shift);
    Atrapa("ltvTablas_MouseDown", [&] {
        ElementoLista elemento = ltvTablas->HitTest(x, y);
        if (elemento.EsNada()) return;
        elemento.Selected(true);
        if (Button == vb::vbRightButton) {
            GestionMenu(ltvTablas->SelectedItem().Key());
            MenuEmergente(MenusPrincipales::Principales()->mnuBaseDatos,
                          ltvTablas->viewport()->mapToGlobal(QPoint(x, y)));
        }
    });
}

void frmAdministrador::GestionMenu(const QString& Clave) {
    Atrapa("GestionMenu", [&] {
        MenusPrincipales* m = MenusPrincipales::Principales();
        for (QAction* a : {m->mnuNuevaBD, m->mnuAñadirTabla, m->mnuAñadirVista, m->mnuAñadirProcedimiento,
                           m->mnuPropiedadesBD, m->mnuDiseño, m->mnuEliminar, m->mnuCopiaSeguridad,
                           m->mnuRestaurarCopia, m->mnuAñadirInicioSesion, m->mnuVerRegistros, m->mnuAñadirUsuario})
            a->setEnabled(false);
        auto enciende = [](std::initializer_list<QAction*> acciones) {
            for (QAction* a : acciones) a->setEnabled(true);
        };
        auto empieza = [&Clave](const char* codigo) { return Clave.startsWith(QLatin1String(codigo)); };
        if (Clave == QLatin1String("B"))
            enciende({m->mnuNuevaBD});
        else if (empieza("B"))
            enciende({m->mnuNuevaBD, m->mnuAñadirTabla, m->mnuAñadirVista, m->mnuPropiedadesBD, m->mnuEliminar,
                      m->mnuCopiaSeguridad, m->mnuRestaurarCopia});
        else if (empieza("DT"))
            enciende({m->mnuAñadirTabla});
        else if (empieza("DV"))
            enciende({m->mnuAñadirVista});
        else if (empieza("DP"))
            enciende({m->mnuAñadirProcedimiento});
        else if (empieza("DI"))
            enciende({m->mnuAñadirInicioSesion});
        else if (empieza("DU"))
            enciende({m->mnuAñadirUsuario});
        else if (empieza("T"))
            enciende({m->mnuAñadirTabla, m->mnuDiseño, m->mnuEliminar, m->mnuVerRegistros});
        else if (empieza("V"))
            enciende({m->mnuAñadirVista, m->mnuDiseño, m->mnuEliminar, m->mnuVerRegistros});
        else if (empieza("P"))
            enciende({m->mnuAñadirProcedimiento, m->mnuDiseño, m->mnuEliminar});
        else if (empieza("I"))
            enciende({m->mnuAñadirInicioSesion, m->mnuDiseño, m->mnuEliminar});
        else if (empieza("U"))
            enciende({m->mnuAñadirUsuario, m->mnuDiseño, m->mnuEliminar});
    });
}

// ---- The lists ----

void frmAdministrador::ListaObjetos(QChar letra, const QString& sql, const QString& palabraEs,
                                    const QString& palabraEn, bool vistas) {
    auto elementos = ltvTablas->ListItems();
    elementos.Clear();
    EncabezadosObjetos(ltvTablas);
    datos::Recordset rs;
    if (!CreaRecordset(Conexion, rs, sql)) return;
    PonDetalle(lblDetalle, palabraEs, palabraEn, rs.RecordCount());
    elementos.Muestra(std::make_shared<FuenteObjetos>(rs, letra, vistas));
}

void frmAdministrador::MuestraTablas(const QString& BaseDatos) {
    Q_UNUSED(BaseDatos);
    Atrapa("MuestraTablas", [&] {
        ListaObjetos(u'T',
                     QStringLiteral("Select t.name as tabla,t.xtype as tipo,u.name as usuario,t.crdate as fecha ") +
                         DesdeObjetos(QStringLiteral(" where (t.xtype = 'U'or t.xtype = 'S')")),
                     QStringLiteral("Tablas"), QStringLiteral("Tables"), false);
    });
}

void frmAdministrador::MuestraProcedimientos(const QString& BaseDatos) {
    Q_UNUSED(BaseDatos);
    Atrapa("MuestraProcedimientos", [&] {
        ListaObjetos(u'P',
                     QStringLiteral("Select t.name as tabla,t.xtype as tipo,u.name as usuario,t.crdate as fecha ") +
                         DesdeObjetos(QStringLiteral(" where t.xtype = 'P'")),
                     QStringLiteral("Procedimientos"), QStringLiteral("Procedures"), false);
    });
}

void frmAdministrador::MuestraVistas() {
    Atrapa("MuestraVistas", [&] {
        ListaObjetos(
            u'V',
            QStringLiteral("Select t.name as tabla,t.category as categoria,u.name as usuario,t.crdate as fecha ") +
                DesdeObjetos(QStringLiteral(" where (t.xtype = 'V')")),
            QStringLiteral("Vistas"), QStringLiteral("Views"), true);
    });
}

void frmAdministrador::MuestraUsuarios(const QString& BaseDatos) {
    Atrapa("MuestraUsuarios", [&] {
        auto elementos = ltvTablas->ListItems();
        elementos.Clear();
        if (Idioma == 0) {
            ltvTablas->Encabezado(1, QStringLiteral("Nombre"));
            ltvTablas->Encabezado(2, QStringLiteral("Inicio sesión"));
        } else if (Idioma == 1) {
            ltvTablas->Encabezado(1, QStringLiteral("Name"));
            ltvTablas->Encabezado(2, QStringLiteral("Inicio sesion"));
        }
        ltvTablas->Encabezado(3, QString());
        ltvTablas->Encabezado(4, QString());
        const QString blancos(19, u' ');
        const QString sql = QStringLiteral(" SELECT usu.Name as nombre,lo.loginname as login") +
                            QStringLiteral("         From ") + blancos + NombreSQL(BaseDatos) +
                            QStringLiteral("..sysusers usu ,master.dbo.syslogins lo") +
                            QStringLiteral("         Where usu.sid = lo.sid and ") + blancos +
                            QStringLiteral("(usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) ");
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, sql)) return;
        PonDetalle(lblDetalle, QStringLiteral("Usuarios"), QStringLiteral("Users"), rs.RecordCount());
        ListaElementos::Relleno relleno(ltvTablas);
        while (!rs.Eof()) {
            const QString nombre = rs.Fields(QStringLiteral("nombre")).Texto();
            ElementoLista e = elementos.Add(u'U' + nombre, nombre);
            e.SubItems(1, rs.Fields(QStringLiteral("login")).Texto());
            rs.MoveNext();
        }
    });
}

void frmAdministrador::Muestra_InicioSesion() {
    const bool bien = Atrapa("Muestra_InicioSesion", [&] {
        auto elementos = ltvTablas->ListItems();
        elementos.Clear();
        ConIdioma(QStringLiteral("Nombre"), QStringLiteral("Name"),
                  [this](const QString& t) { ltvTablas->Encabezado(1, t); });
        for (int k = 2; k <= 4; ++k) ltvTablas->Encabezado(k, QString());
        if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
        datos::Recordset rs;
        rs.Open(Conexion->Query(QStringLiteral("sp_helplogins")));
        {
            ListaElementos::Relleno relleno(ltvTablas);
            while (!rs.Eof()) {
                const QString nombre = rs.Fields(0).Texto();
                ElementoLista e = elementos.Add(u'I' + nombre, nombre);
                for (int i = 1; i <= 3; ++i) e.SubItems(i, QString());
                rs.MoveNext();
            }
        }
        PunteroRaton(vb::vbDefault);
    });
    if (!bien) PunteroRaton(vb::vbDefault);
}
