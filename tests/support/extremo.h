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

class PruebaExtremo : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        datos::UsaConexionesOdbc();
        servidor.acceptLogin("sa", "clave");
        servidor.start();
    }
    void TearDown() override {
        if (Conexion && Conexion->State() == datos::adStateOpen) Conexion->Close();
        PruebaTolvek::TearDown();
        servidor.stop();
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
