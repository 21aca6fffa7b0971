// The completion edit: a line edit, a list that hangs below it as a window of
// its own that never takes the focus, and an application-wide watch for
// mouse presses outside the two while the list is open.
#include "toolkit/QtGui.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleOptionFrame>
#include <QValidator>
#include <QWheelEvent>

NativeRect NativeSuggest::suggestRect;
NativeSuggest* NativeSuggest::currentHookNativeSuggest = nullptr;

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

bool IsListKey(int key) {
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
}

}  // namespace

// The press watch: closes the open list on a press outside the edit and the
// list, anywhere in the application, and when the application loses the focus.
class SuggestWatch : public QObject {
public:
  SuggestWatch() : QObject(qApp) {
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this, [](Qt::ApplicationState state) {
      if (state != Qt::ApplicationActive && NativeSuggest::currentHookNativeSuggest) CloseFromOutside();
    });
  }

  static void CloseFromOutside() {
    NativeSuggest* suggest = NativeSuggest::currentHookNativeSuggest;
    NativeSuggest::RemoveHook();
    if (QWidget* edit = ToWidget(suggest->hwnd)) edit->setFocus(Qt::MouseFocusReason);
    if (QWidget* list = ToWidget(suggest->list)) list->hide();
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        NativeSuggest::currentHookNativeSuggest) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) {
        QPoint p = mouse->globalPosition().toPoint();
        const NativeRect& r = NativeSuggest::suggestRect;
        if (p.x() < r.left || p.x() >= r.right || p.y() < r.top || p.y() >= r.bottom) CloseFromOutside();
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

namespace {

QPointer<SuggestWatch> watch;

}  // namespace

// The list below the edit.
class SuggestList : public QListWidget {
public:
  SuggestList(NativeSuggest* suggest, QWidget* edit) : QListWidget(edit), suggest(suggest) {
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFont(DialogLook::Font());
    DialogLook::UseDialogBackground(this);
  }

  int Selected() const {
    QListWidgetItem* current = currentItem();
    return current && current->isSelected() ? row(current) : -1;
  }

protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QListWidget::mouseReleaseEvent(event);
    // One click on an entry takes it.
    if (event->button() == Qt::LeftButton && Selected() >= 0) suggest->AcceptSuggestion(true);
  }
  void keyPressEvent(QKeyEvent* event) override {
    QListWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) suggest->AcceptSuggestion(true);
  }

private:
  NativeSuggest* suggest;
};

// The edit: keys and clicks open, steer and close the list.
class SuggestEdit : public QLineEdit {
public:
  explicit SuggestEdit(NativeSuggest* suggest) : suggest(suggest) {
    setValidator(new FitsWidth(this));
    QObject::connect(this, &QLineEdit::textChanged, [this](const QString& text) { acceptedLength = text.size(); });
    setFocusPolicy(Qt::StrongFocus);
    DialogLook::UseDialogBackground(this);
    // Bordered like the dialog's other single-line edits.
    setFrame(false);
  }

  SuggestList* List() const { return static_cast<SuggestList*>(ToWidget(suggest->list)); }

protected:
  bool event(QEvent* event) override {
    // While a list is open every key belongs to the edit: Tab does not leave it.
    if (event->type() == QEvent::KeyPress && NativeSuggest::IsHookInstalled()) {
      int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        event->accept();
        return true;
      }
    }
    return QLineEdit::event(event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    int key = event->key();
    bool open = NativeSuggest::IsHookInstalled();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && open) {
      suggest->AcceptSuggestion(false);
      return;
    }
    if (key == Qt::Key_Escape && open) {
      NativeSuggest::RemoveHook();
      if (SuggestList* list = List()) list->hide();
      return;
    }
    if (IsListKey(key)) {
      // Arrow and page keys move the list's selection, not the caret.
      if (SuggestList* list = List()) {
        QKeyEvent copy(event->type(), key, event->modifiers(), event->text());
        QCoreApplication::sendEvent(list, &copy);
      }
      return;
    }
    QLineEdit::keyPressEvent(event);
    // Every typed character refreshes the list; Delete types none, though
    // the keyboard may report it with the text DEL.
    if (!event->text().isEmpty() && event->text() != QStringLiteral("\t") && key != Qt::Key_Return &&
        key != Qt::Key_Enter && key != Qt::Key_Escape && key != Qt::Key_Delete)
      suggest->RefreshFromText();
  }

  void paintEvent(QPaintEvent* event) override {
    QLineEdit::paintEvent(event);
    DialogLook::PaintEditBorder(this);
  }

  void keyReleaseEvent(QKeyEvent* event) override {
    if (IsListKey(event->key())) return;
    QLineEdit::keyReleaseEvent(event);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) suggest->RefreshFromText();
  }

  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    suggest->ShowSuggestions();
  }

  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    QWidget* now = QApplication::focusWidget();
    SuggestList* list = List();
    if (list && now && (now == list || list->isAncestorOf(now))) return;
    NativeSuggest::RemoveHook();
    if (list) list->hide();
  }

  void wheelEvent(QWheelEvent* event) override {
    QLineEdit::wheelEvent(event);
    // The wheel over the edit scrolls the list.
    if (SuggestList* list = List(); list && list->isVisible()) {
      QWheelEvent copy(list->viewport()->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                       event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                       event->inverted());
      QCoreApplication::sendEvent(list->viewport(), &copy);
    }
  }

private:
  // No horizontal scrolling: typing stops once the text fills the visible width.
  class FitsWidth : public QValidator {
  public:
    explicit FitsWidth(SuggestEdit* edit) : QValidator(edit), edit(edit) {}
    State validate(QString& input, int&) const override {
      // Shortening is always allowed, even when a taken entry is wider.
      if (input.size() > edit->acceptedLength && edit->fontMetrics().horizontalAdvance(input) > edit->TextWidth())
        return Invalid;
      return Acceptable;
    }

  private:
    SuggestEdit* edit;
  };

  int TextWidth() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    QMargins margins = textMargins();
    // The line edit keeps two pixels free on either side of the text.
    return contents.width() - margins.left() - margins.right() - 4;
  }

  NativeSuggest* suggest;
  qsizetype acceptedLength = 0;
};

NativeSuggest::NativeSuggest(NativeDialog* dialog, int x, int y, int w, int h, int listHeight) {
  auto* edit = new SuggestEdit(this);
  AttachControl(this, dialog, edit, 0, x, y, w, h);
  this->listHeight = listHeight;
  auto* popup = new SuggestList(this, edit);
  popup->resize(w, listHeight);
  popup->hide();
  list = FromWidget(popup);
  // The list dies with the edit, and with it any watch it holds.
  QObject::connect(edit, &QObject::destroyed, [this] {
    list = nullptr;
    if (currentHookNativeSuggest == this) RemoveHook();
  });
}

NativeSuggest::~NativeSuggest() {
  if (currentHookNativeSuggest == this) RemoveHook();
  if (QWidget* edit = ToWidget(hwnd)) QObject::disconnect(edit, &QObject::destroyed, nullptr, nullptr);
  delete ToWidget(list);
  list = nullptr;
  // The base destroys the edit.
}

void NativeSuggest::SetSuggestions(const std::vector<std::string>& items) {
  ClearSuggestions();
  for (const std::string& item : items) AddSuggestion(item);
}

void NativeSuggest::ClearSuggestions() {
  if (auto* popup = static_cast<SuggestList*>(ToWidget(list))) popup->clear();
}

void NativeSuggest::AddSuggestion(const std::string& item) {
  if (auto* popup = static_cast<SuggestList*>(ToWidget(list))) popup->addItem(FromUtf8(item));
}

std::string NativeSuggest::GetText() const { return GetWindowText(); }

void NativeSuggest::ShowSuggestions() {
  QWidget* edit = ToWidget(hwnd);
  auto* popup = static_cast<SuggestList*>(ToWidget(list));
  if (!edit || !popup) return;
  QPoint origin = edit->mapToGlobal(QPoint(0, 0));
  int w = edit->width(), h = edit->height();
  suggestRect = {origin.x(), origin.y(), origin.x() + w, origin.y() + h - 1 + listHeight};
  popup->setGeometry(origin.x(), origin.y() + h - 1, w, listHeight);
  popup->show();
  RunHandlers(onSuggest, this);
  if (!currentHookNativeSuggest) InstallHook();
}

void NativeSuggest::AcceptSuggestion(bool focus) {
  auto* edit = static_cast<QLineEdit*>(ToWidget(hwnd));
  auto* popup = static_cast<SuggestList*>(ToWidget(list));
  if (edit && popup) {
    if (int selected = popup->Selected(); selected >= 0) {
      QString text = popup->item(selected)->text();
      edit->setText(text);
      edit->setCursorPosition(int(text.size()));
    }
  }
  RemoveHook();
  if (focus && edit) edit->setFocus(Qt::OtherFocusReason);
  if (popup) popup->hide();
}

void NativeSuggest::HideSuggestions(bool focus) {
  RemoveHook();
  if (QWidget* edit = ToWidget(hwnd); edit && focus) edit->setFocus(Qt::OtherFocusReason);
  if (QWidget* popup = ToWidget(list)) popup->hide();
}

bool NativeSuggest::IsHookInstalled() { return currentHookNativeSuggest != nullptr; }

void NativeSuggest::RefreshFromText() {
  auto* popup = static_cast<SuggestList*>(ToWidget(list));
  if (!popup || !hwnd) return;
  QString text = static_cast<QLineEdit*>(ToWidget(hwnd))->text();
  ShowSuggestions();
  // The first entry from the top that begins with the text, in any case;
  // an empty text begins none.
  int found = -1;
  for (int i = 0; !text.isEmpty() && i < popup->count(); ++i) {
    if (popup->item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
      found = i;
      break;
    }
  }
  if (found >= 0) {
    popup->setCurrentRow(found);
  } else {
    popup->clearSelection();
    popup->setCurrentRow(-1);
  }
}

void NativeSuggest::InstallHook() {
  if (!watch) watch = new SuggestWatch;  // lives as long as the application
  currentHookNativeSuggest = this;
  qApp->installEventFilter(watch);
}

void NativeSuggest::RemoveHook() {
  if (watch) qApp->removeEventFilter(watch);
  currentHookNativeSuggest = nullptr;
}
