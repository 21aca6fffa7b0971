#pragma once
// A window as GUI-free code sees it: an opaque handle. Only the toolkit and
// the editor turn it into a widget (toolkit/QtWindow.h); everything else just
// passes it on as the owner of dialogs and message boxes. Null means no owner.
struct NativeWindowObject;
using NativeWindow = NativeWindowObject*;
