#include "common/globales.h"

std::shared_ptr<datos::Connection> Conexion;
QString Proveedor;
QString NombreServidor;
QString NombreUsuario;
QString ClaveUsuario;
qint16 Idioma = 0;
QString Mensaje;
QString PrefijoBD;
QString NombreNodo;
QString NombreObjeto;
bool BDNueva = false;
bool TablaNueva = false;
QString Ubicacion;

void ReiniciaGlobales() {
    Conexion.reset();
    Proveedor.clear();
    NombreServidor.clear();
    NombreUsuario.clear();
    ClaveUsuario.clear();
    Idioma = 0;
    Mensaje.clear();
    PrefijoBD.clear();
    NombreNodo.clear();
    NombreObjeto.clear();
    BDNueva = false;
    TablaNueva = false;
    Ubicacion.clear();
}
