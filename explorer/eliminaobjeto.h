#pragma once
// The Delete command of the database menu: drops the database selected in
// the explorer's tree, or the table, view, stored procedure, login or user
// selected in its list, without asking, and refreshes the explorer.

void EliminaObjetoSeleccionado();
