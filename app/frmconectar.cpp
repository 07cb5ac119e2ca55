#include "app/frmconectar.h"

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/frmanalizadorconsultas.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmConectar::frmConectar() : FormularioUnico(QStringLiteral("frmConectar"), Clase::Libre) {
    setWindowTitle(QStringLiteral("Conectar"));
    auto* capa = new QVBoxLayout(this);
    fraSQL = new QGroupBox(QStringLiteral("SQL Server"), this);
    fraSQL->setObjectName(QStringLiteral("fraSQL"));
    auto* rejilla = new QGridLayout(fraSQL);
    auto etiqueta = [&](const char* nombre, const char* texto) {
        auto* l = new QLabel(QString::fromUtf8(texto), fraSQL);
        l->setObjectName(QString::fromUtf8(nombre));
        return l;
    };
    auto caja = [&](const char* nombre) {
        auto* t = new QLineEdit(fraSQL);
        t->setObjectName(QString::fromUtf8(nombre));
        t->setMinimumWidth(220);
        return t;
    };
    lblServidor = etiqueta("lblServidor", "Servidor:");
    txtServidor = caja("txtServidor");
    lblUsuario = etiqueta("lblUsuario", "Usuario:");
    txtUsuario = caja("txtUsuario");
    lblClave = etiqueta("lblClave", "Contraseña:");
    txtClave = caja("txtClave");
    txtClave->setEchoMode(QLineEdit::Password);
    txtClave->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    rejilla->addWidget(lblServidor, 0, 0);
    rejilla->addWidget(txtServidor, 0, 1);
    rejilla->addWidget(lblUsuario, 1, 0);
    rejilla->addWidget(txtUsuario, 1, 1);
    rejilla->addWidget(lblClave, 2, 0);
    rejilla->addWidget(txtClave, 2, 1);
    cmdConectar = new QPushButton(QStringLiteral("&Conectar"), this);
    cmdConectar->setObjectName(QStringLiteral("cmdConectar"));
    cmdConectar->setAutoDefault(true);  // Enter on the focused button presses it
    capa->addWidget(fraSQL);
    capa->addWidget(cmdConectar, 0, Qt::AlignRight);
    setTabOrder(txtServidor, txtUsuario);
    setTabOrder(txtUsuario, txtClave);
    setTabOrder(txtClave, cmdConectar);

    for (QLineEdit* t : {txtServidor, txtUsuario, txtClave}) ConectaSalidaCampo(t);
    connect(cmdConectar, &QPushButton::clicked, this, &frmConectar::cmdConectar_Click);
}

void frmConectar::Form_Load() {
    txtServidor->setText(kServidorPredeterminado);
    txtUsuario->setText(QStringLiteral("sa"));
}

void frmConectar::Form_Activate() { PonIdioma(); }

void frmConectar::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        setWindowTitle(es ? QStringLiteral("Conectar") : QStringLiteral("Connect"));
        cmdConectar->setText(es ? QStringLiteral("&Conectar") : QStringLiteral("&Connect"));
        lblServidor->setText(es ? QStringLiteral("Servidor:") : QStringLiteral("Server:"));
        lblUsuario->setText(es ? QStringLiteral("Usuario:") : QStringLiteral("User:"));
        lblClave->setText(es ? QStringLiteral("Contraseña:") : QStringLiteral("Password:"));
    });
}

void frmConectar::cmdConectar_Click() {
    Atrapa("cmdConectar_Click", [&] {
        if (Trim(txtServidor->text()).isEmpty()) {
            MensajeUsuario(QStringLiteral("Introduzca servidor."), QStringLiteral("Insert server."));
            DaTeclado(txtServidor);
            return;
        }
        if (Trim(txtUsuario->text()).isEmpty()) {
            MensajeUsuario(QStringLiteral("Introduzca usuario."), QStringLiteral("Insert user."));
            DaTeclado(txtUsuario);
            return;
        }
        // The windows loaded from the present connection close on it, each
        // asking what it asks; the query analyzer, the user's own text, stays.
        // A window that cancels keeps the program on this connection.
        QList<QWidget*> salvo{this};
        if (auto* analizador = frmAnalizadorConsultas::SiExiste()) salvo.append(analizador);
        if (!ventanas::DescargaPreguntando(salvo)) return;
        PunteroRaton(vb::vbHourglass);
        NombreServidor = txtServidor->text();
        NombreUsuario = txtUsuario->text();
        ClaveUsuario = txtClave->text();
        Proveedor = QStringLiteral("SQLOLEDB.1");
        const bool conectado = Conecta_SQL(Conexion, QStringLiteral("master"));
        if (auto* m = mdiPrincipal::SiExiste()) {
            m->mnuAdministrador->setEnabled(conectado);
            m->mnuAnalizadorConsultas->setEnabled(conectado);
        }
        if (conectado)
            if (auto* analizador = frmAnalizadorConsultas::SiExiste()) analizador->CargaComboBDSQL();
        PunteroRaton(vb::vbDefault);
        Unload();
    });
}
