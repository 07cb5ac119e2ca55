// The statements of the backup and restore windows, text by text, with
// ordinary and hostile names.

#include "common/texto.h"
#include "database/textoscopia.h"

#include <gtest/gtest.h>

using namespace textoscopia;

namespace {
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

struct Caso {
    QString obtenido;
    QString esperado;
};
}  // namespace

TEST(TextosCopia, BackupStatements) {
    const Caso casos[] = {
        {ModeloRecuperacion("Tienda"), "select DATABASEPROPERTYEX ('Tienda','Recovery')"},
        {ModeloRecuperacion("O'Hara"), "select DATABASEPROPERTYEX ('O''Hara','Recovery')"},
        {ModeloRecuperacion("Ελλάδα"), "select DATABASEPROPERTYEX (N'Ελλάδα','Recovery')"},
        {BuscaDispositivo("CopiaTienda"), "select * from master.dbo.sysdevices where name = 'CopiaTienda'"},
        {BuscaDispositivo("Co'pia"), "select * from master.dbo.sysdevices where name = 'Co''pia'"},
        {BorraDispositivo("CopiaTienda"), "EXEC sp_dropdevice 'CopiaTienda'"},
        {BorraDispositivo("Co'pia"), "EXEC sp_dropdevice 'Co''pia'"},
        {CreaDispositivo("CopiaTienda", "C:\\Copias\\t.bak"),
         "EXEC sp_addumpdevice 'disk', 'CopiaTienda',   'C:\\Copias\\t.bak'"},
        {CreaDispositivo("Co'pia", "/srv/o'h.bak"), "EXEC sp_addumpdevice 'disk', 'Co''pia',   '/srv/o''h.bak'"},
        {CreaDispositivo("Copia", "/srv/Jiří's.bak"), "EXEC sp_addumpdevice 'disk', 'Copia',   N'/srv/Jiří''s.bak'"},
        {Copia(TipoCopia::Completa, "Tienda", "CopiaTienda"), "BACKUP DATABASE Tienda TO CopiaTienda"},
        {Copia(TipoCopia::Diferencial, "Tienda", "CopiaTienda"),
         "BACKUP DATABASE Tienda TO CopiaTienda WITH DIFFERENTIAL"},
        {Copia(TipoCopia::Registro, "Tienda", "CopiaTienda"), "BACKUP LOG Tienda TO CopiaTienda"},
        {Copia(TipoCopia::Completa, "Mi Base", "Co]pia"), "BACKUP DATABASE [Mi Base] TO [Co]]pia]"},
        {Copia(TipoCopia::Registro, "select", "Copia select"), "BACKUP LOG [select] TO [Copia select]"},
        {CabeceraDispositivo("CopiaTienda"), "RESTORE HEADERONLY FROM CopiaTienda"},
        {CabeceraDispositivo("Co pia"), "RESTORE HEADERONLY FROM [Co pia]"},
        {VerificaDispositivo("CopiaTienda", 1), "RESTORE VERIFYONLY  FROM CopiaTienda"},
        {VerificaDispositivo("CopiaTienda", 0), "RESTORE VERIFYONLY  FROM CopiaTienda"},
        {VerificaDispositivo("CopiaTienda", 3), "RESTORE VERIFYONLY  FROM CopiaTienda WITH FILE = 3"},
        {VerificaDispositivo("Co pia", 2), "RESTORE VERIFYONLY  FROM [Co pia] WITH FILE = 2"},
    };
    for (const auto& c : casos) EXPECT_EQ(c.obtenido, c.esperado);
}

TEST(TextosCopia, PathsJoinWithTheirOwnSeparator) {
    const Caso casos[] = {
        {UneRuta("/srv/copias", "t.bak"), "/srv/copias/t.bak"},
        {UneRuta("/", "t.bak"), "/t.bak"},
        {UneRuta("C:\\Copias", "t.bak"), "C:\\Copias\\t.bak"},
        {UneRuta("C:\\", "t.bak"), "C:\\t.bak"},
        {UneRuta("\\\\srv\\c", "t.bak"), "\\\\srv\\c\\t.bak"},
    };
    for (const auto& c : casos) EXPECT_EQ(c.obtenido, c.esperado);
}

TEST(TextosCopia, RestoreStatements) {
    const QList<QPair<QString, QString>> uno{{"Tienda_Data", "C:\\D\\Tienda.mdf"}};
    const QList<QPair<QString, QString>> dos{{"Tienda_Data", "C:\\D\\Tienda.mdf"}, {"Tienda_Log", "C:\\D\\T.ldf"}};
    const Caso casos[] = {
        {CabeceraFichero("C:\\C\\t.bak"), "RESTORE HEADERONLY FROM DISK = 'C:\\C\\t.bak'"},
        {VerificaFichero("C:\\C\\t.bak", 1), "RESTORE VERIFYONLY FROM DISK = 'C:\\C\\t.bak'"},
        {VerificaFichero("/c/o'h.bak", 2), "RESTORE VERIFYONLY FROM DISK = '/c/o''h.bak' WITH FILE = 2"},
        {ListaFicherosCopia("C:\\C\\t.bak", 1), " RESTORE FILELISTONLY FROM DISK = 'C:\\C\\t.bak'"},
        {ListaFicherosCopia("/c/o'h.bak", 4), " RESTORE FILELISTONLY FROM DISK = '/c/o''h.bak' WITH FILE = 4"},
        {UsoRestauracion("master"), "use msdb"},
        {UsoRestauracion("MASTER"), "use msdb"},
        {UsoRestauracion("Master"), "use msdb"},
        {UsoRestauracion("Tienda"), "use master"},
        {UsoRestauracion("msdb"), "use master"},
        {Restauracion("Tienda", "C:\\C\\t.bak", uno, 1),
         "RESTORE DATABASE Tienda FROM  DISK ='C:\\C\\t.bak' WITH MOVE 'Tienda_Data' TO 'C:\\D\\Tienda.mdf'"},
        {Restauracion("Tienda", "C:\\C\\t.bak", dos, 1),
         "RESTORE DATABASE Tienda FROM  DISK ='C:\\C\\t.bak' WITH MOVE 'Tienda_Data' TO 'C:\\D\\Tienda.mdf', "
         "MOVE 'Tienda_Log' TO 'C:\\D\\T.ldf'"},
        {Restauracion("Tienda", "C:\\C\\t.bak", dos, 3),
         "RESTORE DATABASE Tienda FROM  DISK ='C:\\C\\t.bak' WITH MOVE 'Tienda_Data' TO 'C:\\D\\Tienda.mdf', "
         "MOVE 'Tienda_Log' TO 'C:\\D\\T.ldf', FILE = 3"},
        {Restauracion("Mi Base", "/c/o'h.bak", {{"D'a", "/d/o'h.mdf"}}, 1),
         "RESTORE DATABASE [Mi Base] FROM  DISK ='/c/o''h.bak' WITH MOVE 'D''a' TO '/d/o''h.mdf'"},
    };
    for (const auto& c : casos) EXPECT_EQ(c.obtenido, c.esperado);
}
