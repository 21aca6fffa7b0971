// The main window's chrome: where the tabs, buttons and tools are drawn and
// which clicks reach them, the routing of events to the chart view, the tab
// strip's scrolling and adding, and stale tab positions after a deletion.
#include <QListWidget>

#include "MainWindowHarness.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "language/Settings.h"

namespace {

using namespace dialogs;

QImage Render(MainWindow& main) {
  return Paint(
      main.width, main.height, [&](Drawing& drawing) { main.OnPaint(&drawing); }, 0xFF000000, QImage::Format_RGB32);
}

using Chrome = MainWindowFixture;

TEST_F(Chrome, StartsWithTheStartSubShownAndNothingModified) {
  ASSERT_EQ(SubCount(), 1);
  EXPECT_EQ(SubAt(0)->name, "Start");
  EXPECT_EQ(main.view->sub, SubAt(0));
  EXPECT_EQ(main.toolBarTop, (600 - 336) / 2);
  EXPECT_FALSE(main.modified);
  EXPECT_EQ(main.TitleText(), "Nicht gespeichert - Pellburne for Mandolet 1.0");
  main.project->fileName = "/home/anna/Blinker.pbn";
  EXPECT_EQ(main.TitleText(), "/home/anna/Blinker.pbn - Pellburne for Mandolet 1.0");
}

// A compile builds for the board that the upload protocol reaches; the
// title says which.
TEST_F(Chrome, TitleNamesTheBoardOfTheUploadProtocol) {
  const std::string saved = theSettings.programmer;
  struct Case {
    const char* programmer;
    const char* title;
  } cases[] = {
      {"Corbelo", "Nicht gespeichert - Pellburne for Mandolet 1.0"},
      {"Arduino", "Nicht gespeichert - Pellburne for Arduino 1.0"},
      {"stk500", "Nicht gespeichert - Pellburne for Arduino 1.0"},
  };
  for (const Case& c : cases) {
    theSettings.programmer = c.programmer;
    EXPECT_EQ(main.TitleText(), c.title) << c.programmer;
  }
  theSettings.programmer = saved;
}

// The title and a tab are one-line boxes: a long path loses the middle of
// its folders, a long sub name its end, and neither spills onto a second
// line that the box would cut.
TEST_F(Chrome, LongTitleAndTabNameAreShortenedOnOneLine) {
  main.project->fileName = "/home/anna/projekte/mein-erstes-programm/lauflicht.pbn";
  SubAt(0)->name = "AmpelsteuerungMitFussgaengertaste";
  const QImage band = Render(main).copy(0, 0, 800, 56);
  const QRect title(216, 4, 508, 20), tab(221, 28, 142, 28);
  for (auto [box, ground] : {std::pair{title, Stock::Grey}, std::pair{tab, Stock::SteelBlue}}) {
    const Ink ink = InkIn(band, box, Of(ground));
    EXPECT_GT(ink.count, 0);
    EXPECT_TRUE(box.adjusted(0, 2, 0, -2).contains(ink.bounds)) << ink.bounds.top() << ".." << ink.bounds.bottom();
  }
  // Whether the box shows exactly this text on one line.
  auto shows = [&](const QRect& box, const Color& ground, const std::string& text, Drawing::Align align) {
    QImage image = band.copy();
    QtDrawing(image).FillRect(box.x(), box.y(), box.width(), box.height(), ground);
    QtDrawing(image).PrintLine(box.x(), box.y(), box.width(), box.height(), text, Stock::GuiFont,
                               box == tab ? Stock::White : Stock::DarkerGrey, align);
    return image == band;
  };
  const std::string folder = "/home/anna/projekte/mein-erstes-programm";
  bool titleShown = false;
  for (size_t head = 1; head < folder.size(); ++head)
    for (size_t tail = 1; head + tail < folder.size(); ++tail)
      titleShown |= shows(title, Stock::Grey,
                          folder.substr(0, head) + "…" + folder.substr(folder.size() - tail) +
                              "/lauflicht.pbn - Pellburne for Mandolet 1.0",
                          Drawing::AlignCentered);
  EXPECT_TRUE(titleShown);
  bool tabShown = false;
  for (size_t kept = 1; kept < SubAt(0)->name.size(); ++kept)
    tabShown |= shows(tab, Stock::SteelBlue, SubAt(0)->name.substr(0, kept) + "…", Drawing::AlignMiddleLeft);
  EXPECT_TRUE(tabShown);
}

TEST_F(Chrome, OneTabFitsWithTheAddButtonBehindIt) {
  QImage image = Render(main);
  EXPECT_TRUE(main.tabsFit);
  EXPECT_EQ(main.visibleTabs, 1);
  EXPECT_EQ(Rgb(image, 216 + 1, 30), Rgb(Stock::SteelBlue));  // the shown sub's tab
  EXPECT_EQ(Rgb(image, 216 + 148, 30), Rgb(Stock::SteelBlue));
  EXPECT_EQ(Rgb(image, 370, 30), Rgb(Stock::Grey));       // gap
  EXPECT_EQ(Rgb(image, 375, 30), Rgb(Stock::SteelBlue));  // "+" at 374
  EXPECT_EQ(Rgb(image, 401, 30), Rgb(Stock::SteelBlue));
  EXPECT_EQ(Rgb(image, 404, 30), Rgb(Stock::Grey));

  // The add button takes a click anywhere on it and shows the new sub.
  Click(374 + 27, 40);
  ASSERT_EQ(SubCount(), 2);
  EXPECT_EQ(SubAt(1)->name, "Funktion1");
  EXPECT_EQ(main.view->sub, SubAt(1));
  EXPECT_TRUE(main.modified);
  EXPECT_TRUE(main.needsRepaint);
  image = Render(main);
  EXPECT_EQ(Rgb(image, 217, 30), Rgb(Stock::DarkGrey));  // Start, no longer shown
  EXPECT_EQ(Rgb(image, 374 + 1, 30), Rgb(Stock::SteelBlue));

  // A click on a tab shows its sub.
  main.needsRepaint = false;
  Click(216 + 10, 40);
  EXPECT_EQ(main.view->sub, SubAt(0));
  EXPECT_TRUE(main.needsRepaint);
}

TEST_F(Chrome, NarrowWindowScrollsItsTabs) {
  main.OnResize(600, 600);
  for (int i = 0; i < 3; ++i) main.project->AddChart();
  ASSERT_EQ(SubCount(), 4);
  QImage image = Render(main);
  EXPECT_FALSE(main.tabsFit);
  ASSERT_EQ(main.visibleTabs, (600 - 324) / 158);
  EXPECT_EQ(Rgb(image, 217, 30), Rgb(Stock::SteelBlue));  // "<"
  EXPECT_EQ(Rgb(image, 248, 30), Rgb(Stock::Grey));
  EXPECT_EQ(Rgb(image, 253, 30), Rgb(Stock::SteelBlue));  // Start, shown
  EXPECT_EQ(Rgb(image, 411, 30), Rgb(Stock::DarkGrey));   // cut tab up to W - 80
  EXPECT_EQ(Rgb(image, 519, 30), Rgb(Stock::DarkGrey));
  EXPECT_EQ(Rgb(image, 524, 30), Rgb(Stock::Grey));
  EXPECT_EQ(Rgb(image, 529, 30), Rgb(Stock::SteelBlue));  // "+" at W - 72
  EXPECT_EQ(Rgb(image, 562, 30), Rgb(Stock::Grey));
  EXPECT_EQ(Rgb(image, 565, 30), Rgb(Stock::SteelBlue));  // ">" at W - 36

  // ">" from its left edge on, "<" up to 244.
  Click(564, 40);
  EXPECT_EQ(main.firstTab, 1);
  Click(245, 40);  // the first (scrolled) tab, not "<"
  EXPECT_EQ(main.view->sub, SubAt(1));
  Click(244, 40);
  EXPECT_EQ(main.firstTab, 0);
  Click(244, 40);
  EXPECT_EQ(main.firstTab, 0);

  // The cut tab scrolls to the end.
  Render(main);
  Click(450, 40);
  EXPECT_EQ(main.firstTab, 4 - 1);
  EXPECT_EQ(SubCount(), 4);

  // "+" at W - 72 reacts up to W - 37 and scrolls to the new sub.
  main.firstTab = 0;
  Render(main);
  Click(563, 40);
  ASSERT_EQ(SubCount(), 5);
  EXPECT_EQ(main.view->sub, SubAt(4));
  EXPECT_EQ(main.firstTab, 5 - 1);

  // With the last sub in the strip, "+" follows its tab.
  image = Render(main);
  EXPECT_EQ(Rgb(image, 411, 30), Rgb(Stock::SteelBlue));
  Click(410 + 27, 40);
  ASSERT_EQ(SubCount(), 6);
  EXPECT_EQ(main.firstTab, 4);
}

TEST_F(Chrome, RightArrowStopsAtTheLastScrollPosition) {
  main.OnResize(700, 600);
  for (int i = 0; i < 4; ++i) main.project->AddChart();
  Render(main);
  ASSERT_FALSE(main.tabsFit);
  ASSERT_EQ(main.visibleTabs, 2);
  for (int i = 0; i < 10; ++i) Click(700 - 20, 40);
  EXPECT_EQ(main.firstTab, 4);  // n - 1 until the next paint
  Render(main);
  EXPECT_EQ(main.firstTab, 5 - 2);
}

TEST_F(Chrome, WindowTooNarrowForAWholeTab) {
  // Between the arrows there is room for no whole tab: only a cut one.
  main.OnResize(450, 600);
  main.project->AddChart();
  main.project->AddChart();
  QImage image = Render(main);
  ASSERT_FALSE(main.tabsFit);
  ASSERT_EQ(main.visibleTabs, 0);
  EXPECT_EQ(Rgb(image, 300, 30), Rgb(Stock::SteelBlue));  // Start, cut, shown
  EXPECT_EQ(Rgb(image, 380, 30), Rgb(Stock::SteelBlue));  // "+" at W - 72

  // "+" scrolls past the new sub: the strip then holds "+" right behind "<".
  Click(380, 40);
  ASSERT_EQ(SubCount(), 4);
  EXPECT_EQ(main.firstTab, 4);
  image = Render(main);
  EXPECT_EQ(main.firstTab, 4);
  EXPECT_EQ(Rgb(image, 253, 30), Rgb(Stock::SteelBlue));  // "+"
  EXPECT_EQ(Rgb(image, 300, 30), Rgb(Stock::Grey));
  Click(260, 40);
  EXPECT_EQ(SubCount(), 5);
}

TEST_F(Chrome, StaleTabPositionsAfterADeletionAreIgnored) {
  main.project->AddChart();
  main.project->AddChart();
  Render(main);
  ASSERT_EQ(main.visibleTabs, 3);
  // The third sub goes before the next paint: its tab position is stale.
  main.project->DeleteChart(SubAt(2));
  main.needsRepaint = false;
  Click(216 + 2 * 158 + 10, 40);
  EXPECT_EQ(main.view->sub, SubAt(0));
  EXPECT_EQ(SubCount(), 2);
  {
    ModalDriver noDialog;
    main.OnMouseDoubleClick(216 + 2 * 158 + 10, 40, 0);
  }
  EXPECT_FALSE(main.modified);

  // Scrolled far right in a narrow window, then a new project with one sub.
  main.OnResize(500, 600);
  for (int i = 0; i < 5; ++i) main.project->AddChart();
  Render(main);
  for (int i = 0; i < 10; ++i) Click(500 - 20, 40);
  main.New();
  ASSERT_EQ(SubCount(), 1);
  Click(300, 40);  // first tab position
  EXPECT_EQ(main.view->sub, SubAt(0));
  Click(500 - 20, 40);
  Click(300, 40);
  EXPECT_EQ(main.view->sub, SubAt(0));
  Render(main);
  EXPECT_EQ(main.firstTab, 0);

  // Scrolled to a new sub with the whole-tab count of a wider strip: the
  // first tab would lie before the first sub.
  main.OnResize(900, 600);
  for (int i = 0; i < 4; ++i) main.project->AddChart();
  Render(main);
  ASSERT_EQ(main.visibleTabs, 3);
  while (SubCount() > 1) main.project->DeleteChart(SubAt(1));
  Click(900 - 72 + 5, 40);
  ASSERT_EQ(SubCount(), 2);
  Render(main);
  EXPECT_EQ(main.firstTab, 0);
  EXPECT_EQ(main.view->sub, SubAt(1));
}

TEST_F(Chrome, PressesOnTheChromeStayOutOfTheChart) {
  struct Case {
    int x, y;
    bool toView;
  } cases[] = {
      {300, 48, false},                                     // top band
      {100, 49, true},                                      // below the menu bar: chart
      {300, 56, false},                                     // tab strip
      {300, 57, true},  {209, 50, false},                   // tab strip starts right of the menu bar
      {208, 50, true},  {48, 132, false},                   // tool bar, top edge
      {48, 468, false},                                     // tool bar, bottom edge
      {48, 469, true},  {49, 300, true},  {20, 100, true},  // left of the chart, above the tool bar
  };
  for (const Case& c : cases) {
    main.OnMouseDown(c.x, c.y, 1);
    EXPECT_EQ(main.viewPressed, c.toView) << c.x << ", " << c.y;
    if (c.toView) {
      EXPECT_EQ(main.view->pressX, c.x);
      EXPECT_EQ(main.view->pressY, c.y - 48);
    }
    main.OnMouseUp(c.x, c.y, 0);
    EXPECT_FALSE(main.viewPressed);
  }
}

TEST_F(Chrome, ReleaseInTheChartAfterAPressOnTheChromeReachesTheView) {
  main.view->insertTool = InsertEndBlock;
  main.OnMouseDown(300, 50, 1);  // tab strip
  EXPECT_FALSE(main.viewPressed);
  main.needsRepaint = false;
  main.OnMouseMove(600, 400, 1);  // moves reach the view only after a press there
  EXPECT_FALSE(main.needsRepaint);
  main.OnMouseUp(600, 400, 0);
  EXPECT_EQ(main.view->insertTool, InsertNone);  // the block was placed
  ASSERT_EQ(SubAt(0)->selection.size(), 1u);
  EXPECT_NE(dynamic_cast<EndBlock*>(SubAt(0)->selection[0]), nullptr);
  EXPECT_TRUE(main.modified);

  // The Delete key reaches the view.
  main.OnKeyUp(46, 0);
  EXPECT_TRUE(SubAt(0)->selection.empty());
}

TEST_F(Chrome, WheelReachesTheViewBelowTheTopBand) {
  CanvasS& canvas = SubAt(0)->canvas;
  double worldY = 252 / canvas.zoom + canvas.originY;
  main.OnMouseWheel(1, 400, 300, 8);  // Ctrl: zoom about the point
  EXPECT_DOUBLE_EQ(canvas.zoom, 1.1);
  EXPECT_NEAR(252 / canvas.zoom + canvas.originY, worldY, 1e-9);
  EXPECT_TRUE(main.needsRepaint);
}

TEST_F(Chrome, MenuBarOpensTheMenuAndRunsTheCommands) {
  QStringList entries;
  for (int x : {0, 55}) {
    ModalDriver driver({ChooseMenuEntry("", x == 0 ? &entries : nullptr)});
    Click(x, 20);
  }
  EXPECT_EQ(entries, QStringList({"Neu", "Öffnen...", "Speichern", "Speichern unter...", "-", "Übertragen", "-",
                                  "Variablen...", "Einstellungen...", "-", "Beenden"}));
  {
    ModalDriver nothing;
    Click(200, 20);
    Click(208, 20);
    Click(104, 20);  // Save with nothing modified
  }
  {
    ModalDriver openDialog({CancelDialog()});
    Click(56, 20);
  }
  // "Neu" from the menu replaces the project.
  main.project->AddChart();
  main.modified = false;
  {
    ModalDriver driver({ChooseMenuEntry("Neu")});
    Click(10, 10);
  }
  EXPECT_EQ(SubCount(), 1);
}

TEST_F(Chrome, ToolBarArmsTheInsertTools) {
  const int top = main.toolBarTop;
  const int values[] = {6, 2, 7, 5, 8, 0};
  const int tools[] = {1, 3, 4, 5, 6, 0};
  for (int k = 0; k < 6; ++k) {
    main.needsRepaint = false;
    Click(20, top + 48 * tools[k] + 24);
    EXPECT_EQ(main.view->insertTool, values[k]) << "tool " << tools[k];
    EXPECT_TRUE(main.needsRepaint);
  }
  main.view->insertTool = InsertComment;
  Click(20, top + 336);  // below the last tool
  EXPECT_EQ(main.view->insertTool, InsertComment);

  // The chosen tool is drawn in crimson.
  QImage image = Render(main);
  EXPECT_EQ(Rgb(image, 9, top + 7 + 6 * 48 + 2), Rgb(Stock::Crimson));
  EXPECT_EQ(Rgb(image, 17, top + 7 + 12), Rgb(Stock::DarkerGrey));  // pointer
  main.view->insertTool = InsertNone;
  image = Render(main);
  EXPECT_EQ(Rgb(image, 17, top + 7 + 12), Rgb(Stock::Crimson));
  EXPECT_EQ(Rgb(image, 2, top + 2), Rgb(Stock::Grey));  // tool bar ground
}

TEST_F(Chrome, CancelledInstructionChoiceKeepsTheTool) {
  main.view->insertTool = InsertIfBlock;
  {
    ModalDriver driver({CancelDialog()});
    Click(20, main.toolBarTop + 48 * 2 + 24);
  }
  EXPECT_EQ(main.view->insertTool, InsertIfBlock);
}

TEST_F(Chrome, ConfirmedInstructionChoiceArmsTheInstructionTool) {
  QString chosenText;
  {
    ModalDriver driver({[&](QWidget* dialog) {
      auto* list = dialog->findChild<QListWidget*>();
      ASSERT_NE(list, nullptr);
      ASSERT_GT(list->count(), 2);
      chosenText = list->item(2)->text();
      list->setCurrentRow(2);
    }});
    Click(20, main.toolBarTop + 48 * 2 + 24);
  }
  EXPECT_EQ(main.view->insertTool, InsertInstruction);
  ASSERT_NE(main.view->insertInfo, nullptr);
  EXPECT_EQ(QString::fromUtf8(main.view->insertInfo->displayName), chosenText);
}

TEST_F(Chrome, MainMenuOpensTheVariablesAndSettingsDialogs) {
  QStringList titles;
  auto recordAndCancel = [&](QWidget* dialog) {
    titles.append(dialog->windowTitle());
    CancelDialog()(dialog);
  };
  main.needsRepaint = false;
  {
    ModalDriver driver({ChooseMenuEntry("Variablen..."), recordAndCancel});
    main.ShowMainMenu();
  }
  EXPECT_TRUE(main.needsRepaint);
  EXPECT_FALSE(main.modified);
  {
    ModalDriver driver({ChooseMenuEntry("Einstellungen..."), recordAndCancel});
    main.ShowMainMenu();
  }
  EXPECT_EQ(titles, QStringList({"Variablen", "Einstellungen"}));
}

TEST_F(Chrome, ChangedAliasesCountAsAChangeToTheProject) {
  // The alias table is saved in the project file: losing it on close
  // without a question would lose the user's work.
  {
    ModalDriver driver({ChooseMenuEntry("Variablen..."), [&](QWidget* dialog) {
                          EXPECT_TRUE(main.project->variables.AddAlias("Led", "PORTB.0"));
                          CancelDialog()(dialog);
                        }});
    main.ShowMainMenu();
  }
  EXPECT_TRUE(main.modified);
  EXPECT_TRUE(main.needsRepaint);
}

TEST_F(Chrome, FrameSaveIconAndTitleButtons) {
  QImage image = Render(main);
  EXPECT_EQ(Rgb(image, 1, 100), Rgb(Stock::Grey));    // left frame
  EXPECT_EQ(Rgb(image, 798, 300), Rgb(Stock::Grey));  // right frame
  EXPECT_EQ(Rgb(image, 400, 598), Rgb(Stock::Grey));  // bottom frame
  EXPECT_EQ(Rgb(image, 400, 300), Rgb(Stock::BackgroundGrey));
  EXPECT_EQ(Rgb(image, 2, 2), Rgb(Stock::Crimson));                // menu square
  EXPECT_EQ(Rgb(image, 24, 40), Rgb(Stock::White));                // its glyph
  EXPECT_EQ(Rgb(image, 112 + 4, 7 + 16), Rgb(Stock::MediumGrey));  // nothing to save
  main.modified = true;
  image = Render(main);
  EXPECT_EQ(Rgb(image, 112 + 4, 7 + 16), Rgb(Stock::DarkerGrey));

  // Maximise and restore through the title bar's middle button.
  owner.show();
  Click(800 - 82 - 1, 10);  // left of the buttons
  EXPECT_FALSE(owner.isMaximized());
  Click(800 - 82 + 26 + 5, 10);
  EXPECT_TRUE(owner.isMaximized());
  Click(800 - 82 + 26 + 5, 10);
  EXPECT_FALSE(owner.isMaximized());
}

TEST_F(Chrome, TabDoubleClickOpensTheSubDialogAndCountsAsAChange) {
  main.project->AddChart();
  Render(main);
  QString title;
  {
    ModalDriver driver({[&](QWidget* dialog) {
      title = dialog->windowTitle();
      CancelDialog()(dialog);
    }});
    main.OnMouseDoubleClick(216 + 158 + 20, 40, 0);
  }
  EXPECT_EQ(title, "Name bearbeiten");
  EXPECT_TRUE(main.modified);
  EXPECT_TRUE(main.needsRepaint);
  // Double-clicks on the menu bar, title bar and tool bar do nothing.
  main.modified = false;
  {
    ModalDriver nothing;
    main.OnMouseDoubleClick(100, 20, 0);
    main.OnMouseDoubleClick(400, 10, 0);
    main.OnMouseDoubleClick(20, 300, 0);
  }
  EXPECT_FALSE(main.modified);
}

}  // namespace
