#pragma once
// The connect dialog: server, login and password.

#include "platform/formularios.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmConectar : public FormularioUnico<frmConectar> {
    Q_OBJECT
public:
    frmConectar();

    QGroupBox* fraSQL;
    QLabel* lblServidor;
    QLineEdit* txtServidor;
    QLabel* lblUsuario;
    QLineEdit* txtUsuario;
    QLabel* lblClave;
    QLineEdit* txtClave;
    QPushButton* cmdConectar;

    void PonIdioma();

public slots:
    void cmdConectar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
};

// The server the dialog proposes.
inline const QString kServidorPredeterminado = QStringLiteral("localhost");
