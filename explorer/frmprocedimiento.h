#pragma once
// The stored-procedure editor (its twin, the view editor, shares its code).
#include "explorer/editordefinicion.h"
