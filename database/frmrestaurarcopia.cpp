#include "database/frmrestaurarcopia.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "database/textoscopia.h"
#include "explorer/consolasql.h"
#include "platform/listaficheros.h"
#include "platform/listasarchivos.h"
#include "platform/rejilladatos.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace textoscopia;

namespace {

// The server's answer for a file that holds no backup set.
constexpr qint64 kNoEsCopia = 3242;

bool NoEsCopia(const ErrorEjecucion& e, const datos::Connection* c) {
    if (e.Numero == kNoEsCopia) return true;
    if (c)
        for (const auto& entrada : c->Errors())
            if (entrada.NativeError == kNoEsCopia) return true;
    return false;
}

}  // namespace

frmRestaurarCopia::frmRestaurarCopia() : FormularioUnico(QStringLiteral("frmRestaurarCopia"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Restaurar Copia Seguridad"));
    auto* capa = new QVBoxLayout(this);

    fraBaseDatos = new QGroupBox(QStringLiteral(" Base de Datos "), this);
    fraBaseDatos->setObjectName(QStringLiteral("fraBaseDatos"));
    auto* base = new QHBoxLayout(fraBaseDatos);
    cboBD = new QComboBox(fraBaseDatos);
    cboBD->setObjectName(QStringLiteral("cboBD"));
    cboBD->setEditable(false);  // only a listed database is a choice
    cboBD->setMinimumWidth(260);
    base->addWidget(cboBD);
    base->addStretch();

    fraOrigen = new QGroupBox(QStringLiteral(" Origen "), this);
    fraOrigen->setObjectName(QStringLiteral("fraOrigen"));
    auto* origen = new QGridLayout(fraOrigen);
    DriveUbicacion = new ListaUnidades(fraOrigen);
    DriveUbicacion->setObjectName(QStringLiteral("DriveUbicacion"));
    DirUbicacion = new ListaCarpetas(fraOrigen);
    DirUbicacion->setObjectName(QStringLiteral("DirUbicacion"));
    FileUbicacion = new ListaFicheros(fraOrigen);
    FileUbicacion->setObjectName(QStringLiteral("FileUbicacion"));
    origen->addWidget(DriveUbicacion, 0, 0);
    origen->addWidget(DirUbicacion, 1, 0);
    origen->addWidget(FileUbicacion, 0, 1, 2, 1);
    // The three lists start on one folder (when it cannot be listed, the
    // file list stays as it began).
    try {
        FileUbicacion->Path(DirUbicacion->Path());
    } catch (const ErrorEjecucion&) {
    }

    Frame13 = new QGroupBox(this);
    Frame13->setObjectName(QStringLiteral("Frame13"));
    auto* marco = new QVBoxLayout(Frame13);
    TDBGridFicheros = new RejillaDatos(2, Frame13);
    TDBGridFicheros->setObjectName(QStringLiteral("TDBGridFicheros"));
    TDBGridFicheros->Columns(0).Caption(QStringLiteral("Nombre"));
    TDBGridFicheros->Columns(1).Caption(QStringLiteral("Nombre fisico"));
    // The logical names are the backup's own: only the physical ones change.
    TDBGridFicheros->Columns(0).Locked(true);
    TDBGridFicheros->Columns(0).Width(170);
    TDBGridFicheros->Columns(1).Width(440);
    marco->addWidget(TDBGridFicheros);

    auto* botones = BotonesAceptarCancelar(this, cmdAceptar, cmdCancelar);

    capa->addWidget(fraBaseDatos);
    capa->addWidget(fraOrigen, 1);
    capa->addWidget(Frame13, 1);
    capa->addLayout(botones);
    resize(sizeHint());

    TDBGridFicheros->KeyPress = [this](int& KeyAscii) { TDBGridFicheros_KeyPress(KeyAscii); };
    connect(DriveUbicacion, &ListaUnidades::Change, this, &frmRestaurarCopia::DriveUbicacion_Change);
    connect(DirUbicacion, &ListaCarpetas::Change, this, &frmRestaurarCopia::DirUbicacion_Change);
    connect(FileUbicacion, &ListaFicheros::Click, this, &frmRestaurarCopia::FileUbicacion_Click);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmRestaurarCopia::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmRestaurarCopia::cmdCancelar_Click);
}

void frmRestaurarCopia::Form_Load() {
    Atrapa("Form_Load", [&] {
        CargaBD();
        cmdAceptar->setEnabled(false);
    });
}

void frmRestaurarCopia::CargaBD() {
    Atrapa("CargaBD", [&] {
        if (LlenaListaBasesDatos(cboBD)) SeleccionaBaseDatos(NombreNodo, cboBD);
        PunteroRaton(vb::vbDefault);
    });
}

void frmRestaurarCopia::DriveUbicacion_Change() {
    Atrapa("DriveUbicacion_Change", [&] { DirUbicacion->Path(DriveUbicacion->Drive()); });
}

void frmRestaurarCopia::DirUbicacion_Change() {
    Atrapa("DirUbicacion_Change", [&] { FileUbicacion->Path(DirUbicacion->Path()); });
}

void frmRestaurarCopia::FileUbicacion_Click() {
    Atrapa("FileUbicacion_Click", [&] {
        const QString fichero = FileUbicacion->FileName();
        if (Trim(fichero).isEmpty()) return;
        const QString ruta = UneRuta(FileUbicacion->Path(), fichero);
        try {
            PunteroRaton(vb::vbHourglass);
            LeeFichero(ruta);
            PunteroRaton(vb::vbDefault);
        } catch (const ErrorEjecucion& e) {
            // A file that cannot be read leaves no list that OK could take
            // for its own. Only a file that is no backup at all passes
            // without a word.
            OlvidaFichero();
            if (!NoEsCopia(e, Conexion.get())) throw;
            PunteroRaton(vb::vbDefault);
        }
    });
}

void frmRestaurarCopia::LeeFichero(const QString& ruta) {
    SinTiempoLimite sinLimite(Conexion);
    // The file may hold several sets, the newest last.
    const int juego = UltimoJuego(*Conexion->Query(CabeceraFichero(ruta)));
    Conexion->Execute(VerificaFichero(ruta, juego));
    const auto lista = Conexion->Query(ListaFicherosCopia(ruta, juego));
    const int filas = int(lista->rowCount());
    if (!Ficheros) Ficheros = std::make_shared<GridDataArray>();
    Ficheros->Redimensiona(0, std::max(filas, 1) - 1, 0, 2);
    for (int f = 0; f < filas; ++f) {
        Ficheros->GrabaCelda(f, 0, lista->text(f, 0));
        Ficheros->GrabaCelda(f, 1, lista->text(f, 1));
    }
    TDBGridFicheros->MatrizEnlazada(Ficheros);
    TDBGridFicheros->Reenlaza();
    TDBGridFicheros->Refresh();
    // A set that lists no file gives nothing to restore.
    cmdAceptar->setEnabled(filas > 0);
    NumFicheros = filas;
    RutaLeida = ruta;
    JuegoLeido = juego;
}

void frmRestaurarCopia::OlvidaFichero() {
    Ficheros = std::make_shared<GridDataArray>();
    TDBGridFicheros->MatrizEnlazada(Ficheros);
    TDBGridFicheros->Refresh();
    NumFicheros = 0;
    RutaLeida.clear();
    JuegoLeido = 0;
    cmdAceptar->setEnabled(false);
}

void frmRestaurarCopia::TDBGridFicheros_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    Atrapa("TDBGridFicheros_KeyPress", [&] {
        if (NumFicheros < 1) return;
        if (TDBGridFicheros->ColumnaActual() == 1) {
            // Down the physical names, from the last back to the first.
            const int fila = TDBGridFicheros->PrimeraFila() + TDBGridFicheros->FilaActual();
            const int destino = fila >= NumFicheros - 1 ? 0 : fila + 1;
            TDBGridFicheros->FilaActual(destino - TDBGridFicheros->PrimeraFila());
            TDBGridFicheros->ColumnaActual(1);
        } else {
            TDBGridFicheros->ColumnaActual(TDBGridFicheros->ColumnaActual() + 1);
        }
    });
}

void frmRestaurarCopia::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        const int indice = cboBD->currentIndex();
        if (indice < 0) {
            MensajeUsuario(QStringLiteral("Seleccione una base de datos."), QStringLiteral("Select a database."));
            return;
        }
        if (RutaLeida.isEmpty() || NumFicheros < 1) return;  // Restore is off then
        const QString baseDatos = BaseDatosDe(cboBD, indice);
        PunteroRaton(vb::vbHourglass);
        Conexion->Execute(UsoRestauracion(baseDatos));
        QList<QPair<QString, QString>> movimientos;
        for (int i = 0; i < NumFicheros; ++i) movimientos.append({Ficheros->LeeCelda(i, 0), Ficheros->LeeCelda(i, 1)});
        {
            SinTiempoLimite sinLimite(Conexion);
            Conexion->Execute(Restauracion(baseDatos, RutaLeida, movimientos, JuegoLeido));
        }
        PunteroRaton(vb::vbDefault);
        MensajeUsuario(QString::fromUtf8("Restauración realizada con exito."),
                       QStringLiteral("Restore realized successfully"));
        Unload();
    });
}

void frmRestaurarCopia::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void frmRestaurarCopia::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        setWindowTitle(es ? QStringLiteral("Restaurar copia seguridad") : QStringLiteral("Restore backup"));
        cmdAceptar->setText(es ? QStringLiteral("&Restaurar") : QStringLiteral("&Restore"));
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        fraBaseDatos->setTitle(es ? QStringLiteral(" Base de Datos ") : QStringLiteral(" Database "));
        fraOrigen->setTitle(es ? QStringLiteral(" Origen ") : QStringLiteral(" Origin "));
        TDBGridFicheros->Columns(0).Caption(es ? QStringLiteral("Nombre") : QStringLiteral("Name"));
        TDBGridFicheros->Columns(1).Caption(es ? QStringLiteral("Nombre fisico") : QStringLiteral("Fisic Name"));
    });
}

void frmRestaurarCopia::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
