#include "app/frmidioma.h"

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "common/mdlregistro.h"
#include "support/entorno.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSettings>

class Idiomas : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        registro.Valores.clear();  // a first start
    }
    // Closes the chooser once it is shown, picking English first when asked.
    void CierraSelector(bool ingles, bool conEscape = false) {
        AlEntrarEnBucle([this, ingles, conEscape] {
            frmIdioma* f = frmIdioma::SiExiste();
            ASSERT_NE(f, nullptr);
            vistoSelector = f->isVisible() && f->isModal() && f->windowTitle() == QStringLiteral("Idioma / Language");
            EXPECT_TRUE(f->optEspañol->isChecked());
            if (ingles) f->optIngles->setChecked(true);
            if (conEscape) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(f, &esc);
            } else {
                f->close();
            }
        });
    }
    QPair<int, QByteArray> Guardado() { return registro.Valores.value("Software\\tolvek").value("Idioma"); }
    bool vistoSelector = false;
};

TEST_F(Idiomas, AMissingValueAsksAndStoresTheChoice) {
    Idioma = 5;
    CierraSelector(false);
    CargaIdioma();
    EXPECT_TRUE(vistoSelector);
    EXPECT_EQ(Idioma, 0);
    EXPECT_EQ(Guardado().first, REG_DWORD);
    EXPECT_EQ(Guardado().second, QByteArray("\0\0\0\0", 4));
    EXPECT_EQ(frmIdioma::SiExiste(), nullptr);
    EXPECT_FALSE(ExisteFormulario(QStringLiteral("frmIdioma")));

    // The next start reads it and asks nothing.
    Idioma = 5;
    CargaIdioma();
    EXPECT_EQ(Idioma, 0);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Idiomas, EnglishChosenAndClosedWithEscapeIsStored) {
    CierraSelector(true, true);
    CargaIdioma();
    EXPECT_TRUE(vistoSelector);
    EXPECT_EQ(Idioma, 1);
    EXPECT_EQ(Guardado().second, QByteArray("\1\0\0\0", 4));
}

TEST_F(Idiomas, AnEmptyTextCountsAsMissing) {
    registro.PonTexto("Software\\tolvek", "Idioma", "");
    CierraSelector(true);
    CargaIdioma();
    EXPECT_TRUE(vistoSelector);
    EXPECT_EQ(Idioma, 1);
}

TEST_F(Idiomas, StoredValuesOfEitherType) {
    struct Caso {
        bool numero;
        qint32 n;
        QByteArray texto;
        qint16 esperado;
    } casos[] = {{false, 0, "1", 1},       {true, 1, {}, 1},        {true, 7, {}, 7},
                 {false, 0, "abc", 0},     {false, 0, " 1.5x", 2},  {false, 0, "0", 0},
                 {true, 0, {}, 0},         {false, 0, "-2", -2}};
    for (const auto& c : casos) {
        Idioma = 9;
        if (c.numero) registro.PonNumero("Software\\tolvek", "Idioma", c.n);
        else registro.PonTexto("Software\\tolvek", "Idioma", c.texto);
        CargaIdioma();
        EXPECT_EQ(Idioma, c.esperado) << c.texto.constData() << " " << c.n;
    }
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
    EXPECT_EQ(frmIdioma::SiExiste(), nullptr);
}

TEST_F(Idiomas, ANumberThatDoesNotFitIsReported) {
    registro.PonTexto("Software\\tolvek", "Idioma", "99999");
    Idioma = 1;
    CargaIdioma();
    EXPECT_EQ(Idioma, 1);
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:6 (Overflow).")});
    registro.PonNumero("Software\\tolvek", "Idioma", 70000);
    CargaIdioma();
    EXPECT_EQ(Idioma, 1);
    EXPECT_EQ(mensajes.Cajas().size(), 2);
}

TEST_F(Idiomas, AKeyThatCannotBeCreatedLeavesTheLanguage) {
    registro.FallaCreacion = true;
    Idioma = 1;
    CargaIdioma();  // no chooser: the test would wait on it
    EXPECT_EQ(Idioma, 1);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Idiomas, AFailedWriteAsksAgainNextTime) {
    registro.FallaEscritura = true;
    CierraSelector(true);
    CargaIdioma();
    EXPECT_EQ(Idioma, 1);
    EXPECT_FALSE(registro.Valores.value("Software\\tolvek").contains("Idioma"));
    vistoSelector = false;
    CierraSelector(false);
    CargaIdioma();
    EXPECT_TRUE(vistoSelector);
    EXPECT_EQ(Idioma, 0);
}

TEST_F(Idiomas, TheRegistryProceduresOverTheirStore) {
    EXPECT_TRUE(CreaClave(HKEY_CURRENT_USER, "Software\\x"));
    EXPECT_TRUE(EstableceValorClave(HKEY_CURRENT_USER, "Software\\x", "n", 42, REG_DWORD));
    EXPECT_TRUE(EstableceValorClave(HKEY_CURRENT_USER, "Software\\x", "t", QStringLiteral("hola"), REG_SZ));
    EXPECT_EQ(ConsultaValor(HKEY_CURRENT_USER, "Software\\x", "n"), QVariant(42));
    EXPECT_EQ(ConsultaValor(HKEY_CURRENT_USER, "Software\\x", "t"), QVariant(QStringLiteral("hola")));
    EXPECT_FALSE(ConsultaValor(HKEY_CURRENT_USER, "Software\\x", "falta").isValid());
    // Another type writes nothing and says so with 0.
    EXPECT_TRUE(EstableceValorClave(HKEY_CURRENT_USER, "Software\\x", "b", 1, 3));
    EXPECT_FALSE(registro.Valores["Software\\x"].contains("b"));
    registro.Valores["Software\\x"]["b"] = {3, QByteArray("zz")};
    QVariant v = QStringLiteral("antes");
    HKEY clave = 0;
    registro.AbreClave(HKEY_CURRENT_USER, "Software\\x", 63, &clave);
    EXPECT_EQ(ConsultaValorEx(clave, "b", v), -1);
    EXPECT_EQ(v, QVariant(QStringLiteral("antes")));
    EXPECT_EQ(ConsultaValorEx(clave, "falta", v), registro::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(v, QVariant(QStringLiteral("antes")));
    // A number that does not fit in 32 bits is reported and not taken as written.
    EXPECT_FALSE(EstableceValorClave(HKEY_CURRENT_USER, "Software\\x", "n", qint64(1) << 40, REG_DWORD));
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:6 (Overflow).")});
}

TEST_F(Idiomas, TheDefaultStoreKeepsTheValueInSettings) {
    registro::Usa(nullptr);  // QSettings, in the run's own folder
    QSettings(QSettings::IniFormat, QSettings::UserScope, "tolvek", "tolvek").clear();
    CierraSelector(true);
    CargaIdioma();
    EXPECT_TRUE(vistoSelector);
    EXPECT_EQ(Idioma, 1);
    Idioma = 0;
    CargaIdioma();  // read back: no chooser this time
    EXPECT_EQ(Idioma, 1);
    QSettings s(QSettings::IniFormat, QSettings::UserScope, "tolvek", "tolvek");
    EXPECT_EQ(s.value("Software/tolvek/Idioma").toInt(), 1);
    s.setValue("Software/tolvek/Idioma", QStringLiteral("0"));
    s.sync();
    CargaIdioma();
    EXPECT_EQ(Idioma, 0);
    s.clear();
}
