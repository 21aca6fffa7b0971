#pragma once
// Shared by the main-window and frame tests: a main window on a plain owner
// widget, with the helpers these tests use beside it.
#include <gtest/gtest.h>

#include <QWidget>

#include "document/Project.h"
#include "document/Sub.h"
#include "editor/MainWindow.h"
#include "toolkit/Drawing.h"
#include "toolkit/MessageBox.h"
#include "toolkit/QtWindow.h"
#include "support/BoxRecorder.h"
#include "support/Dialogs.h"
#include "support/Files.h"
#include "support/Images.h"

// A main window on a plain owner widget.
struct MainWindowFixture : ::testing::Test {
  QWidget owner;
  MainWindow main{FromWidget(&owner), 800, 600};

  Sub* SubAt(size_t index) { return main.project->subs.at(index); }
  int SubCount() const { return int(main.project->subs.size()); }
  // A click (press and release) at a client point.
  void Click(int x, int y, int keys = 0) {
    main.OnMouseDown(x, y, keys | 1);
    main.OnMouseUp(x, y, keys);
  }
};
