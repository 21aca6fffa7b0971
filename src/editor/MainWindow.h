#pragma once
// The one application window object: owns the open project and the chart
// view, paints the whole window chrome (menu bar with the menu square and the
// Open, Save and Send icons, title bar with the window buttons, tab strip of
// subs, tool bar of block kinds, the thin frame), decides for every mouse
// event whether it belongs to the chrome or to the chart, and carries out the
// file commands, the main menu and sending to the board.
//
// Client layout (pixels, W x H): top band y 0..48; menu bar x 0..208; title
// bar y 0..28 right of it; tab strip y 28..56 from x 216; chart view below
// y 48; tool bar x 0..48, 336 high, centred vertically, over the chart.
#include "editor/ChartView.h"
#include <string>

#include "toolkit/NativeWindow.h"

class Drawing;
class Project;
class Sub;

class MainWindow : public ChartViewOwner {
public:
  static constexpr int ToolBarHeight = 336;
  static constexpr int ToolBarWidth = 48;
  static constexpr int ToolHeight = 48;
  static constexpr int SystemButtonsWidth = 76;
  static constexpr int SystemButtonWidth = 26;
  static constexpr int TabBarHeight = 28;
  static constexpr int TabBarY = 28;
  static constexpr int TabBarX = 216;
  static constexpr int TabPadding = 8;
  static constexpr int TabButtonWidth = 28;
  static constexpr int TabWidth = 150;
  static constexpr int MenuBarWidth = 208;
  static constexpr int MenuBarHeight = 48;
  static constexpr int MenuBarItemWidth = 48;
  // The 35-pixel icons of the menu bar and the tool bar sit this far into
  // their 48-pixel cells.
  static constexpr int IconInset = 7;
  // The menu bar's items are MenuBarItemWidth apart from this x on; the menu
  // square's item also takes the pixels left of it.
  static constexpr int MenuBarItemsX = 8;
  // Not maximized, the window has a frame left, right and bottom.
  static constexpr int FrameWidth = 4;
  // The window-button glyphs and the title text start this far down.
  static constexpr int TitleTop = 4;
  static constexpr int TitleTextHeight = 20;
  // A window-button glyph lies this far into its SystemButtonWidth-wide button.
  static constexpr int SystemGlyphInset = 6;

  // Tab strip: the tabs from TabBarX, then "+". When they do not all fit,
  // "<" comes first and the tabs follow it, "+" and ">" keep to the right
  // edge, and the room between holds the whole tabs that fit and a cut one.

  // One tab and the gap to the next.
  static constexpr int TabStep = TabWidth + TabPadding;
  // A button ("<", "+" or ">") and the gap behind it.
  static constexpr int TabButtonStep = TabButtonWidth + TabPadding;
  static constexpr int ScrolledTabsX = TabBarX + TabButtonStep;
  // The distances from the right edge of ">", "+" and the cut tab's end.
  static constexpr int RightArrowFromRight = TabButtonStep;
  static constexpr int AddButtonFromRight = RightArrowFromRight + TabButtonStep;
  static constexpr int CutTabEndFromRight = AddButtonFromRight + TabPadding;
  // A tab's name keeps this far from its left and right edge.
  static constexpr int TabTextLeft = 5;
  static constexpr int TabTextRight = 3;

  Project* project;  // owned
  ChartView* view;   // owned
  // hwnd, needsRepaint and modified come from ChartViewOwner.
  int width, height;         // client size (the painted size when maximized)
  int toolBarTop = 0;        // (height - ToolBarHeight) / 2
  int firstTab = 0;          // index of the first sub in the tab strip
  int visibleTabs = 0;       // whole tabs shown by the last paint
  bool tabsFit = true;       // the last paint needed no scroll arrows
  bool viewPressed = false;  // the current left-button press went to the chart view

  // An empty project with its start sub, shown in the view.
  MainWindow(NativeWindow hwnd, int width, int height);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Events from the frame window, client pixels; keys are the mouse-key flags.
  void OnPaint(Drawing* drawing);
  void OnResize(int width, int height);
  void OnMouseDown(int x, int y, int keys);
  void OnMouseMove(int x, int y, int keys);
  void OnMouseUp(int x, int y, int keys);
  void OnMouseDoubleClick(int x, int y, int keys);
  void OnMouseWheel(double notches, int x, int y, int keys);
  void OnKeyUp(int key, int second);
  // True when the window may close (asks to save a modified project).
  bool OnClose();

  // Commands.
  void New();
  void Open();
  void Save();
  void SaveAs();
  // True when the current project may be discarded.
  bool AskForSave();
  void Send();
  void ShowMainMenu();
  void EditAliases();
  void ShowSettings();
  void Quit();
  // Shows the sub in the chart view.
  void ShowSub(Sub* sub);

  // Chrome handlers.
  void OnMenuBarMouseUp(int x);
  void OnTitleBarMouseUp(int x);
  void OnTabBarMouseUp(int x);  // x relative to TabBarX
  void OnTabBarDoubleClick(int x);
  void OnToolBarMouseUp(int y);  // y relative to toolBarTop

  // Painting steps.
  void PaintMenuBar(Drawing* drawing);
  void PaintTitleBar(Drawing* drawing);
  void PaintTabs(Drawing* drawing);
  void PaintToolBar(Drawing* drawing);

  // The title text: the file name or "Nicht gespeichert", then the program.
  std::string TitleText() const;

private:
  // The title text on one line of the width: a path too long for it is
  // shortened in the middle with "…".
  std::string FittedTitle(const Drawing& drawing, double textWidth) const;
  // Region tests of the chrome, client pixels.
  bool InToolBar(int x, int y) const;
  // The sub at a tab index of the last paint; null when the index is stale
  // (subs were deleted or replaced since that paint).
  Sub* SubAtTab(int index) const;
  void AddSub();
  // Replaces the project with a new one and shows its first sub.
  void TakeProject(Project* replacement);
  // Writes the project to the path; on success the modified flag clears,
  // otherwise a box names the file and the cause.
  void WriteTo(const std::string& path);
  bool IsMaximized() const;
};
