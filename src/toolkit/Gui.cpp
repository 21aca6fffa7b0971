#include "toolkit/QtGui.h"
#include "toolkit/QtDrawing.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

namespace DialogLook {

QColor BackgroundGrey() { return ToQColor(Stock::BackgroundGrey); }
QColor Grey() { return ToQColor(Stock::Grey); }
QColor SteelBlue() { return ToQColor(Stock::SteelBlue); }
QColor Crimson() { return ToQColor(Stock::Crimson); }
QColor DarkerGrey() { return ToQColor(Stock::DarkerGrey); }

namespace {

// "MS Shell Dlg" is Microsoft Sans Serif, which has Arial's widths. The
// generic sans-serif family (DejaVu Sans) is much wider, and the help texts
// would run past the end of the boxes laid out for the original: a family
// with those widths comes first, the generic one only when none is there.
QFont DialogFamily() {
  static const QString family = [] {
    for (const char* name : {"Microsoft Sans Serif", "Arial", "Liberation Sans", "Arimo"})
      if (QFontDatabase::hasFamily(QString::fromLatin1(name))) return QString::fromLatin1(name);
    return QString();
  }();
  QFont font;
  if (family.isEmpty()) {
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("sans-serif")});
  } else {
    font.setFamilies({family});
  }
  return font;
}

}  // namespace

QFont Font() {
  QFont font = DialogFamily();
  font.setWeight(QFont::Normal);
  // The font is asked for by a cell height (ascent plus descent) of 16
  // pixels: the largest size whose family here fits that, found once.
  static int pixelSize = [font]() mutable {
    for (int size = 16; size > 6; --size) {
      font.setPixelSize(size);
      if (QFontMetrics(font).height() <= 16) return size;
    }
    return 6;
  }();
  font.setPixelSize(pixelSize);
  return font;
}

void PaintEditBorder(QWidget* edit) {
  QPainter painter(edit);
  painter.setPen(ToQColor(Stock::MediumGrey));
  painter.drawRect(edit->rect().adjusted(0, 0, -1, -1));
}

void UseDialogBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, BackgroundGrey());
  palette.setColor(QPalette::Window, BackgroundGrey());
  widget->setPalette(palette);
}

}  // namespace DialogLook

namespace {

const char* const ControlProperty = "pellburneControl";

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

DialogWindow* WindowOf(NativeDialog* dialog) { return static_cast<DialogWindow*>(ToWidget(dialog->hwnd)); }

}  // namespace

// ---------------------------------------------------------------------------
// Dialog window

DialogWindow::DialogWindow(NativeDialog* dialog, QWidget* parent, int width, int height, const QString& title)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), dialog(dialog) {
  setWindowTitle(title);
  setFont(DialogLook::Font());
  setFixedSize(width + NativeDialog::ExtraWidth, height + NativeDialog::ExtraHeight);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, DialogLook::BackgroundGrey());
  setPalette(palette);
  setAutoFillBackground(false);
  // Placed 48 dialog units (96 pixels) right of and below the owner's
  // client origin, or the screen's when there is no owner.
  QPoint origin = parent ? parent->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
  move(origin + QPoint(96, 96));
}

DialogWindow::~DialogWindow() {
  ended = true;
  for (QTimer* timer : timers) timer->stop();
  // The controls' windows go first, while this window is still whole: their
  // last signals then find an ended dialog and reach no handler.
  const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* child : children) delete child;
}

void DialogWindow::StartTimer(int id, int milliseconds) {
  QTimer*& timer = timers[id];
  if (!timer) {
    timer = new QTimer(this);
    QObject::connect(timer, &QTimer::timeout, this, [this] {
      if (!ended) dialog->OnTimer();
    });
  }
  timer->start(milliseconds);
}

void DialogWindow::StopTimer(int id) {
  if (QTimer* timer = timers.value(id)) timer->stop();
}

void DialogWindow::End() {
  ended = true;
  for (QTimer* timer : timers) timer->stop();
  done(0);
}

void DialogWindow::reject() {
  // Closing the window is the Cancel command.
  dialog->Command(NativeDialog::IdCancel, 0, nullptr);
}

void DialogWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width(), h = height();
  painter.fillRect(rect(), DialogLook::BackgroundGrey());
  // The frame: a 4-pixel pen around the rectangle (2, 2) to (w - 1, h - 1).
  QPen framePen(DialogLook::Grey(), DialogLook::FrameWidth);
  framePen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(framePen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(2, 2, w - 4, h - 4));
  painter.fillRect(QRect(0, 0, w, NativeDialog::CaptionHeight), DialogLook::Grey());
  painter.setPen(DialogLook::DarkerGrey());
  painter.setFont(font());
  painter.drawText(QRect(0, 0, w, NativeDialog::CaptionHeight), Qt::AlignCenter | Qt::TextSingleLine, windowTitle());
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    // Enter is OK wherever the focus is, on a focused button too: our
    // buttons are painted by us and never become the default button, so only
    // Space presses them.
    dialog->Command(NativeDialog::IdOk, 0, nullptr);
    return;
  case Qt::Key_Escape:
    dialog->Command(NativeDialog::IdCancel, 0, nullptr);
    return;
  default:
    QWidget::keyPressEvent(event);
  }
}

void DialogWindow::mousePressEvent(QMouseEvent* event) {
  // The caption band (y up to 24) drags the dialog.
  if (event->button() == Qt::LeftButton && event->position().y() <= NativeDialog::CaptionHeight) {
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging = true;
    dragOffset = event->globalPosition().toPoint() - pos();
    return;
  }
  QDialog::mousePressEvent(event);
}

void DialogWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging) {
    move(event->globalPosition().toPoint() - dragOffset);
    return;
  }
  QDialog::mouseMoveEvent(event);
}

void DialogWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging && event->button() == Qt::LeftButton) {
    dragging = false;
    return;
  }
  QDialog::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------
// NativeDialog

bool NativeDialog::OnOK() { return true; }

void NativeDialog::OnTimer() {}

void NativeDialog::Create(NativeWindow parent, int width, int height, const std::string& title) {
  ok = false;
  nextControlId = FirstControlId;
  this->title = &title;
  // Without an application there is no window to show: the dialog did not run.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  DialogWindow window(this, ToWidget(parent), width, height, FromUtf8(title));
  hwnd = FromWidget(&window);
  PutControls();
  // Like the dialog manager: the focus starts on the first control that takes it.
  if (QWidget* first = window.nextInFocusChain(); first && first != &window) {
    for (QWidget* w = first; w != &window; w = w->nextInFocusChain()) {
      if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window) && w->isEnabled()) {
        w->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
  if (!window.Ended()) window.exec();
  window.hide();
  hwnd = nullptr;
  // The window and its child windows go here; the controls notice.
}

void NativeDialog::SetTimer(int id, int milliseconds) {
  if (hwnd) WindowOf(this)->StartTimer(id, milliseconds);
}

void NativeDialog::KillTimer(int id) {
  if (hwnd) WindowOf(this)->StopTimer(id);
}

void NativeDialog::EndDialog() {
  if (hwnd) WindowOf(this)->End();
}

void NativeDialog::Command(int id, unsigned short code, NativeWindow sender) {
  if (id == IdOk && code == 0) {
    if (OnOK()) {
      ok = true;
      EndDialog();
    }
    return;
  }
  if (id == IdCancel && code == 0) {
    ok = false;
    EndDialog();
    return;
  }
  if (NativeControl* control = sender ? ControlOf(ToWidget(sender)) : nullptr) control->HandleWmCommand(code);
}

// ---------------------------------------------------------------------------
// Controls: common

void AttachControl(NativeControl* control, NativeDialog* dialog, QWidget* widget, int id, int x, int y, int w, int h) {
  widget->setParent(ToWidget(dialog->hwnd));
  widget->setGeometry(x, y + NativeDialog::CaptionHeight, w, h);
  widget->setProperty(ControlProperty, QVariant::fromValue<void*>(control));
  widget->setFont(DialogLook::Font());
  control->hwnd = FromWidget(widget);
  control->id = id;
  // The dialog's end destroys the window; the control must not touch it then.
  QObject::connect(widget, &QObject::destroyed, [control] { control->hwnd = nullptr; });
  widget->show();
}

NativeControl* ControlOf(QWidget* widget) {
  if (!widget) return nullptr;
  return static_cast<NativeControl*>(widget->property(ControlProperty).value<void*>());
}

void Notify(NativeControl* control, unsigned short code) {
  if (!control->hwnd) return;
  auto* window = dynamic_cast<DialogWindow*>(ToWidget(control->hwnd)->window());
  if (window && !window->Ended()) window->Dialog()->Command(control->id, code, control->hwnd);
}

NativeControl::~NativeControl() {
  if (QWidget* widget = ToWidget(hwnd)) {
    QObject::disconnect(widget, &QObject::destroyed, nullptr, nullptr);
    widget->setProperty(ControlProperty, QVariant());
    delete widget;
  }
}

void NativeControl::HandleWmCommand(unsigned short) {}

void NativeControl::RunHandlers(const NativeHandlerList& list, NativeControl* control) {
  // A copy, so a handler that adds entries does not disturb the walk.
  NativeHandlerList entries = list;
  for (auto& [dialog, method] : entries) (dialog->*method)(control);
}

std::string NativeControl::GetWindowText() const {
  QWidget* widget = ToWidget(hwnd);
  if (auto* line = dynamic_cast<QLineEdit*>(widget)) return ToUtf8(line->text());
  if (auto* text = dynamic_cast<QPlainTextEdit*>(widget)) return ToUtf8(text->toPlainText());
  if (auto* label = dynamic_cast<QLabel*>(widget)) return ToUtf8(label->text());
  if (auto* button = dynamic_cast<QAbstractButton*>(widget)) return ToUtf8(button->text());
  return {};
}

void NativeControl::SetWindowText(const std::string& text) {
  QWidget* widget = ToWidget(hwnd);
  if (auto* line = dynamic_cast<QLineEdit*>(widget))
    line->setText(FromUtf8(text));
  else if (auto* plain = dynamic_cast<QPlainTextEdit*>(widget))
    plain->setPlainText(FromUtf8(text));
  else if (auto* label = dynamic_cast<QLabel*>(widget))
    label->setText(FromUtf8(text));
  else if (auto* button = dynamic_cast<QAbstractButton*>(widget))
    button->setText(FromUtf8(text));
}

void NativeControl::SetFocus() {
  if (QWidget* widget = ToWidget(hwnd)) widget->setFocus(Qt::OtherFocusReason);
}

bool NativeControl::HasFocus() const {
  QWidget* widget = ToWidget(hwnd);
  return widget && widget->hasFocus();
}

// ---------------------------------------------------------------------------
// Edit

namespace {

// A multi-line edit in a dialog: Enter is the dialog's OK and Ctrl+Enter a
// line break; Tab moves on to the next control.
class MultiLineEdit : public QPlainTextEdit {
public:
  MultiLineEdit() { setTabChangesFocus(true); }

protected:
  void keyPressEvent(QKeyEvent* event) override {
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::ControlModifier)) {
      event->ignore();
      return;
    }
    if (enter) {
      textCursor().insertText(QStringLiteral("\n"));
      return;
    }
    if (event->key() == Qt::Key_Escape) {
      event->ignore();
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
};

// A single-line edit as a bordered edit control: a 1-pixel border with the
// text line right inside it. Qt's own frame takes more room, and an edit 18
// pixels high would cut umlaut dots and descenders off its 16-pixel cell.
class SingleLineEdit : public QLineEdit {
public:
  explicit SingleLineEdit(const QString& text) : QLineEdit(text) { setFrame(false); }

protected:
  void paintEvent(QPaintEvent* event) override {
    QLineEdit::paintEvent(event);
    DialogLook::PaintEditBorder(this);
  }
};

}  // namespace

NativeEdit::NativeEdit(NativeDialog* dialog, int x, int y, int w, int h, const std::string& text, bool multiline) {
  QWidget* widget;
  if (multiline) {
    auto* edit = new MultiLineEdit;
    edit->setPlainText(FromUtf8(text));
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QObject::connect(edit, &QPlainTextEdit::textChanged, [this] { Notify(this, NativeNotification::EditChange); });
    widget = edit;
  } else {
    auto* edit = new SingleLineEdit(FromUtf8(text));
    DialogLook::UseDialogBackground(edit);
    QObject::connect(edit, &QLineEdit::textChanged, [this] { Notify(this, NativeNotification::EditChange); });
    widget = edit;
  }
  widget->setFocusPolicy(Qt::StrongFocus);
  AttachControl(this, dialog, widget, ++dialog->nextControlId, x, y, w, h);
}

void NativeEdit::HandleWmCommand(unsigned short code) {
  if (code == NativeNotification::EditChange) RunHandlers(onChange, this);
}

std::string NativeEdit::GetText() const { return GetWindowText(); }

void NativeEdit::ShowBalloonTip(const std::string& title, const std::string& text, bool isError) {
  QWidget* widget = ToWidget(hwnd);
  if (!widget) return;
  QString tip = QStringLiteral("<b>%1</b><br>%2")
                    .arg(FromUtf8(title).toHtmlEscaped(), FromUtf8(text).toHtmlEscaped().replace('\n', "<br>"));
  if (isError) tip = QStringLiteral("<span style=\"color:#d40000\">&#9888;</span> ") + tip;
  QToolTip::showText(widget->mapToGlobal(QPoint(widget->width() / 2, widget->height())), tip, widget);
}

// ---------------------------------------------------------------------------
// List box

namespace {

// Every entry the same height once one is set.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  int height = 0;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (height > 0) size.setHeight(height);
    return size;
  }
};

// Programmatic changes do not notify.
template <typename List>
struct QuietScope {
  explicit QuietScope(List* list) : list(list), was(list->quiet) { list->quiet = true; }
  ~QuietScope() { list->quiet = was; }
  List* list;
  bool was;
};

// Tells the control about selection changes made by the user only, like a
// list box does; a click on the entry that is already selected counts too.
class ListboxWidget : public QListWidget {
  using Quiet = QuietScope<ListboxWidget>;

public:
  explicit ListboxWidget(NativeListbox* control) : control(control) {
    delegate = new FixedHeightDelegate(this);
    setItemDelegate(delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    QObject::connect(this, &QListWidget::currentRowChanged, [this](int row) {
      if (quiet) return;
      // The view moves the current row before it selects the entry; the
      // handlers must already find the entry selected, as with a list box.
      if (QListWidgetItem* entry = item(row)) entry->setSelected(true);
      Notify(this->control, NativeNotification::ListSelectionChange);
    });
    QObject::connect(this, &QListWidget::itemDoubleClicked,
                     [this](QListWidgetItem*) { Notify(this->control, NativeNotification::ListDoubleClick); });
  }

  NativeListbox* control;
  FixedHeightDelegate* delegate;
  bool quiet = false;

protected:
  void focusInEvent(QFocusEvent* event) override {
    // Getting the focus does not pick an entry.
    Quiet quiet(this);
    QListWidget::focusInEvent(event);
  }
  void mousePressEvent(QMouseEvent* event) override {
    int before = currentRow();
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && before >= 0 && currentRow() == before &&
        itemAt(event->position().toPoint()) == item(before))
      Notify(control, NativeNotification::ListSelectionChange);
  }
};

ListboxWidget* ListOf(const NativeListbox* control) { return static_cast<ListboxWidget*>(ToWidget(control->hwnd)); }

using Quiet = QuietScope<ListboxWidget>;

}  // namespace

NativeListbox::NativeListbox(NativeDialog* dialog, int x, int y, int w, int h) {
  auto* list = new ListboxWidget(this);
  DialogLook::UseDialogBackground(list);
  list->setFocusPolicy(Qt::StrongFocus);
  AttachControl(this, dialog, list, ++dialog->nextControlId, x, y, w, h);
}

void NativeListbox::HandleWmCommand(unsigned short code) {
  if (code == NativeNotification::ListSelectionChange)
    RunHandlers(onSelectionChange, this);
  else if (code == NativeNotification::ListDoubleClick)
    RunHandlers(onDoubleClick, this);
}

int NativeListbox::AddItem(std::string text, void* data) {
  ListboxWidget* list = ListOf(this);
  if (!list) return -1;
  Quiet quiet(list);
  auto* item = new QListWidgetItem(FromUtf8(text));
  item->setData(Qt::UserRole, QVariant::fromValue(data));
  list->addItem(item);
  return list->count() - 1;
}

void NativeListbox::SetItem(int index, std::string text, void* data) {
  ListboxWidget* list = ListOf(this);
  QListWidgetItem* item = list ? list->item(index) : nullptr;
  if (!item) return;
  Quiet quiet(list);
  item->setText(FromUtf8(text));
  item->setData(Qt::UserRole, QVariant::fromValue(data));
}

void NativeListbox::GetText(int index, std::string& out) const {
  ListboxWidget* list = ListOf(this);
  if (QListWidgetItem* item = list ? list->item(index) : nullptr) out = ToUtf8(item->text());
}

int NativeListbox::GetCount() const {
  ListboxWidget* list = ListOf(this);
  return list ? list->count() : 0;
}

int NativeListbox::GetSelection() const {
  ListboxWidget* list = ListOf(this);
  if (!list) return -1;
  QListWidgetItem* item = list->currentItem();
  return item && item->isSelected() ? list->row(item) : -1;
}

void NativeListbox::SetSelection(int index) {
  ListboxWidget* list = ListOf(this);
  if (!list) return;
  Quiet quiet(list);
  if (index >= 0 && index < list->count()) {
    list->setCurrentRow(index);
  } else {
    list->clearSelection();
    list->setCurrentRow(-1);
  }
}

void* NativeListbox::GetItemData(int index) const {
  ListboxWidget* list = ListOf(this);
  QListWidgetItem* item = list ? list->item(index) : nullptr;
  return item ? item->data(Qt::UserRole).value<void*>() : nullptr;
}

void NativeListbox::SetItemHeight(int height) {
  ListboxWidget* list = ListOf(this);
  if (!list) return;
  list->delegate->height = height;
  list->doItemsLayout();
}

// ---------------------------------------------------------------------------
// Label

namespace {

// A static text: words wrap at the box width, and the lines follow each other
// at the font's cell height, as in a static control. Qt's label adds the
// font's leading to every line and needs more room than the boxes give.
class DialogLabel : public QLabel {
public:
  using QLabel::QLabel;

protected:
  void paintEvent(QPaintEvent*) override {
    QString shown = text();
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font());
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const int lineHeight = fontMetrics().height();
    layout.beginLayout();
    for (int y = 0;; y += lineHeight) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) break;
      line.setLineWidth(width());
      line.setPosition(QPointF(0, y));
    }
    layout.endLayout();
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
  }
};

}  // namespace

NativeLabel::NativeLabel(NativeDialog* dialog, int x, int y, int w, int h, const std::string& text) {
  auto* label = new DialogLabel(FromUtf8(text));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setFocusPolicy(Qt::NoFocus);
  AttachControl(this, dialog, label, 0, x, y, w, h);
}

void NativeLabel::GetContent(std::string& out) const { out = GetWindowText(); }

// ---------------------------------------------------------------------------
// Button

namespace {

// Painted by us: steel blue, crimson while it has the focus, white centred text.
class DialogButton : public QPushButton {
public:
  explicit DialogButton(const QString& text) : QPushButton(text) {
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::StrongFocus);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), hasFocus() ? DialogLook::Crimson() : DialogLook::SteelBlue());
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
  }
  void keyPressEvent(QKeyEvent* event) override {
    // Enter goes to the dialog: it is OK there.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      event->ignore();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

}  // namespace

NativeButton::NativeButton(NativeDialog* dialog, int x, int y, int w, int h, const std::string& text,
                           SpecialButton kind) {
  auto* button = new DialogButton(FromUtf8(text));
  int buttonId = kind == OkButton       ? NativeDialog::IdOk
                 : kind == CancelButton ? NativeDialog::IdCancel
                                        : ++dialog->nextControlId;
  QObject::connect(button, &QPushButton::clicked, [this] { Notify(this, NativeNotification::ButtonClicked); });
  AttachControl(this, dialog, button, buttonId, x, y, w, h);
}

void NativeButton::HandleWmCommand(unsigned short code) {
  if (code == NativeNotification::ButtonClicked) RunHandlers(onClick, this);
}
