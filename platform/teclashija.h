#pragma once
// In the active child window, the Alt keys of its own controls win over those
// of the main window's menu bar; the bar's keys act where no control of that
// window claims the letter.

class QMenuBar;

// Installed once by the main window on its menu bar; it lasts as long as the bar.
void PrioridadTeclasHija(QMenuBar* barra);
