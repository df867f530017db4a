#include "ui/dialogs/file_dialogs.h"

#include <QFileDialog>
#include <QStringList>

#include "ui/qt_strings.h"

namespace kavrel {

namespace {

// "ini files|*.ini|all files|*.*" as Qt writes filters.
QString qtFilter(const std::string& filter) {
  const QStringList parts = q(filter).split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    if (patterns == "*.*") patterns = "*";
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

}  // namespace

std::optional<std::string> showSaveFileDialog(QWidget* parent, const std::string& folder,
                                              const std::string& fileName) {
  const QString start = folder.empty() ? q(fileName) : q(folder) + "/" + q(fileName);
  const QString path =
      QFileDialog::getSaveFileName(parent, "Save as", start, "mp3 files (*.mp3);;All files (*)", nullptr,
                                   QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  return str(path);
}

std::optional<std::string> showOpenFileDialog(QWidget* parent, const std::string& title,
                                              const std::string& folder) {
  const QString path =
      QFileDialog::getOpenFileName(parent, q(title), q(folder), "mp3 files (*.mp3);;all files (*.*)");
  if (path.isEmpty()) return std::nullopt;
  return str(path);
}

std::optional<std::string> showFileDialog(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, q(request.title), q(request.folder), qtFilter(request.filter));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(q(request.defaultExtension));
  if (request.save && !request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.fileName.empty()) dialog.selectFile(q(request.fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return str(dialog.selectedFiles().front());
}

}  // namespace kavrel
