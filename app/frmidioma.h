#pragma once
// The language chooser, shown once at the first start.

#include "platform/formularios.h"

class QGroupBox;
class QLabel;
class QRadioButton;

class frmIdioma : public FormularioUnico<frmIdioma> {
    Q_OBJECT
public:
    frmIdioma();

    QLabel* lblTitulo1;
    QLabel* lblTitulo2;
    QGroupBox* Frame1;
    QRadioButton* optEspañol;
    QRadioButton* optIngles;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// Reads the language into Idioma; asks for it when none is stored.
void CargaIdioma();

// Where the language is kept.
inline const QString kClaveRegistro = QStringLiteral("Software\\tolvek");
inline const QString kValorIdioma = QStringLiteral("Idioma");
