// The database window's file and filegroup grids: loading the files of an
// existing database, the check of each cell, the defaults of a new row, the
// cells that may not be edited, Enter, the folder button, the filegroup
// test, and the CREATE DATABASE built from the two file lists.

#include "database/frmpropiedadesbd.h"
#include "database/frmubicacion.h"
#include "database/textosbd.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"

#include <QLineEdit>

namespace {

const QString kActivo = QStringLiteral("-1");

QString Nombre(const RejillaDatos* g, const char* evento) {
    return g->objectName() + QStringLiteral("_") + QString::fromUtf8(evento);
}

// The array row under the grid's cursor.
int FilaDe(const RejillaDatos* g) { return g->PrimeraFila() + g->FilaActual(); }

// Runs a handler under its own name.
template <class F>
void Maneja(const RejillaDatos* g, const char* evento, F&& cuerpo) {
    const QByteArray nombre = Nombre(g, evento).toUtf8();
    Atrapa(nombre.constData(), std::forward<F>(cuerpo));
}

}  // namespace

void frmPropiedadesBD::PreparaRejillaFicheros(RejillaDatos* g, bool registro) {
    g->Columns(Ubicacion_).Boton(true);
    g->Columns(CrecimientoAutomatico).CasillaVerificacion(true);
    g->Columns(LimitarCrecimiento).CasillaVerificacion(true);
    ElementosValor unidades = g->Columns(UnidadCrecimiento).ValueItems();
    unidades.Add(QStringLiteral("M"), QStringLiteral("En Megabytes"));
    unidades.Add(QStringLiteral("P"), registro ? QStringLiteral("En porcentaje") : QStringLiteral("En Porcentaje"));
    g->Columns(9).Visible(false);
    g->Columns(NombreArchivo).Width(110);
    g->Columns(Ubicacion_).Width(170);
}

void frmPropiedadesBD::ConectaRejillaFicheros(RejillaDatos* g, bool registro) {
    g->BeforeColEdit = [this, g, registro](int c, int, int& cancel) {
        Maneja(g, "BeforeColEdit", [&] { BeforeColEdit(g, registro, c, cancel); });
    };
    g->BeforeColUpdate = [this, g, registro](int c, const QString&, int& cancel) {
        Maneja(g, "BeforeColUpdate", [&] { BeforeColUpdate(g, registro, c, cancel); });
    };
    g->AfterColUpdate = [this, g](int c) { Maneja(g, "AfterColUpdate", [&] { AfterColUpdate(g, c); }); };
    g->KeyPress = [this, g, registro](int& k) { Maneja(g, "KeyPress", [&] { KeyPressFicheros(g, registro, k); }); };
    g->ButtonClick = [this, g](int c) { Maneja(g, "ButtonClick", [&] { ButtonClick(g, c); }); };
}

void frmPropiedadesBD::ConectaRejillaGrupos() {
    RejillaDatos* g = TDBGridGrupos;
    g->KeyPress = [g](int& k) {
        Maneja(g, "KeyPress", [&] {
            if (k == 13) {
                if (g->ColumnaActual() == 3) {
                    const int fila = FilaDe(g);
                    g->FilaActual((fila == kUltimaFilaBD ? 0 : fila + 1) - g->PrimeraFila());
                } else {
                    g->ColumnaActual(g->ColumnaActual() + 1);
                }
                k = 0;
            } else if (g->Columns(g->ColumnaActual()).Locked()) {
                k = 0;
                Beep();
            }
        });
    };
}

// ---- Loading ----

void frmPropiedadesBD::CargaFicheros() {
    Atrapa("CargaFicheros", [&] {
        PonPrefijoBD(BaseDatos);
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs,
                           QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("sysfiles ") +
                               QStringLiteral(" order by fileid,groupid")))
            return;
        if (!ArrayArchivos) ArrayArchivos = std::make_shared<GridDataArray>();
        if (!ArrayTransacciones) ArrayTransacciones = std::make_shared<GridDataArray>();
        ArrayArchivos->Redimensiona(0, kUltimaFilaBD, 0, 9);
        ArrayTransacciones->Redimensiona(0, kUltimaFilaBD, 0, 9);
        // Bound grids follow what is loaded, also when a failure stops it.
        struct Reenlace {
            frmPropiedadesBD* v;
            ~Reenlace() {
                if (v->TDBGridArchivos->MatrizEnlazada() == v->ArrayArchivos) v->TDBGridArchivos->Reenlaza();
                if (v->TDBGridTransacciones->MatrizEnlazada() == v->ArrayTransacciones)
                    v->TDBGridTransacciones->Reenlaza();
            }
        } reenlace{this};
        int filaDatos = 0, filaRegistro = 0;
        while (!rs.Eof()) {
            const QString grupo = rs.Fields(QStringLiteral("groupid")).Texto();
            const bool registro = grupo == QLatin1String("0");
            GridDataArray& a = registro ? *ArrayTransacciones : *ArrayArchivos;
            // Past row 200 the write fails with 9: the rows loaded so far stay.
            const int f = registro ? filaRegistro++ : filaDatos++;
            a.GrabaCelda(f, NombreArchivo, rs.Fields(QStringLiteral("name")).Texto());
            const QString fichero = rs.Fields(QStringLiteral("filename")).Texto();
            a.GrabaCelda(f, Ubicacion_, fichero.left(int(Trim(fichero).lastIndexOf(u'\\')) + 1));
            a.GrabaCelda(f, TamañoInicial, MegasDePaginas(Val(rs.Fields(QStringLiteral("size")).Texto()), !registro));
            if (registro) {
                a.GrabaCelda(f, GrupoArchivos, QStringLiteral("LOG"));
            } else {
                PonPrefijoBD(BaseDatos);
                a.GrabaCelda(f, GrupoArchivos,
                             BuscaRegistro(Conexion, QStringLiteral("sysfilegroups"), QStringLiteral("groupname"),
                                           QStringLiteral("groupid"), grupo, QStringLiteral("Numerico")));
            }
            const double crecimiento = Val(rs.Fields(QStringLiteral("growth")).Texto());
            a.GrabaCelda(f, CrecimientoAutomatico, crecimiento == 0 ? QStringLiteral("0") : kActivo);
            const bool porcentaje = Val(rs.Fields(QStringLiteral("status")).Texto()) >= 1048576;
            a.GrabaCelda(f, UnidadCrecimiento, porcentaje ? QStringLiteral("P") : QStringLiteral("M"));
            a.GrabaCelda(f, CantidadCrecimiento,
                         porcentaje ? rs.Fields(QStringLiteral("growth")).Texto() : MegasDePaginas(crecimiento, false));
            const double maximo = Val(rs.Fields(QStringLiteral("maxsize")).Texto());
            a.GrabaCelda(f, LimitarCrecimiento, maximo == -1 ? QStringLiteral("0") : kActivo);
            if (maximo != -1) a.GrabaCelda(f, CantidadMaxima, MegasDePaginas(maximo, false));
            rs.MoveNext();
        }
    });
}

// ---- The check of a cell ----

bool frmPropiedadesBD::CompruebaCeldaArchivos(short ColIndex) {
    bool ok = false;
    Atrapa("CompruebaCeldaArchivos", [&] { ok = CompruebaCelda(TDBGridArchivos, false, ColIndex); });
    return ok;
}

bool frmPropiedadesBD::CompruebaCeldaTransacciones(short ColIndex) {
    bool ok = false;
    Atrapa("CompruebaCeldaTransacciones", [&] { ok = CompruebaCelda(TDBGridTransacciones, true, ColIndex); });
    return ok;
}

bool frmPropiedadesBD::CompruebaCelda(RejillaDatos* g, bool registro, short ColIndex) {
    const auto rechaza = [&](int columna) {
        g->Columns(columna).Value(QString());
        g->RefrescaFila();
        // Set again on its own cell the grid would store the edit in course.
        if (g->ColumnaActual() != columna) g->ColumnaActual(columna);
        return false;
    };
    const auto numerica = [&](int columna) {
        if (EsNumeroBD(g->Columns(columna).Value())) return true;
        MensajeUsuario(QStringLiteral("Valor no numérico."), QStringLiteral("Not numerical value."));
        return rechaza(columna);
    };
    const auto limite = [&] {
        if (Val(g->Columns(LimitarCrecimiento).Value()) == -1 && g->Columns(CantidadMaxima).Value().isEmpty()) {
            MensajeUsuario(QStringLiteral("Inserte Cantidad limite."), QStringLiteral("Insetrt limit quantity."));
            return rechaza(CantidadMaxima);
        }
        return true;
    };
    switch (ColIndex) {
    case NombreArchivo:
        if (g->Columns(GrupoArchivos).Value().isEmpty()) {
            const QStringList defecto{QStringLiteral("1"),  registro ? QStringLiteral("LOG") : QStringLiteral("PRIMARY"),
                                      kActivo,              QStringLiteral("P"),
                                      QStringLiteral("10"), QStringLiteral("0"),
                                      QString()};
            for (int k = 0; k < defecto.size(); ++k) g->Columns(TamañoInicial + k).Value(defecto[k]);
            g->RefrescaFila();
        }
        return true;
    case TamañoInicial:
        return numerica(TamañoInicial);
    case CantidadCrecimiento:
        if (registro && Trim(g->Columns(CantidadCrecimiento).Value()).isEmpty()) return limite();
        return numerica(CantidadCrecimiento);
    case LimitarCrecimiento:
        return limite();
    case CantidadMaxima:
        if (Trim(g->Columns(CantidadMaxima).Value()).isEmpty()) return true;
        return numerica(CantidadMaxima);
    default:
        return true;
    }
}

bool frmPropiedadesBD::ExisteGrupoFichero(const QString& Nombre) {
    bool existe = false;
    Atrapa("ExisteGrupoFichero", [&] {
        if (!ArrayGrupos) return;
        const int ultima = std::min(kUltimaFilaBD, ArrayGrupos->FilaSuperior());
        for (int fila = ArrayGrupos->FilaInferior(); fila <= ultima && !existe; ++fila) {
            // Blanks alone make a row empty; a group is matched as it stands.
            const QString grupo = ArrayGrupos->LeeCelda(fila, 0);
            existe = !Trim(grupo).isEmpty() && grupo.toUpper() == Nombre.toUpper();
        }
    });
    return existe;
}

// ---- Grid events ----

void frmPropiedadesBD::BeforeColEdit(RejillaDatos* g, bool registro, int ColIndex, int& Cancel) {
    const int fila = FilaDe(g);
    if (ColIndex == GrupoArchivos && fila == 0) {
        Cancel = 1;
    } else if (ColIndex == GrupoArchivos && registro && sstBaseDatos->PestañaActiva(PestañaGrupos) &&
               !ExisteGrupoFichero(g->Columns(GrupoArchivos).Value())) {
        MensajeUsuario(QStringLiteral("No existe el grupo de ficheros."), QStringLiteral("File group not exists."));
        Cancel = 1;
    } else if ((ColIndex == UnidadCrecimiento || ColIndex == CantidadCrecimiento) &&
               g->Columns(CrecimientoAutomatico).Value() == QLatin1String("0")) {
        Cancel = 1;
    } else if (ColIndex == CantidadMaxima && g->Columns(LimitarCrecimiento).Value() == QLatin1String("0")) {
        Cancel = 1;
    }
}

void frmPropiedadesBD::BeforeColUpdate(RejillaDatos* g, bool registro, int ColIndex, int& Cancel) {
    if (ColIndex == TamañoInicial) {
        // A size must be a number before it is compared with anything.
        if (!CompruebaCelda(g, registro, TamañoInicial)) {
            Cancel = 1;
            return;
        }
        const QString nombre = g->Columns(NombreArchivo).Value();
        if (EsNueva || Trim(nombre).isEmpty()) return;
        PonPrefijoBD(BaseDatos);
        const QString paginas = BuscaRegistro(Conexion, QStringLiteral("sysfiles"), QStringLiteral("size"),
                                              QStringLiteral("name"), nombre, QStringLiteral("Texto"));
        const double actual = MegasDePaginas(Val(paginas), true).toDouble();
        if (Val(PuntoDecimalBD(g->Columns(TamañoInicial).Value())) < actual) {
            MensajeUsuario(QStringLiteral("Tamaño inicial debe se mayor del existente."),
                           QStringLiteral("Initial size must be major that exists."));
            Cancel = 1;
        }
    } else if (ColIndex == GrupoArchivos && !registro) {
        if (sstBaseDatos->PestañaActiva(PestañaGrupos) && !ExisteGrupoFichero(g->Columns(GrupoArchivos).Value())) {
            MensajeUsuario(QStringLiteral("No existe el grupo de ficheros."), QStringLiteral("File group not exists."));
            Cancel = 1;
        }
    } else if (ColIndex == LimitarCrecimiento) {
        // The switch itself is always taken; moving on or Enter asks for
        // the quantity.
    } else if (!CompruebaCelda(g, registro, short(ColIndex))) {
        Cancel = 1;
    }
}

void frmPropiedadesBD::AfterColUpdate(RejillaDatos* g, int ColIndex) {
    if (ColIndex == CrecimientoAutomatico) {
        if (Val(g->Columns(CrecimientoAutomatico).Value()) == 0) {
            g->Columns(CantidadCrecimiento).Value(QString());
            g->RefrescaFila();
        } else {
            g->ColumnaActual(UnidadCrecimiento);
        }
    } else if (ColIndex == LimitarCrecimiento) {
        if (Val(g->Columns(LimitarCrecimiento).Value()) == 0) {
            g->Columns(CantidadMaxima).Value(QString());
            g->RefrescaFila();
        } else {
            g->ColumnaActual(CantidadMaxima);
        }
    }
}

void frmPropiedadesBD::KeyPressFicheros(RejillaDatos* g, bool registro, int& KeyAscii) {
    const int columna = g->ColumnaActual();
    if (KeyAscii == 13) {
        if (!CompruebaCelda(g, registro, short(columna))) return;
        if (columna == CantidadMaxima) {
            const int fila = FilaDe(g);
            g->ColumnaActual(NombreArchivo);
            g->FilaActual((fila == kUltimaFilaBD ? 0 : fila + 1) - g->PrimeraFila());
        } else if (columna != CrecimientoAutomatico && columna != LimitarCrecimiento) {
            g->ColumnaActual(columna + 1);
        }
        KeyAscii = 0;
    } else if (g->Columns(columna).Locked()) {
        KeyAscii = 0;
        Beep();
    }
}

void frmPropiedadesBD::ButtonClick(RejillaDatos* g, int ColIndex) {
    if (ColIndex != Ubicacion_) return;
    EsperaUbicacion = true;
    rejillaUbicacion_ = g;
    filaUbicacion_ = FilaDe(g);
    frmUbicacion* selector = frmUbicacion::Instancia();
    // The picker is a window of its own: when it goes, this window is the
    // one the user comes back to, and its activation takes the folder up.
    connect(selector, &Formulario::Descargado, this,
            [this] {
                if (!Cargado()) return;
                Activa();
                Form_Activate();
            });
    selector->Show();
}

void frmPropiedadesBD::TomaUbicacion() {
    if (Ubicacion.isEmpty() || !EsperaUbicacion) return;
    if (rejillaUbicacion_ && filaUbicacion_ >= 0) {
        // The folder ends in its own kind of separator.
        ArrayDatos a = rejillaUbicacion_->MatrizEnlazada();
        a->GrabaCelda(filaUbicacion_, Ubicacion_, UneRuta(Ubicacion, QString()));
        rejillaUbicacion_->Refresh();
    }
    EsperaUbicacion = false;
    Ubicacion.clear();
    rejillaUbicacion_ = nullptr;
    filaUbicacion_ = -1;
}

// ---- CREATE DATABASE ----

QList<FicheroBD> frmPropiedadesBD::LeeFicheros(const ArrayDatos& a, bool registro) {
    QList<FicheroBD> r;
    for (int fila = 0; fila <= kUltimaFilaBD; ++fila) {
        const QString nombre = a->LeeCelda(fila, NombreArchivo);
        if (Trim(nombre).isEmpty()) continue;
        // Cells left empty take their meaning, and the grid shows it.
        if (!registro && Trim(a->LeeCelda(fila, GrupoArchivos)).isEmpty())
            a->GrabaCelda(fila, GrupoArchivos, QStringLiteral("PRIMARY"));
        if (a->LeeCelda(fila, TamañoInicial).isEmpty()) a->GrabaCelda(fila, TamañoInicial, QStringLiteral("0"));
        if (a->LeeCelda(fila, CantidadCrecimiento).isEmpty())
            a->GrabaCelda(fila, CantidadCrecimiento, QStringLiteral("0"));
        FicheroBD f;
        f.Fila = fila;
        f.Nombre = nombre;
        f.Carpeta = a->LeeCelda(fila, Ubicacion_);
        f.Tamaño = a->LeeCelda(fila, TamañoInicial);
        f.Grupo = registro ? QString() : a->LeeCelda(fila, GrupoArchivos);
        f.Crecimiento = a->LeeCelda(fila, CrecimientoAutomatico);
        f.Unidad = a->LeeCelda(fila, UnidadCrecimiento);
        f.Cantidad = a->LeeCelda(fila, CantidadCrecimiento);
        f.Limite = a->LeeCelda(fila, LimitarCrecimiento);
        f.Maximo = a->LeeCelda(fila, CantidadMaxima);
        r.append(f);
    }
    return r;
}

bool frmPropiedadesBD::Crea_BD() {
    bool creada = false;
    Atrapa("Crea_BD", [&] {
        const QString sql = TextoCreaBD(Trim(txtNombreBD->text()), LeeFicheros(ArrayArchivos, false),
                                        LeeFicheros(ArrayTransacciones, true));
        TDBGridArchivos->Refresh();
        TDBGridTransacciones->Refresh();
        // Creating the files may take longer than any statement should.
        const SinTiempoLimite sinLimite(Conexion);
        Conexion->Execute(sql);
        creada = true;
    });
    return creada;
}
