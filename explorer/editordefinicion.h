#pragma once
// The view editor and the stored-procedure editor: twin windows in which the
// user writes the whole CREATE statement of a view or a procedure and stores
// it on the server.

#include "platform/formularios.h"

class QGroupBox;
class QPushButton;
class TextoMultilinea;

// What tells the twins apart.
struct RasgosEditor {
    const char* ventana;      // the window's name
    const char* plantilla;    // the text of a new object
    const char* tipo;         // the type test of the loader's query
    const char* eliminacion;  // the drop statement, before the name
    const char* cargador;     // the loader's name, for its failures
    const char* tituloEs;
    const char* tituloEn;
    void (*recarga)(const QString& baseDatos);  // the explorer's list of the kind
};

class EditorDefinicion : public Formulario {
    Q_OBJECT
public:
    explicit EditorDefinicion(const RasgosEditor& rasgos);

    QGroupBox* Frame2;
    TextoMultilinea* txtSQL;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

    // The object whose stored text the window shows; "" for a new one.
    QString NombreOriginal;
    // The owner of the object the next load reads, set by the opener; "" or
    // "dbo" for the database owner's objects.
    QString Propietario;
    // The database the window works on: the one it was opened or loaded on.
    QString BaseDatos() const { return baseDatos_; }

    void PonIdioma();

public slots:
    void cmdAceptar_Click();
    void cmdCancelar_Click();

protected:
    // Loads the stored text of an object of NombreNodo.
    void Captura(const QString& Nombre);
    void Form_Load() override;
    void Form_Activate() override;

private:
    const RasgosEditor& rasgos_;
    QString baseDatos_;
    QString propietarioOriginal_;  // the loaded object's owner when not dbo
};

class frmVista : public FormularioUnico<frmVista, EditorDefinicion> {
    Q_OBJECT
public:
    frmVista();
    void CapturaVistas_SQL(const QString& Nombre) { Captura(Nombre); }
};

class frmProcedimiento : public FormularioUnico<frmProcedimiento, EditorDefinicion> {
    Q_OBJECT
public:
    frmProcedimiento();
    void CapturaProcedimiento_SQL(const QString& Nombre) { Captura(Nombre); }
};
