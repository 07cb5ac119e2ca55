#pragma once
// The query analyzer: pick a database, type T-SQL, run it, see the rows.

#include "platform/datos.h"
#include "platform/formularios.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class RejillaConsulta;
class TextoMultilinea;

class frmAnalizadorConsultas : public FormularioUnico<frmAnalizadorConsultas> {
    Q_OBJECT
public:
    frmAnalizadorConsultas();

    QGroupBox* Frame1;
    QComboBox* cboBD;
    QPushButton* cmdEjecuta;
    QGroupBox* Frame2;
    TextoMultilinea* txtSQL;
    RejillaConsulta* GridSQL;

    // Runs the selected text, else the whole text, and shows its rows. The
    // batch runs in the database the list shows, and afterwards the list
    // shows the database the connection is in.
    void Ejecuta();
    // Fills the database list and selects master.
    void CargaComboBDSQL();
    // The window's recordset opener.
    bool CreaRecordset(const std::shared_ptr<datos::Connection>& conexion, datos::Recordset& rs,
                       const QString& sql);
    void PonIdioma();

    // The result of the last run.
    const datos::Recordset& Resultado() const { return rs_; }

public slots:
    void cboBD_Click();
    void cmdEjecuta_Click();
    void txtSQL_KeyDown(int& KeyCode, int Shift);

protected:
    void Form_Load() override;
    void Form_Activate() override;
    QWidget* ControlInicial() override;

private:
    // The catalog name of the database the list shows; "" when it shows none.
    QString BaseDatosListada() const;
    // Sends the list's Use.
    void UsaBaseDatosListada();
    // Shows in the list the database the connection is in, sending nothing.
    void MuestraBaseDatosActual();

    datos::Recordset rs_;
};
