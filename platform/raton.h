#pragma once
// The mouse and the keyboard as the program's handlers receive them: the
// button pressed and the keys held (Shift, Ctrl, Alt), as numbers.

#include <Qt>

namespace vb {
constexpr int vbLeftButton = 1;
constexpr int vbRightButton = 2;
constexpr int vbMiddleButton = 4;
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;
}  // namespace vb

inline int BotonRaton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return vb::vbLeftButton;
    case Qt::RightButton: return vb::vbRightButton;
    case Qt::MiddleButton: return vb::vbMiddleButton;
    default: return 0;
    }
}

inline int TeclasRaton(Qt::KeyboardModifiers m) {
    int r = 0;
    if (m & Qt::ShiftModifier) r |= vb::vbShiftMask;
    if (m & Qt::ControlModifier) r |= vb::vbCtrlMask;
    if (m & Qt::AltModifier) r |= vb::vbAltMask;
    return r;
}
