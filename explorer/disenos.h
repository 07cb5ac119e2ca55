#pragma once
// The openers of the editors, for the item selected in the explorer's list:
// the table designer in its element of Tablas, the view and procedure
// editors loaded with the object's stored text, and the user and login
// editors on the item's name (an editor open on another object gives way to
// a new one). Each reports its own failures; the caller has
// set NombreNodo (and, for a table, TablaNueva and GruposFicheros) first.

void DiseñoTabla();
void DiseñoVista();
void DiseñoProcedimiento();
void DiseñoUsuario();
void DiseñoInicioSesion();
