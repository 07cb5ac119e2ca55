#pragma once
// The folder picker of the database window's file grids: a drive list, a
// folder list and the chosen folder. OK hands the folder back in Ubicacion
// (as the folder list gives it), Cancel hands back ""; the database window
// takes it up when it becomes active again. Its captions are the same in
// every language.

#include "platform/formularios.h"

class ListaCarpetas;
class ListaUnidades;
class QGroupBox;
class QLabel;
class QPushButton;

class frmUbicacion : public FormularioUnico<frmUbicacion> {
    Q_OBJECT
public:
    frmUbicacion();

    QGroupBox* Frame6;
    ListaUnidades* DriveUbicacion;
    ListaCarpetas* DirUbicacion;
    QLabel* lblUbicacion;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

public slots:
    void DriveUbicacion_Change();
    void DirUbicacion_Change();
    void DirUbicacion_Click();
    void cmdAceptar_Click();
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void showEvent(QShowEvent* e) override;
};
