// Backup and restore over the program's real path (ODBC, FreeTDS, TDS)
// against the scripted server: BACKUP answers with progress messages before
// its end, and only a batch read to its end without an error is a success;
// a restore reads the file list through the driver and sends the RESTORE.

#include "common/menusprincipales.h"
#include "database/frmcopiaseguridad.h"
#include "database/frmrestaurarcopia.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaficheros.h"
#include "platform/listasarchivos.h"
#include "support/extremo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Texto(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }
Column Entero(const char* n) { return {n, Type::Int, 0, 0, 0, false}; }

const std::string kBases = "Select name from master.dbo.sysdatabases order by name";
const std::string kBackup = "BACKUP DATABASE Tienda TO CopiaTienda";

}  // namespace

class CopiaExtremo : public PruebaExtremo {
protected:
    // Connected, with the explorer on Tienda and the window of the command open.
    bool Prepara(QAction* (*comando)(mdiPrincipal*)) {
        servidor.on(kBases, Reply::rows({Texto("name")}, {{"master"}, {"Tienda"}}));
        servidor.on("select DATABASEPROPERTYEX ('Tienda','Recovery')", Reply::rows({Texto("r")}, {{"FULL"}}));
        frmAdministrador* f = ConectaYExplora();
        if (!f) return false;
        f->trvBD->Nodes().Item("BDTienda").Selected(true);
        comando(mdiPrincipal::SiExiste())->trigger();
        servidor.clearRecord();
        return true;
    }
    frmCopiaSeguridad* Copia() {
        if (!Prepara([](mdiPrincipal* m) { return m->mnuCopiaSeguridad; })) return nullptr;
        auto* p = frmCopiaSeguridad::SiExiste();
        if (!p) return nullptr;
        p->txtDestino->setText("/srv/copias/Tienda.bak");
        p->chkComprobar->setChecked(true);
        // No such device yet: the backup adds it.
        servidor.on("select * from master.dbo.sysdevices where name = 'CopiaTienda'",
                    Reply::rows({Texto("name"), Entero("status"), Texto("phyname")}, {}));
        servidor.on("EXEC sp_addumpdevice 'disk', 'CopiaTienda',   '/srv/copias/Tienda.bak'",
                    Reply::info(15061, "'Disk' device added.", 10));
        servidor.on("RESTORE HEADERONLY FROM CopiaTienda",
                    Reply::rows({Texto("BackupName"), Entero("Position")}, {{"a", 1}, {"b", 2}}));
        return p;
    }
};

TEST_F(CopiaExtremo, AFullBackupWithItsProgressMessagesSucceeds) {
    auto* p = Copia();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->txtNombreCopia->text(), "CopiaTienda");
    servidor.on(kBackup, Reply::info(3211, "10 percent processed.")
                             .thenInfo(3211, "100 percent processed.")
                             .thenInfo(3014, "BACKUP DATABASE successfully processed 152 pages."));
    servidor.on("RESTORE VERIFYONLY  FROM CopiaTienda WITH FILE = 2",
                Reply::info(3262, "The backup set on file 2 is valid."));
    p->cmdAceptar->click();
    EXPECT_EQ(TextosCajas(), QStringList{QString::fromUtf8("Copia y verificación realizada con exito.")});
    const std::vector<std::string> esperadas{
        "select * from master.dbo.sysdevices where name = 'CopiaTienda'",
        "EXEC sp_addumpdevice 'disk', 'CopiaTienda',   '/srv/copias/Tienda.bak'", kBackup,
        "RESTORE HEADERONLY FROM CopiaTienda", "RESTORE VERIFYONLY  FROM CopiaTienda WITH FILE = 2"};
    EXPECT_EQ(servidor.statements(), esperadas);
    EXPECT_EQ(frmCopiaSeguridad::SiExiste(), nullptr);
    EXPECT_EQ(Conexion->CommandTimeout(), 120);
}

TEST_F(CopiaExtremo, AnErrorAfterTheProgressMessagesIsAFailure) {
    auto* p = Copia();
    ASSERT_NE(p, nullptr);
    servidor.on(kBackup, Reply::info(3211, "10 percent processed.")
                             .thenInfo(3211, "20 percent processed.")
                             .thenError(3202, "Write on \"/srv/copias/Tienda.bak\" failed: 112(There is not enough "
                                              "space on the disk.)"));
    p->cmdAceptar->click();
    const QStringList cajas = TextosCajas();
    ASSERT_EQ(cajas.size(), 1);
    EXPECT_TRUE(cajas[0].startsWith(QString::fromUtf8(" Error Nº:3202 (Write on"))) << cajas[0].toStdString();
    const auto enviadas = servidor.statements();
    ASSERT_FALSE(enviadas.empty());
    EXPECT_EQ(enviadas.back(), kBackup);
    EXPECT_EQ(frmCopiaSeguridad::SiExiste(), p);
    EXPECT_EQ(Conexion->CommandTimeout(), 120);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(CopiaExtremo, ARestoreReadsTheFileListAndSendsTheRestore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile f(dir.path() + "/Tienda.bak");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const std::string ruta = (dir.path() + "/Tienda.bak").toStdString();
    ASSERT_TRUE(Prepara([](mdiPrincipal* m) { return m->mnuRestaurarCopia; }));
    auto* r = frmRestaurarCopia::SiExiste();
    ASSERT_NE(r, nullptr);
    servidor.on("RESTORE HEADERONLY FROM DISK = '" + ruta + "'",
                Reply::rows({Texto("BackupName"), Entero("Position")}, {{"a", 1}}));
    servidor.on("RESTORE VERIFYONLY FROM DISK = '" + ruta + "'",
                Reply::info(3262, "The backup set on file 1 is valid."));
    servidor.on(" RESTORE FILELISTONLY FROM DISK = '" + ruta + "'",
                Reply::rows({Texto("LogicalName"), Texto("PhysicalName"), Texto("Type")},
                            {{"Tienda_Data", "/var/opt/mssql/Tienda.mdf", "D"},
                             {"Tienda_Log", "/var/opt/mssql/Tienda_log.ldf", "L"}}));
    r->DirUbicacion->Path(dir.path());
    r->FileUbicacion->ListIndex(0);
    EXPECT_EQ(TextosCajas(), QStringList{});
    ASSERT_EQ(r->NumFicheros, 2);
    EXPECT_EQ(r->Ficheros->LeeCelda(1, 1), "/var/opt/mssql/Tienda_log.ldf");
    r->Ficheros->GrabaCelda(1, 1, "/srv/datos/Tienda_log.ldf");
    const std::string restaura = "RESTORE DATABASE Tienda FROM  DISK ='" + ruta +
                                 "' WITH MOVE 'Tienda_Data' TO '/var/opt/mssql/Tienda.mdf', MOVE 'Tienda_Log' TO "
                                 "'/srv/datos/Tienda_log.ldf'";
    servidor.on(restaura, Reply::info(4035, "Processed 152 pages for database 'Tienda', file 'Tienda_Data' on file 1.")
                              .thenInfo(4035, "Processed 1 pages for database 'Tienda', file 'Tienda_Log' on file 1.")
                              .thenInfo(3014, "RESTORE DATABASE successfully processed 153 pages in 0.120 seconds."));
    servidor.clearRecord();
    r->cmdAceptar->click();
    EXPECT_EQ(TextosCajas(), QStringList{QString::fromUtf8("Restauración realizada con exito.")});
    EXPECT_EQ(servidor.statements(), (std::vector<std::string>{"use master", restaura}));
    EXPECT_EQ(frmRestaurarCopia::SiExiste(), nullptr);
}
