#pragma once
// A scripted catalog of foreign keys for the designer's tests: tables of
// Tienda with their columns, and the keys between them, answered on the
// scripted connection as sp_fkeys and the system tables would answer.

#include "support/conexion_guion.h"
#include "tabledesigner/textosddl.h"

#include <QMap>

// A catalog of tables of Tienda, their columns and the foreign keys between
// them, answered as sp_fkeys and the system tables would answer. A table is
// named "owner.name", or by its name alone for dbo's.
struct Clave {
    QString tabla, columna, referida, columnaReferida, nombre;
    int id;
    QList<int> reglas = {0, 0, 0, 0};
};

class CatalogoClaves {
public:
    CatalogoClaves(ConexionGuion& c) : c_(c) {}
    void Tabla(const QString& tabla, int id, const QStringList& columnas) {
        const auto [dueño, nombre] = Partes(tabla);
        ids_[tabla] = id;
        const QString porNombre = "Select id from Tienda..sysobjects where name = '" + nombre + "' and type = 'U'";
        if (dueño == "dbo") c_.Responde(porNombre, QStringList{"id"}, {{id}});
        c_.Responde(porNombre + Suyo(dueño), QStringList{"id"}, {{id}});
        // Its owner, by its id.
        if (!uids_.contains(dueño)) uids_[dueño] = dueño == "dbo" ? 1 : 5 + uids_.size();
        c_.Responde("Select * from Tienda..sysobjects where id=" + QString::number(id), QStringList{"name", "id", "uid"},
                    {{nombre, id, uids_[dueño]}});
        c_.Responde("Select name from Tienda..sysusers where uid=" + QString::number(uids_[dueño]), QStringList{"name"},
                    {{dueño}});
        for (int k = 0; k < columnas.size(); ++k) {
            const QString col = columnas[k];
            colid_[tabla + "." + col] = k + 1;
            c_.Responde("Select name from Tienda..syscolumns where id=" + QString::number(id) +
                            " and colid=" + QString::number(k + 1),
                        QStringList{"name"}, {{col}});
            for (const auto& [dato, valor] : QList<QPair<QString, QVariant>>{{"name", col}, {"isnullable", 0}, {"cdefault", 0}})
                c_.Responde("Select " + dato + " from Tienda..syscolumns where name = '" + col + "' and id=" +
                                QString::number(id),
                            QStringList{dato}, {{valor}});
            c_.Responde("Select isnullable from Tienda..syscolumns where id=" + QString::number(id) + " and name = '" +
                            col + "'",
                        QStringList{"isnullable"}, {{0}});
        }
    }
    void Claves(const QList<Clave>& claves, bool describibles = true) {
        const QStringList cols = {"pktable_owner", "pktable_name", "pkcolumn_name", "fktable_owner",
                                  "fktable_name", "fkcolumn_name", "fk_name"};
        QMap<QString, ConexionGuion::Filas> referencias, propias;
        for (const Clave& k : claves) {
            const auto [dueño, tabla] = Partes(k.tabla);
            const auto [dueñoReferida, referida] = Partes(k.referida);
            const QList<QVariant> fila = {dueñoReferida, referida, k.columnaReferida, dueño, tabla, k.columna, k.nombre};
            referencias[k.referida].append(fila);
            propias[k.tabla].append(fila);
            c_.Responde("Select name from Tienda..sysobjects where id=" + QString::number(k.id), QStringList{"name"},
                        {{k.nombre}});
            QStringList campos{"name", "constid", "fkeyid", "rkeyid"};
            QList<QVariant> r{k.nombre, k.id, ids_[k.tabla], ids_[k.referida]};
            for (int i = 1; i <= 16; ++i) {
                campos << "fkey" + QString::number(i) << "rkey" + QString::number(i);
                r << (i == 1 ? colid_[k.tabla + "." + k.columna] : 0)
                  << (i == 1 ? colid_[k.referida + "." + k.columnaReferida] : 0);
            }
            const QString r1 = "Select o.name,r.* from Tienda..sysreferences r,Tienda..sysobjects o where fkeyid = " +
                               QString::number(ids_[k.tabla]) + " and o.id=r.constid and o.name='" + k.nombre + "'";
            if (describibles) c_.Responde(r1, campos, {r});
            else c_.Responde(r1, campos, {});
            c_.Responde(ConsultaReglasVinculo(QString::number(k.id)), QStringList{"a", "b", "c", "d"},
                        {{k.reglas[0], k.reglas[1], k.reglas[2], k.reglas[3]}});
        }
        for (auto it = ids_.cbegin(); it != ids_.cend(); ++it) {
            const auto [dueño, nombre] = Partes(it.key());
            for (const QString& propietario : dueño == "dbo" ? QStringList{"", ",'dbo'"} : QStringList{",'" + dueño + "'"}) {
                c_.Responde("EXEC sp_fkeys '" + nombre + "'" + propietario, cols, referencias.value(it.key()));
                c_.Responde("EXEC sp_fkeys NULL,NULL,NULL,'" + nombre + "'" + propietario, cols, propias.value(it.key()));
            }
            c_.Responde("Select name from Tienda..sysobjects where id=" + QString::number(it.value()),
                        QStringList{"name"}, {{nombre}});
        }
    }

    // The condition with which the designer asks for a table of an owner.
    static QString Suyo(const QString& dueño) {
        return " and uid = (select uid from Tienda..sysusers where name = '" + dueño + "')";
    }

private:
    static QPair<QString, QString> Partes(const QString& tabla) {
        const qsizetype punto = tabla.indexOf('.');
        return punto < 0 ? QPair<QString, QString>{"dbo", tabla} : QPair{tabla.left(punto), tabla.mid(punto + 1)};
    }
    ConexionGuion& c_;
    QMap<QString, int> ids_;
    QMap<QString, int> colid_;
    QMap<QString, int> uids_;
};
