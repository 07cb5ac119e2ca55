#pragma once
// A bench for end-to-end tests: the program's own data path (ODBC, FreeTDS,
// TDS) to a scripted server on this machine, and the program's way in,
// through the connect dialog and the explorer.

#include "app/frmconectar.h"
#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/frmadministrador.h"
#include "platform/odbc.h"
#include "support/entorno.h"
#include "tdsserver/tdsserver.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

// The server of the run: with TOLVEK_E2E_TDS=7.1 it speaks no newer TDS than
// SQL Server 2000 did, and the driver falls back to it (CTest runs the
// program's end-to-end tests both ways).
inline void ServidorDeLaPasada(tdstest::TdsServer& servidor) {
    if (qEnvironmentVariable("TOLVEK_E2E_TDS") == QLatin1String("7.1")) servidor.setHighestTdsVersion(0x71000001);
}

class PruebaExtremo : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        datos::UsaConexionesOdbc();
        servidor.acceptLogin("sa", "clave");
        ServidorDeLaPasada(servidor);
        servidor.start();
    }
    void TearDown() override {
        if (Conexion && Conexion->State() == datos::adStateOpen) Conexion->Close();
        PruebaTolvek::TearDown();
        servidor.stop();
        if (qEnvironmentVariable("TOLVEK_E2E_TDS") == QLatin1String("7.1"))  // the driver really fell back
            for (const auto& l : servidor.logins()) EXPECT_EQ(l.agreedVersion, 0x71000001u);
    }
    // Connects as a user does, through the dialog, and opens the explorer;
    // nullptr (and a test failure) when either does not work.
    frmAdministrador* ConectaYExplora() {
        mdiPrincipal::Instancia()->Show();
        auto* m = mdiPrincipal::SiExiste();
        m->mnuConectar->trigger();
        auto* d = frmConectar::SiExiste();
        if (!d) {
            ADD_FAILURE() << "no connect dialog";
            return nullptr;
        }
        d->txtServidor->setText(QStringLiteral("127.0.0.1,%1").arg(servidor.port()));
        d->txtClave->setText(QStringLiteral("clave"));
        d->cmdConectar->click();
        if (!mensajes.Cajas().isEmpty()) {
            ADD_FAILURE() << TextosCajas().join(u'|').toStdString();
            return nullptr;
        }
        m->mnuAdministrador->trigger();
        return frmAdministrador::SiExiste();
    }
    tdstest::TdsServer servidor;
};
