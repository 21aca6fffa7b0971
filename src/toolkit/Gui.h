#pragma once
// The dialog toolkit: modal dialogs that the program paints itself (a grey
// caption band with the title, a grey frame, coloured buttons) and the thin
// controls placed on them. A dialog subclass stores what its controls need,
// calls Create last in its constructor, builds its controls in PutControls and
// hears about user actions through the controls' handler lists.
//
// Sizes are pixels. A dialog asked for width x height is a window of
// (width + 8) x (height + 28); its top CaptionHeight pixels are the caption
// band, and control boxes are given relative to the area below the band.
#include "toolkit/NativeWindow.h"

#include <string>
#include <utility>
#include <vector>

class NativeDialog;
class NativeControl;

// Pairs of a dialog and one of its member functions taking the control; a
// control calls every entry in list order.
using NativeHandlerList = std::vector<std::pair<NativeDialog*, void (NativeDialog::*)(NativeControl*)>>;

// One handler list entry from a dialog subclass and one of its own member
// functions: button->onClick.push_back(NativeHandler(this, &MyDialog::OnDelete)).
template <typename Dialog>
std::pair<NativeDialog*, void (NativeDialog::*)(NativeControl*)> NativeHandler(Dialog* dialog,
                                                                               void (Dialog::*method)(NativeControl*)) {
  return {dialog, static_cast<void (NativeDialog::*)(NativeControl*)>(method)};
}

// Notification codes that controls send with their commands, as the window
// system numbers them; HandleWmCommand receives these.
namespace NativeNotification {
inline constexpr unsigned short ButtonClicked = 0;        // BN_CLICKED
inline constexpr unsigned short EditChange = 0x300;       // EN_CHANGE
inline constexpr unsigned short ListSelectionChange = 1;  // LBN_SELCHANGE
inline constexpr unsigned short ListDoubleClick = 2;      // LBN_DBLCLK
}  // namespace NativeNotification

class NativeDialog {
public:
  static constexpr int CaptionHeight = 24;
  static constexpr int ExtraWidth = 8;
  static constexpr int ExtraHeight = 28;
  // Command ids of the OK and Cancel buttons (and of Enter and Escape).
  static constexpr int IdOk = 1;
  static constexpr int IdCancel = 2;
  // Numbered controls take ids from FirstControlId + 1 upward.
  static constexpr int FirstControlId = 1000;

  // Creates the dialog's controls once the dialog window exists.
  virtual void PutControls() = 0;
  // OK was chosen: true ends the dialog with ok set, false keeps it open.
  virtual bool OnOK();
  // Runs on every tick of a timer started with SetTimer.
  virtual void OnTimer();

  // Runs the dialog modally over parent (null: no owner) and returns when it
  // has ended; the outcome is ok. Call it last in the subclass constructor.
  void Create(NativeWindow parent, int width, int height, const std::string& title);

  // Starts (or restarts) the dialog window's timer of that id; OnTimer runs
  // every period while the dialog runs.
  void SetTimer(int id, int milliseconds);
  void KillTimer(int id);
  // Ends the running dialog; ok stays as it is.
  void EndDialog();

  // A command reaching the dialog: IdOk asks OnOK and ends the dialog with
  // ok set when it agrees, IdCancel ends it with ok false, anything else goes
  // to the control behind the sending window (if any) with the code.
  void Command(int id, unsigned short code, NativeWindow sender);

  // The dialog window while the dialog runs, else null.
  NativeWindow hwnd = nullptr;
  // The last control id handed out.
  int nextControlId = FirstControlId;
  // True after the dialog ended through OK.
  bool ok = false;
  // The title given to Create; not owned.
  const std::string* title = nullptr;

protected:
  NativeDialog() = default;
  // Dialogs live on the stack and are destroyed as their own type.
  ~NativeDialog() = default;
  NativeDialog(const NativeDialog&) = delete;
  NativeDialog& operator=(const NativeDialog&) = delete;
};

class NativeControl {
public:
  virtual ~NativeControl();
  // A notification from the control's window; the default ignores it.
  virtual void HandleWmCommand(unsigned short code);

  // The window's text (edit, label, button) / replaces it.
  std::string GetWindowText() const;
  void SetWindowText(const std::string& text);
  void SetFocus();
  bool HasFocus() const;

  // The control's window; null once the dialog has ended.
  NativeWindow hwnd = nullptr;
  // The child id: 1 and 2 for OK and Cancel buttons, numbered controls from
  // 1001, 0 for labels and completion edits.
  int id = 0;

protected:
  NativeControl() = default;
  NativeControl(const NativeControl&) = delete;
  NativeControl& operator=(const NativeControl&) = delete;
  static void RunHandlers(const NativeHandlerList& list, NativeControl* control);
};

class NativeEdit : public NativeControl {
public:
  NativeEdit(NativeDialog* dialog, int x, int y, int w, int h, const std::string& text, bool multiline);
  void HandleWmCommand(unsigned short code) override;
  std::string GetText() const;
  // A tip at the edit with a title and a text, marked as an error when asked.
  void ShowBalloonTip(const std::string& title, const std::string& text, bool isError);

  NativeHandlerList onChange;
};

class NativeListbox : public NativeControl {
public:
  NativeListbox(NativeDialog* dialog, int x, int y, int w, int h);
  void HandleWmCommand(unsigned short code) override;

  // Appends an entry (the list is not sorted) and returns its index.
  int AddItem(std::string text, void* data);
  // Replaces the entry at index: same position, new text and data.
  void SetItem(int index, std::string text, void* data);
  // The entry's text; out stays as it was for an index that is not valid.
  void GetText(int index, std::string& out) const;
  int GetCount() const;
  // The selected entry, -1 when none.
  int GetSelection() const;
  // Selects an entry (-1: none) without notifying the handlers.
  void SetSelection(int index);
  // The entry's data, null for an index that is not valid.
  void* GetItemData(int index) const;
  // The height of every entry in pixels.
  void SetItemHeight(int height);

  NativeHandlerList onSelectionChange;
  NativeHandlerList onDoubleClick;
};

class NativeLabel : public NativeControl {
public:
  NativeLabel(NativeDialog* dialog, int x, int y, int w, int h, const std::string& text);
  void GetContent(std::string& out) const;
};

class NativeButton : public NativeControl {
public:
  enum SpecialButton { NormalButton = 0, OkButton = 1, CancelButton = 2 };

  NativeButton(NativeDialog* dialog, int x, int y, int w, int h, const std::string& text, SpecialButton kind);
  void HandleWmCommand(unsigned short code) override;

  // Not run for OK and Cancel buttons: their clicks go to the dialog.
  NativeHandlerList onClick;
};

// A rectangle in screen pixels; right and bottom lie outside.
struct NativeRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// A single-line edit with a list of completions hanging below it. The list
// opens when the edit gets the focus or the user types or clicks in it, is
// refilled through onSuggest on every opening, and closes when an entry is
// taken (Enter, a click in the list), on Escape, when the focus leaves the
// edit, or on a mouse press anywhere outside the edit and the list.
class NativeSuggest : public NativeControl {
public:
  NativeSuggest(NativeDialog* dialog, int x, int y, int w, int h, int listHeight);
  ~NativeSuggest() override;

  void SetSuggestions(const std::vector<std::string>& items);
  void ClearSuggestions();
  void AddSuggestion(const std::string& item);
  std::string GetText() const;

  // Places and shows the list, lets onSuggest refill it and starts watching
  // for presses outside.
  void ShowSuggestions();
  // Takes the selected entry (if any) into the edit and closes the list.
  void AcceptSuggestion(bool focus);
  // Closes the list without taking anything.
  void HideSuggestions(bool focus);

  // Whether a list is open and watched; at most one is at a time.
  static bool IsHookInstalled();

  NativeHandlerList onSuggest;
  // The pop-up list window.
  NativeWindow list = nullptr;
  int listHeight = 0;

  // The edit and its list as last shown; a press outside closes the list.
  static NativeRect suggestRect;
  // The control whose list the watch belongs to, else null.
  static NativeSuggest* currentHookNativeSuggest;

private:
  friend class SuggestEdit;
  friend class SuggestList;
  friend class SuggestWatch;
  // Shows the list and selects the first entry that begins with the text.
  void RefreshFromText();
  static void RemoveHook();
  void InstallHook();
};
