#pragma once
// The explorer's small pictures, drawn in code: "BaseDatos",
// "CarpetaAbierta", "CarpetaCerrada", "Tabla", "Campo", "Vista", "Usuarios",
// "Procedimientos", "Servidor" and "Usuario".

class ListaImagenes;

void CargaImagenesExplorador(ListaImagenes& lista);
