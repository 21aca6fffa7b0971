#include "editor/MainWindow.h"

#include <algorithm>
#include <string>
#include <vector>

#include <QWidget>

#include "compiler/Board.h"
#include "document/ChartItem.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditAliases.h"
#include "editor/EditDialogs.h"
#include "editor/ProgramIcon.h"
#include "editor/SettingsDialog.h"
#include "toolkit/Drawing.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Platform.h"
#include "toolkit/WindowServices.h"
#include "toolkit/QtWindow.h"
#include "transfer/Transfer.h"

namespace {

const char* const UnsavedTitle = "Nicht gespeichert";
const char* const ProjectPattern = "*.pbn";
const char* const ProjectDescription = "Pellburne";
const char* const SaveQuestion = "Willst du die Änderungen an der Datei speichern, bevor sie geschlossen wird?";
const char* const SaveQuestionCaption = "Änderungen speichern?";
const char* const ReadErrorText = "Datei konnte nicht gelesen werden?\nIst sie ungültig oder beschädigt?";
const char* const ReadErrorCaption = "Lesefehler";
const char* const SaveErrorText = "Die Datei konnte nicht gespeichert werden:\n";
const char* const SaveErrorNote = "\n\nDeine Änderungen sind noch nicht gespeichert.";
const char* const SaveErrorCaption = "Speicherfehler";

enum MainMenuEntry {
  MenuNew = 0,
  MenuOpen = 1,
  MenuSave = 2,
  MenuSaveAs = 3,
  MenuSend = 5,
  MenuVariables = 7,
  MenuSettings = 8,
  MenuQuit = 10,
};

const std::vector<std::string>& MainMenuEntries() {
  static const std::vector<std::string> entries = {
      "Neu", "Öffnen...", "Speichern", "Speichern unter...", "-", "Übertragen", "-",
      "Variablen...", "Einstellungen...", "-", "Beenden"};
  return entries;
}

// The icons are drawn in their own coordinates, top-left at (x, y).
struct Placed {
  Placed(Drawing* drawing, double x, double y) : drawing(drawing) { drawing->TranslateAndScale(x, y, 1); }
  ~Placed() { drawing->RestoreTranslateAndScale(); }
  Drawing* drawing;
};

using Points = std::initializer_list<std::pair<double, double>>;

// A closed figure through the points, back to the first.
Path Polygon(Points points) {
  Path path;
  for (auto [x, y] : points) {
    if (path.HasCurrentPoint())
      path.LineTo(x, y);
    else
      path.MoveTo(x, y);
  }
  path.LineTo(points.begin()->first, points.begin()->second);
  path.Close();
  return path;
}

void FillPolygon(Drawing* drawing, Points points, const Color& color) { drawing->FillPath(Polygon(points), color); }

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
    drawing->FillRect(0, MenuBarHeight, 4, height - MenuBarHeight, Stock::Grey);
    drawing->FillRect(0, height - 4, width, 4, Stock::Grey);
    drawing->FillRect(width - 4, MenuBarHeight, 4, height - MenuBarHeight, Stock::Grey);
  }
  PaintMenuBar(drawing);
  PaintTitleBar(drawing);
  PaintTabs(drawing);
  PaintToolBar(drawing);
}

void MainWindow::PaintMenuBar(Drawing* drawing) {
  drawing->FillRect(0, 0, width, MenuBarHeight, Stock::Grey);
  PaintMenuSquare(drawing);
  {
    // Open: a folder with its front flap.
    Placed at(drawing, 64, 7);
    FillPolygon(drawing, {{1, 4}, {12, 4}, {15, 8}, {31, 8}, {31, 30}, {1, 30}}, Stock::DarkerGrey);
    Path flap = Polygon({{7, 14}, {35, 14}, {30, 30}, {2, 30}});
    drawing->FillPath(flap, Stock::White);
    drawing->DrawPath(flap, Stock::ThickerDarkerGreyPen);
  }
  {
    // Save: a floppy disk, dark while there is something to save.
    Placed at(drawing, 112, 7);
    drawing->FillRect(4, 4, 27, 27, Stock::White);
    Path body = Polygon({{2, 2}, {28, 2}, {33, 7}, {33, 33}, {2, 33}});
    body.Rectangle(9, 4, 15, 9);   // shutter
    body.Rectangle(7, 19, 21, 12);  // label
    drawing->FillPath(body, modified ? Stock::DarkerGrey : Stock::MediumGrey);
    drawing->FillRect(19, 5, 3, 6, modified ? Stock::DarkerGrey : Stock::MediumGrey);
  }
  {
    // Send: a chip with a notch and ten pins.
    Placed at(drawing, 164, 7);
    Path chip;
    chip.MoveTo(8, 1);
    chip.LineTo(14, 1);
    chip.CurveTo(14, 5, 20, 5, 20, 1);
    chip.LineTo(27, 1);
    chip.LineTo(27, 34);
    chip.LineTo(8, 34);
    chip.LineTo(8, 1);
    chip.Close();
    drawing->FillPath(chip, Stock::DarkerGrey);
    for (int k = 0; k < 5; ++k) {
      drawing->FillRect(3, 5 + 6 * k, 5, 3, Stock::White);
      drawing->FillRect(27, 5 + 6 * k, 5, 3, Stock::White);
    }
  }
}

void MainWindow::PaintTitleBar(Drawing* drawing) {
  const Pen& pen = Stock::ThinDarkerGreyPen;
  const double top = 4;
  {
    double x = width - SystemButtonsWidth;
    drawing->DrawLine(x + 1, top + 15, x + 15, top + 15, pen);
  }
  {
    double x = width - SystemButtonsWidth + SystemButtonWidth;
    if (IsMaximized()) {
      Path front;
      front.Rectangle(x, top + 4, 12, 12);
      drawing->DrawPath(front, pen);
      drawing->DrawLine(x + 4, top + 4, x + 4, top, pen);
      drawing->DrawLine(x + 4, top, x + 16, top, pen);
      drawing->DrawLine(x + 16, top, x + 16, top + 12, pen);
      drawing->DrawLine(x + 16, top + 12, x + 12, top + 12, pen);
    } else {
      Path frame;
      frame.Rectangle(x, top + 3, 16, 13);
      drawing->DrawPath(frame, pen);
      drawing->DrawLine(x, top + 2, x + 16, top + 2, pen);
    }
  }
  {
    double x = width - SystemButtonsWidth + 2 * SystemButtonWidth;
    drawing->DrawLine(x, top, x + 16, top + 16, pen);
    drawing->DrawLine(x + 16, top, x, top + 16, pen);
  }
  drawing->PrintText(TabBarX, 4, width - 292, 20, TitleText(), Stock::GuiFont, Stock::DarkerGrey,
                     Drawing::AlignCentered);
}

std::string MainWindow::TitleText() const {
  // Names the board that a compile now would build for.
  return (project->fileName.empty() ? std::string(UnsavedTitle) : project->fileName) + " - Pellburne for " +
         Board().name + " 1.0";
}

void MainWindow::PaintTabs(Drawing* drawing) {
  const int n = int(project->subs.size());
  int x;
  if (n * TabStep + 27 < width - TabBarX) {
    tabsFit = true;
    visibleTabs = n;
    x = TabBarX;
  } else {
    tabsFit = false;
    visibleTabs = std::max(0, (width - 324) / TabStep);
    drawing->FillRect(TabBarX, TabBarY, TabButtonWidth, TabBarHeight, Stock::SteelBlue);
    drawing->PrintText(TabBarX, TabBarY, TabButtonWidth, TabBarHeight, "<", Stock::GuiFont, Stock::White,
                       Drawing::AlignCentered);
    x = TabBarX + 36;
  }
  if (firstTab > 0 && firstTab + visibleTabs > n) firstTab = n - visibleTabs;
  // A click with the tab positions of an earlier paint (more subs then) can
  // scroll to before the first sub.
  firstTab = std::max(firstTab, 0);

  int index = firstTab;
  for (int drawn = 0; drawn < visibleTabs && index < n; ++drawn, ++index, x += TabStep) {
    Sub* sub = project->subs[index];
    drawing->FillRect(x, TabBarY, TabWidth, TabBarHeight, sub == view->sub ? Stock::SteelBlue : Stock::DarkGrey);
    drawing->PrintText(x + 5, TabBarY, TabWidth - 8, TabBarHeight, sub->name, Stock::GuiFont, Stock::White,
                       Drawing::AlignMiddleLeft);
  }
  if (!tabsFit) {
    int rest = width - 80 - x;
    if (index < n && rest > 0) {
      Sub* sub = project->subs[index];
      drawing->FillRect(x, TabBarY, rest, TabBarHeight, sub == view->sub ? Stock::SteelBlue : Stock::DarkGrey);
      drawing->PrintText(x + 5, TabBarY, rest - 8, TabBarHeight, sub->name, Stock::GuiFont, Stock::White,
                         Drawing::AlignMiddleLeft);
      x = width - 72;
    }
  }
  drawing->FillRect(x, TabBarY, TabButtonWidth, TabBarHeight, Stock::SteelBlue);
  drawing->PrintText(x, TabBarY, TabButtonWidth, TabBarHeight, "+", Stock::GuiFont, Stock::White,
                     Drawing::AlignCentered);
  if (!tabsFit) {
    drawing->FillRect(width - 36, TabBarY, TabButtonWidth, TabBarHeight, Stock::SteelBlue);
    drawing->PrintText(width - 36, TabBarY, TabButtonWidth, TabBarHeight, ">", Stock::GuiFont, Stock::White,
                       Drawing::AlignCentered);
  }
}

void MainWindow::PaintToolBar(Drawing* drawing) {
  drawing->FillRect(0, toolBarTop, ToolBarWidth, ToolBarHeight, Stock::Grey);
  for (int tool = 0; tool < ToolCount; ++tool) {
    const Color& color = view->insertTool == ToolValues[tool] ? Stock::Crimson : Stock::DarkerGrey;
    int top = toolBarTop + 7 + ToolHeight * tool;
    if (ToolValues[tool] == InsertEndBlock) top -= 1;
    Placed at(drawing, 7, top);
    switch (ToolValues[tool]) {
      case InsertNone:
        FillPolygon(drawing, {{8, 1}, {8, 31}, {14, 25}, {17.5, 33}, {21, 32}, {17.5, 23.5}, {25.5, 23.5}}, color);
        break;
      case InsertAssignment:
        drawing->FillRect(0, 6.5, 35, 22, color);
        drawing->FillRect(13.1, 15.7, 8.8, 1.5, Stock::White);
        drawing->FillRect(13.1, 19.3, 8.8, 1.5, Stock::White);
        break;
      case InsertInstruction:
        FillPolygon(drawing, {{3.7, 7.3}, {34.6, 7.3}, {30.8, 29.1}, {0, 29.1}}, color);
        drawing->FillTriangle(35, 15.4, 40, 18.2, 35, 21, color);
        break;
      case InsertIfBlock:
        FillPolygon(drawing, {{17.6, 7.1}, {35.2, 17.4}, {17.6, 27.8}, {0, 17.4}}, color);
        drawing->PrintText(0, 7.1, 35.2, 20.7, "?", Stock::GuiFont, Stock::White, Drawing::AlignCentered);
        break;
      case InsertCallSub:
        drawing->FillRect(0, 7, 35, 26, Stock::MediumGrey);
        drawing->FillRect(5, 7, 25, 26, color);
        break;
      case InsertEndBlock:
        drawing->FillRoundedRect(0, 6.5, 35, 22, 7, color);
        break;
      case InsertComment:
        drawing->FillRect(0, 0, 35, 26, color);
        for (int line = 0; line < 3; ++line) drawing->FillRect(4, 6 + 6 * line, 27, 2, Stock::White);
        break;
    }
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
  switch ((x - 8) / MenuBarItemWidth) {
    case 0:
      ShowMainMenu();
      break;
    case 1:
      Open();
      break;
    case 2:
      Save();
      break;
    case 3:
      Send();
      break;
  }
}

void MainWindow::OnTitleBarMouseUp(int x) {
  int left = width - SystemButtonsWidth - 6;
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
    if (x >= width - 36) {
      firstTab = std::min(firstTab + 1, n - 1);
      needsRepaint = true;
      return;
    }
    if (xr <= TabButtonWidth) {
      if (firstTab > 0) --firstTab;
      needsRepaint = true;
      return;
    }
    xr -= 36;
  }
  const int i = xr / TabStep;
  if (i < visibleTabs) {
    if (Sub* sub = SubAtTab(firstTab + i)) ShowSub(sub);
    needsRepaint = true;
    return;
  }
  if (firstTab + visibleTabs != n) {
    if (x < width - 72) {
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
  int offset = tabsFit ? x - TabBarX : x - (TabBarX + 36);
  if (offset < 0 || offset / TabStep >= visibleTabs) return;
  Sub* sub = SubAtTab(firstTab + offset / TabStep);
  if (!sub) return;
  EditSubDlg dialog(hwnd, sub, view);
  // A deletion ends the dialog without its OK flag: count every close.
  modified = true;
  needsRepaint = true;
}

void MainWindow::OnToolBarMouseUp(int yr) {
  const int tool = yr / ToolHeight;
  if (tool >= 0 && tool < ToolCount) {
    if (ToolValues[tool] == InsertInstruction) {
      SelectInstructionDlg dialog(hwnd);
      if (dialog.ok) {
        view->insertTool = InsertInstruction;
        view->insertInfo = dialog.chosen;
        NativeSetCrossCursor(hwnd);
      }
    } else {
      view->insertTool = ToolValues[tool];
      if (tool == 0)
        NativeSetPointerCursor(hwnd);
      else
        NativeSetCrossCursor(hwnd);
    }
  }
  needsRepaint = true;
}

void MainWindow::ShowMainMenu() {
  switch (NativeShowMenu(hwnd, 0, MenuBarHeight, MainMenuEntries())) {
    case MenuNew:
      New();
      break;
    case MenuOpen:
      Open();
      break;
    case MenuSave:
      Save();
      break;
    case MenuSaveAs:
      SaveAs();
      break;
    case MenuSend:
      Send();
      break;
    case MenuVariables:
      EditAliases();
      break;
    case MenuSettings:
      ShowSettings();
      break;
    case MenuQuit:
      Quit();
      break;
  }
}

namespace {

// Every alias with what it stands for, in table order.
std::vector<std::pair<std::string, const Variable*>> AliasTable(const Variables& variables) {
  std::vector<std::pair<std::string, const Variable*>> aliases;
  for (const Variable* v : variables.variableList)
    if (v->IsAlias()) aliases.emplace_back(v->name, v->aliasTarget);
  return aliases;
}

} // namespace

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

// --- File commands ---------------------------------------------------------------

void MainWindow::WriteTo(const std::string& path) {
  int error = 0;
  if (project->WriteXML(path, &error)) {
    modified = false;
  } else {
    MessageBox::Show(hwnd, SaveErrorText + path + "\n\n" + NativeErrorText(error) + SaveErrorNote, SaveErrorCaption,
                     MessageBox::Buttons::Ok, MessageBox::Icon::Information);
  }
  needsRepaint = true;
}

void MainWindow::Save() {
  if (!modified) return;
  if (project->fileName.empty()) {
    SaveAs();
    return;
  }
  WriteTo(project->fileName);
}

void MainWindow::SaveAs() {
  std::string path;
  if (!NativeFileDialog(hwnd, ProjectPattern, ProjectDescription, path, false)) return;
  WriteTo(path);
}

bool MainWindow::AskForSave() {
  switch (MessageBox::Show(hwnd, SaveQuestion, SaveQuestionCaption, MessageBox::Buttons::YesNoCancel,
                           MessageBox::Icon::Question)) {
    case MessageBox::Result::No:
      return true;
    case MessageBox::Result::Yes:
      if (!modified) return true;
      Save();
      return !modified;
    default:
      return false;
  }
}

void MainWindow::TakeProject(Project* replacement) {
  Project* old = project;
  project = replacement;
  ShowSub(project->subs[0]);
  delete old;
  modified = false;
  needsRepaint = true;
}

void MainWindow::New() {
  if (modified && !AskForSave()) return;
  Project* replacement = new Project();
  replacement->AddChart();
  TakeProject(replacement);
}

void MainWindow::Open() {
  if (modified && !AskForSave()) return;
  std::string path;
  if (!NativeFileDialog(hwnd, ProjectPattern, ProjectDescription, path, true)) return;
  bool ok = false;
  Project* loaded = new Project(path, &ok);
  if (!ok) {
    delete loaded;
    MessageBox::Show(hwnd, ReadErrorText, ReadErrorCaption, MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    return;
  }
  TakeProject(loaded);
}

void MainWindow::Send() {
  Transfer transfer(project, hwnd);
  if (ChartItem* item = transfer.errorItem) {
    Sub* sub = item->sub;
    sub->selection.assign(1, item);
    ShowSub(sub);
    sub->errorItem = item;
  }
}
