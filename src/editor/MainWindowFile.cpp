// The file commands of the main window (New, Open, Save, Save As and the
// question before a project is dropped) and sending the project to the board.
#include "editor/MainWindow.h"

#include <string>

#include "document/ChartItem.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowServices.h"
#include "transfer/Transfer.h"

namespace {

const char* const ProjectPattern = "*.pbn";
const char* const ProjectDescription = "Pellburne";
const char* const SaveQuestion = "Willst du die Änderungen an der Datei speichern, bevor sie geschlossen wird?";
const char* const SaveQuestionCaption = "Änderungen speichern?";
const char* const ReadErrorText = "Datei konnte nicht gelesen werden?\nIst sie ungültig oder beschädigt?";
const char* const ReadErrorCaption = "Lesefehler";
const char* const SaveErrorText = "Die Datei konnte nicht gespeichert werden:\n";
const char* const SaveErrorNote = "\n\nDeine Änderungen sind noch nicht gespeichert.";
const char* const SaveErrorCaption = "Speicherfehler";

}  // namespace

void MainWindow::WriteTo(const std::string& path) {
  std::string failure;
  if (project->WriteXML(path, &failure)) {
    modified = false;
  } else {
    MessageBox::Show(hwnd, SaveErrorText + path + "\n\n" + failure + SaveErrorNote, SaveErrorCaption,
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
  std::string failure;
  Project* loaded = new Project(path, &ok, &failure);
  if (!ok) {
    delete loaded;
    // A file that could not be read at all says why.
    MessageBox::Show(hwnd, failure.empty() ? ReadErrorText : ReadErrorText + ("\n\n" + failure), ReadErrorCaption,
                     MessageBox::Buttons::Ok, MessageBox::Icon::Information);
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
