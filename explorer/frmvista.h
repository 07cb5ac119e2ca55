#pragma once
// The view editor (its twin, the stored-procedure editor, shares its code).
#include "explorer/editordefinicion.h"
