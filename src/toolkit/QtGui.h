#pragma once
// Qt side of the dialog toolkit, shared by its source files (toolkit only).
#include "toolkit/Gui.h"
#include "toolkit/QtWindow.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QMap>
#include <QPoint>

class QTimer;
class QWidget;

namespace DialogLook {

// The predefined colours (Stock::) that dialogs use.
QColor BackgroundGrey();
QColor Grey();
QColor SteelBlue();
QColor Crimson();
QColor DarkerGrey();
// The frame pen's width in pixels.
inline constexpr int FrameWidth = 4;

// The font of every dialog and its controls: a family with the widths of
// "MS Shell Dlg" (the generic sans-serif family where none is there) with a
// 16-pixel cell height.
QFont Font();

// The 1-pixel border of a single-line edit, painted over the edit after its
// own painting; the edit itself has no frame.
void PaintEditBorder(QWidget* edit);

// Gives a widget the background of a dialog (single-line edits, lists) or
// keeps the default white one (multi-line edits).
void UseDialogBackground(QWidget* widget);

}  // namespace DialogLook

// The window of a running NativeDialog: frameless, modal, dragged by its
// caption band, painted by us.
class DialogWindow : public QDialog {
public:
  DialogWindow(NativeDialog* dialog, QWidget* parent, int width, int height, const QString& title);
  ~DialogWindow() override;

  NativeDialog* Dialog() const { return dialog; }
  void StartTimer(int id, int milliseconds);
  void StopTimer(int id);
  void End();
  bool Ended() const { return ended; }

  void reject() override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  NativeDialog* dialog;
  QMap<int, QTimer*> timers;
  bool ended = false;
  bool dragging = false;
  QPoint dragOffset;
};

// Places a new control's widget on the dialog at (x, y) below the caption
// band, links widget and control both ways and gives it the dialog font.
void AttachControl(NativeControl* control, NativeDialog* dialog, QWidget* widget, int id, int x, int y, int w, int h);

// The control behind a widget, or null.
NativeControl* ControlOf(QWidget* widget);

// Sends a control's notification to its dialog as a command.
void Notify(NativeControl* control, unsigned short code);
