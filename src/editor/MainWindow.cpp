#include "editor/MainWindow.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <QWidget>

#include "compiler/Board.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/ChromeIcons.h"
#include "editor/EditAliases.h"
#include "editor/EditDialogs.h"
#include "editor/ProgramIcon.h"
#include "editor/SettingsDialog.h"
#include "toolkit/Drawing.h"
#include "toolkit/WindowServices.h"
#include "toolkit/QtWindow.h"

namespace {

const char* const UnsavedTitle = "Nicht gespeichert";

using Command = void (MainWindow::*)();

// The menu bar's items from left to right: the menu square, Open, Save, Send.
constexpr Command MenuBarCommands[] = {&MainWindow::ShowMainMenu, &MainWindow::Open, &MainWindow::Save,
                                       &MainWindow::Send};

struct MenuEntry {
  const char* text;
  Command command;  // null for a separator
};

constexpr MenuEntry Separator = {"-", nullptr};

// The main menu from top to bottom.
constexpr MenuEntry MainMenu[] = {
    {"Neu", &MainWindow::New},
    {"Öffnen...", &MainWindow::Open},
    {"Speichern", &MainWindow::Save},
    {"Speichern unter...", &MainWindow::SaveAs},
    Separator,
    {"Übertragen", &MainWindow::Send},
    Separator,
    {"Variablen...", &MainWindow::EditAliases},
    {"Einstellungen...", &MainWindow::ShowSettings},
    Separator,
    {"Beenden", &MainWindow::Quit},
};

struct Tool {
  InsertTool value;  // what the tool sets in the chart view
  ToolIconPainter paint;
  int lift = 0;  // pixels the icon sits above its place
};

// The tool bar from top to bottom.
constexpr Tool Tools[] = {
    {InsertNone, PaintPointerTool},
    {InsertAssignment, PaintAssignmentTool},
    {InsertInstruction, PaintInstructionTool},
    {InsertIfBlock, PaintIfBlockTool},
    {InsertCallSub, PaintCallSubTool},
    {InsertEndBlock, PaintEndBlockTool, 1},
    {InsertComment, PaintCommentTool},
};
constexpr int ToolCount = int(std::size(Tools));
static_assert(ToolCount * MainWindow::ToolHeight == MainWindow::ToolBarHeight);

}  // namespace

MainWindow::MainWindow(NativeWindow window, int width, int height) : width(width), height(height) {
  needsRepaint = false;
  hwnd = window;
  project = new Project();
  view = new ChartView(this);
  view->sub = project->AddChart();
  OnResize(width, height);
  firstTab = 0;
  viewPressed = false;
  modified = false;
}

MainWindow::~MainWindow() {
  delete view;
  delete project;
}

// --- Painting ---------------------------------------------------------------

void MainWindow::OnPaint(Drawing* drawing) {
  drawing->TranslateAndScale(0, MenuBarHeight, 1);
  view->OnPaint(drawing);
  drawing->RestoreTranslateAndScale();
  if (!IsMaximized()) {
    drawing->FillRect(0, MenuBarHeight, FrameWidth, height - MenuBarHeight, Stock::Grey);
    drawing->FillRect(0, height - FrameWidth, width, FrameWidth, Stock::Grey);
    drawing->FillRect(width - FrameWidth, MenuBarHeight, FrameWidth, height - MenuBarHeight, Stock::Grey);
  }
  PaintMenuBar(drawing);
  PaintTitleBar(drawing);
  PaintTabs(drawing);
  PaintToolBar(drawing);
}

void MainWindow::PaintMenuBar(Drawing* drawing) {
  drawing->FillRect(0, 0, width, MenuBarHeight, Stock::Grey);
  PaintMenuSquare(drawing);
  PaintOpenIcon(drawing, 64, IconInset);
  PaintSaveIcon(drawing, 112, IconInset, modified);
  PaintSendIcon(drawing, 164, IconInset);
}

void MainWindow::PaintTitleBar(Drawing* drawing) {
  const int x = width - SystemButtonsWidth;
  PaintMinimizeGlyph(drawing, x, TitleTop);
  PaintMaximizeGlyph(drawing, x + SystemButtonWidth, TitleTop, IsMaximized());
  PaintCloseGlyph(drawing, x + 2 * SystemButtonWidth, TitleTop);
  // Between the tab strip's left edge and the window buttons.
  const int textWidth = width - TabBarX - SystemButtonsWidth;
  drawing->PrintLine(TabBarX, TitleTop, textWidth, TitleTextHeight, FittedTitle(*drawing, textWidth), Stock::GuiFont,
                     Stock::DarkerGrey, Drawing::AlignCentered);
}

std::string MainWindow::FittedTitle(const Drawing& drawing, double textWidth) const {
  const std::string title = TitleText();
  const std::string& path = project->fileName;
  const size_t slash = path.rfind('/');
  if (drawing.TextWidth(title, Stock::GuiFont) <= textWidth || slash == std::string::npos || slash == 0) return title;
  // The folders give way first: the file's name and the program's stay whole.
  const std::string folder = path.substr(0, slash);
  const std::string rest = title.substr(slash);
  double room = textWidth - drawing.TextWidth(rest, Stock::GuiFont);
  while (room > 0) {
    const std::string shortened = drawing.Elided(folder, Stock::GuiFont, room, Drawing::ElideMiddle);
    if (shortened.empty()) break;
    // The two parts may kern where they join.
    const double over = drawing.TextWidth(shortened + rest, Stock::GuiFont) - textWidth;
    if (over <= 0) return shortened + rest;
    room -= std::max(over, 1.0);
  }
  // Not even the name and the program fit: drawn, they lose their end.
  return "…" + rest;
}

std::string MainWindow::TitleText() const {
  // Names the board that a compile now would build for.
  return (project->fileName.empty() ? std::string(UnsavedTitle) : project->fileName) + " - Pellburne for " +
         Board().name + " 1.0";
}

void MainWindow::PaintTabs(Drawing* drawing) {
  const int n = int(project->subs.size());
  int x;
  if (n * TabStep + TabButtonWidth <= width - TabBarX) {
    // Every tab and "+" behind them.
    tabsFit = true;
    visibleTabs = n;
    x = TabBarX;
  } else {
    tabsFit = false;
    // The whole tabs between "<" and "+".
    visibleTabs = std::max(0, (width - AddButtonFromRight - ScrolledTabsX) / TabStep);
    drawing->FillRect(TabBarX, TabBarY, TabButtonWidth, TabBarHeight, Stock::SteelBlue);
    drawing->PrintText(TabBarX, TabBarY, TabButtonWidth, TabBarHeight, "<", Stock::GuiFont, Stock::White,
                       Drawing::AlignCentered);
    x = ScrolledTabsX;
  }
  if (firstTab > 0 && firstTab + visibleTabs > n) firstTab = n - visibleTabs;
  // A click with the tab positions of an earlier paint (more subs then) can
  // scroll to before the first sub.
  firstTab = std::max(firstTab, 0);

  int index = firstTab;
  for (int drawn = 0; drawn < visibleTabs && index < n; ++drawn, ++index, x += TabStep) {
    Sub* sub = project->subs[index];
    drawing->FillRect(x, TabBarY, TabWidth, TabBarHeight, sub == view->sub ? Stock::SteelBlue : Stock::DarkGrey);
    drawing->PrintLine(x + TabTextLeft, TabBarY, TabWidth - TabTextLeft - TabTextRight, TabBarHeight, sub->name,
                       Stock::GuiFont, Stock::White, Drawing::AlignMiddleLeft);
  }
  if (!tabsFit) {
    int rest = width - CutTabEndFromRight - x;
    if (index < n && rest > 0) {
      Sub* sub = project->subs[index];
      drawing->FillRect(x, TabBarY, rest, TabBarHeight, sub == view->sub ? Stock::SteelBlue : Stock::DarkGrey);
      drawing->PrintLine(x + TabTextLeft, TabBarY, rest - TabTextLeft - TabTextRight, TabBarHeight, sub->name,
                         Stock::GuiFont, Stock::White, Drawing::AlignMiddleLeft);
      x = width - AddButtonFromRight;
    }
  }
  drawing->FillRect(x, TabBarY, TabButtonWidth, TabBarHeight, Stock::SteelBlue);
  drawing->PrintText(x, TabBarY, TabButtonWidth, TabBarHeight, "+", Stock::GuiFont, Stock::White,
                     Drawing::AlignCentered);
  if (!tabsFit) {
    const int arrowX = width - RightArrowFromRight;
    drawing->FillRect(arrowX, TabBarY, TabButtonWidth, TabBarHeight, Stock::SteelBlue);
    drawing->PrintText(arrowX, TabBarY, TabButtonWidth, TabBarHeight, ">", Stock::GuiFont, Stock::White,
                       Drawing::AlignCentered);
  }
}

void MainWindow::PaintToolBar(Drawing* drawing) {
  drawing->FillRect(0, toolBarTop, ToolBarWidth, ToolBarHeight, Stock::Grey);
  for (int k = 0; k < ToolCount; ++k) {
    const Tool& tool = Tools[k];
    const Color& color = view->insertTool == tool.value ? Stock::Crimson : Stock::DarkerGrey;
    tool.paint(drawing, IconInset, toolBarTop + IconInset + ToolHeight * k - tool.lift, color);
  }
}

// --- Size and input -----------------------------------------------------------

void MainWindow::OnResize(int newWidth, int newHeight) {
  width = newWidth;
  height = newHeight;
  toolBarTop = (height - ToolBarHeight) / 2;
  view->OnResize(width, height - MenuBarHeight);
}

bool MainWindow::InToolBar(int x, int y) const {
  return x <= ToolBarWidth && toolBarTop <= y && y <= toolBarTop + ToolBarHeight;
}

void MainWindow::OnMouseDown(int x, int y, int keys) {
  if (y <= MenuBarHeight) return;
  if (y <= TabBarY + TabBarHeight && x > MenuBarWidth) return;
  if (InToolBar(x, y)) return;
  view->OnMouseDown(x, y - MenuBarHeight, keys);
  viewPressed = true;
}

void MainWindow::OnMouseMove(int x, int y, int keys) {
  if (viewPressed) view->OnMouseMove(x, y - MenuBarHeight, keys);
}

void MainWindow::OnMouseWheel(double notches, int x, int y, int keys) {
  view->OnMouseWheel(notches, x, y - MenuBarHeight, keys);
}

void MainWindow::OnKeyUp(int key, int second) { view->OnKeyUp(key, second); }

void MainWindow::OnMouseUp(int x, int y, int keys) {
  if (viewPressed)
    view->OnMouseUp(x, y - MenuBarHeight, keys);
  else if (y <= MenuBarHeight && x <= MenuBarWidth)
    OnMenuBarMouseUp(x);
  else if (y <= TabBarY + TabBarHeight && x > MenuBarWidth) {
    if (y < TabBarY)
      OnTitleBarMouseUp(x);
    else
      OnTabBarMouseUp(x - TabBarX);
  } else if (InToolBar(x, y))
    OnToolBarMouseUp(y - toolBarTop);
  else
    view->OnMouseUp(x, y - MenuBarHeight, keys);
  viewPressed = false;
}

void MainWindow::OnMouseDoubleClick(int x, int y, int keys) {
  if (TabBarY <= y && y <= TabBarY + TabBarHeight && x > MenuBarWidth)
    OnTabBarDoubleClick(x);
  else if (y <= MenuBarHeight || InToolBar(x, y))
    return;
  else
    view->OnMouseDoubleClick(x, y - MenuBarHeight, keys);
}

bool MainWindow::OnClose() { return !modified || AskForSave(); }

// --- Chrome -------------------------------------------------------------------

void MainWindow::OnMenuBarMouseUp(int x) {
  const int item = (x - MenuBarItemsX) / MenuBarItemWidth;
  if (item >= 0 && item < int(std::size(MenuBarCommands))) (this->*MenuBarCommands[item])();
}

void MainWindow::OnTitleBarMouseUp(int x) {
  int left = width - SystemButtonsWidth - SystemGlyphInset;
  if (x < left) return;
  QWidget* window = ToWidget(hwnd);
  switch ((x - left) / SystemButtonWidth) {
  case 0:
    if (window) window->showMinimized();
    break;
  case 1:
    if (window) {
      if (IsMaximized())
        window->showNormal();
      else
        window->showMaximized();
    }
    break;
  case 2:
    Quit();
    break;
  }
}

Sub* MainWindow::SubAtTab(int index) const {
  // A click can arrive between a deletion (or New, Open) and the next paint,
  // with tab positions that name subs that are gone.
  if (index < 0 || index >= int(project->subs.size())) return nullptr;
  return project->subs[index];
}

void MainWindow::OnTabBarMouseUp(int xr) {
  const int x = xr + TabBarX;
  const int n = int(project->subs.size());
  if (!tabsFit) {
    if (x >= width - RightArrowFromRight) {
      firstTab = std::min(firstTab + 1, n - 1);
      needsRepaint = true;
      return;
    }
    if (xr <= TabButtonWidth) {
      if (firstTab > 0) --firstTab;
      needsRepaint = true;
      return;
    }
    xr -= TabButtonStep;
  }
  const int i = xr / TabStep;
  if (i < visibleTabs) {
    if (Sub* sub = SubAtTab(firstTab + i)) ShowSub(sub);
    needsRepaint = true;
    return;
  }
  if (firstTab + visibleTabs != n) {
    if (x < width - AddButtonFromRight) {
      if (firstTab + i < n) firstTab = n - visibleTabs;
    } else {
      AddSub();
      firstTab = int(project->subs.size()) - visibleTabs;
    }
  } else if (xr - visibleTabs * TabStep <= TabButtonWidth) {
    AddSub();
  }
  needsRepaint = true;
}

void MainWindow::OnTabBarDoubleClick(int x) {
  int offset = tabsFit ? x - TabBarX : x - ScrolledTabsX;
  if (offset < 0 || offset / TabStep >= visibleTabs) return;
  Sub* sub = SubAtTab(firstTab + offset / TabStep);
  if (!sub) return;
  EditSubDlg dialog(hwnd, sub, view);
  // A deletion ends the dialog without its OK flag: count every close.
  modified = true;
  needsRepaint = true;
}

void MainWindow::OnToolBarMouseUp(int yr) {
  const int k = yr / ToolHeight;
  if (k >= 0 && k < ToolCount) {
    const InsertTool tool = Tools[k].value;
    if (tool == InsertInstruction) {
      SelectInstructionDlg dialog(hwnd);
      if (dialog.ok) {
        view->insertTool = InsertInstruction;
        view->insertInfo = dialog.chosen;
        NativeSetCrossCursor(hwnd);
      }
    } else {
      view->insertTool = tool;
      if (tool == InsertNone)
        NativeSetPointerCursor(hwnd);
      else
        NativeSetCrossCursor(hwnd);
    }
  }
  needsRepaint = true;
}

void MainWindow::ShowMainMenu() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> texts;
    for (const MenuEntry& entry : MainMenu) texts.emplace_back(entry.text);
    return texts;
  }();
  const int chosen = NativeShowMenu(hwnd, 0, MenuBarHeight, texts);
  if (chosen >= 0 && chosen < int(std::size(MainMenu)) && MainMenu[chosen].command) (this->*MainMenu[chosen].command)();
}

namespace {

// Every alias with what it stands for, in table order.
std::vector<std::pair<std::string, const Variable*>> AliasTable(const Variables& variables) {
  std::vector<std::pair<std::string, const Variable*>> aliases;
  for (const Variable* v : variables.variableList)
    if (v->IsAlias()) aliases.emplace_back(v->name, v->aliasTarget);
  return aliases;
}

}  // namespace

void MainWindow::EditAliases() {
  // Aliases are saved with the project: a changed table is a change to the
  // project, or closing would drop it without asking.
  auto before = AliasTable(project->variables);
  EditAliasesDialog dialog(hwnd, &project->variables);
  if (AliasTable(project->variables) != before) modified = true;
  needsRepaint = true;
}

void MainWindow::ShowSettings() { SettingsDialog dialog(hwnd); }

void MainWindow::Quit() {
  // The window's close path, which asks OnClose.
  if (QWidget* window = ToWidget(hwnd)) window->close();
}

void MainWindow::ShowSub(Sub* sub) {
  view->sub = sub;
  view->OnResize(width, height - MenuBarHeight);
  needsRepaint = true;
}

void MainWindow::AddSub() {
  modified = true;
  ShowSub(project->AddChart());
}

bool MainWindow::IsMaximized() const { return hwnd && NativeIsWindowMaximized(hwnd); }
