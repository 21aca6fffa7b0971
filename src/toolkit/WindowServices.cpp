// Window services over Qt widgets.
#include "toolkit/WindowServices.h"

#include "toolkit/QtWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QMimeDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

namespace {

void SetCursor(NativeWindow window, Qt::CursorShape shape) {
  if (QWidget* widget = ToWidget(window)) widget->setCursor(shape);
}

// "*.pbn" -> "pbn", "dmp" -> "dmp", "*" -> "".
QString DefaultSuffix(const std::string& pattern) {
  std::string suffix = pattern;
  size_t dot = suffix.rfind('.');
  if (dot != std::string::npos) suffix = suffix.substr(dot + 1);
  if (suffix.find_first_of("*?[]") != std::string::npos) return QString();
  return QString::fromStdString(suffix);
}

// Names and pictures a file's type by its name alone. Qt's own provider may
// read the file to tell its type, and some files never answer (/proc/kmsg).
class TypeByName : public QFileIconProvider {
public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override {
    if (info.isDir()) return QFileIconProvider::icon(info);
    QIcon themed = QIcon::fromTheme(ByName(info).iconName());
    return themed.isNull() ? QFileIconProvider::icon(QAbstractFileIconProvider::File) : themed;
  }
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return QFileIconProvider::type(info);
    QMimeType mime = ByName(info);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
  }

private:
  static QMimeType ByName(const QFileInfo& info) {
    return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  }
};

// Sizes and dates in German whatever the system's locale, which Qt's file
// model uses for them.
class GermanDetails : public QIdentityProxyModel {
public:
  using QIdentityProxyModel::QIdentityProxyModel;
  enum Column { Size = 1, Modified = 3 };

  QVariant data(const QModelIndex& index, int role) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || (index.column() != Size && index.column() != Modified))
      return QIdentityProxyModel::data(index, role);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QModelIndex source = mapToSource(index);
    if (index.column() == Modified) return german.toString(files->lastModified(source), QLocale::ShortFormat);
    if (files->isDir(source)) return QString();
    return german.formattedDataSize(files->size(source), 1, QLocale::DataSizeTraditionalFormat);
  }
};

}  // namespace

void NativeSetPointerCursor(NativeWindow window) { SetCursor(window, Qt::ArrowCursor); }

void NativeSetCrossCursor(NativeWindow window) { SetCursor(window, Qt::CrossCursor); }

bool NativeIsWindowMaximized(NativeWindow window) {
  QWidget* widget = ToWidget(window);
  return widget && widget->window()->isMaximized();
}

bool NativeFileDialog(NativeWindow owner, const std::string& pattern, const std::string& description, std::string& path,
                      bool open) {
  if (pattern.size() + description.size() > 250) return false;
  // Qt's own dialog, so that it looks and behaves the same on every desktop.
  TypeByName types;  // outlives the dialog, whose file model asks it
  QFileDialog dialog(ToWidget(owner));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setIconProvider(&types);
  dialog.setProxyModel(new GermanDetails(&dialog));
  dialog.setNameFilter(QString::fromStdString(description + " (" + pattern + ")"));
  if (open) {
    dialog.setWindowTitle(QStringLiteral("Öffnen"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setWindowTitle(QStringLiteral("Speichern unter"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(DefaultSuffix(pattern));
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return false;
  path = files.front().toStdString();
  return true;
}

bool UseGermanQtTexts() {
  static QPointer<QTranslator> installed;
  if (installed) return true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  // By file name, not by the system locale, which may well not be German.
  if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  // Dates and sizes in the file dialog as well.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  installed = translator;
  return true;
}

int NativeShowMenu(NativeWindow window, int x, int y, const std::vector<std::string>& entries) {
  QWidget* widget = ToWidget(window);
  QMenu menu(widget);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == "-")
      menu.addSeparator();
    else
      menu.addAction(QString::fromStdString(entries[i]))->setData(int(i));
  }
  // A Qt window has no hidden frame when maximized, so the client point is
  // where the user sees it.
  QPoint at = widget ? widget->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
  QAction* chosen = menu.exec(at);
  if (!chosen) return -1;
  return chosen->data().toInt();
}
