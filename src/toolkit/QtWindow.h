#pragma once
// Conversion between the opaque NativeWindow handle and the Qt widget behind it.
#include "toolkit/NativeWindow.h"

class QWidget;

inline QWidget* ToWidget(NativeWindow window) { return reinterpret_cast<QWidget*>(window); }
inline NativeWindow FromWidget(QWidget* widget) { return reinterpret_cast<NativeWindow>(widget); }
