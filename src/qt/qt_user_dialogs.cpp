#include "qt/qt_user_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace quillet {

QString ToQtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
    // Qt reads the patterns from the parentheses of the description.
    if (pattern.isEmpty() || description.contains(u'(' + pattern + u')')) {
      filters << description;
    } else {
      filters << description + QStringLiteral(" (") + pattern + u')';
    }
  }
  return filters.join(QStringLiteral(";;"));
}

QString ToDialogText(const std::string& text) {
  QString result = QString::fromStdString(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return result;
}

std::optional<std::string> QtUserDialogs::GetOpenFileName(const OpenFileRequest& request) {
  QFileDialog dialog(parent_, QString::fromStdString(request.title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The user may type the name of a file that does not exist yet.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
  dialog.setNameFilters(ToQtNameFilters(request.filter).split(QStringLiteral(";;")));

  if (request.initial_directory) {
    dialog.setDirectory(QString::fromStdString(*request.initial_directory));
  } else if (!last_directory_.isEmpty()) {
    dialog.setDirectory(last_directory_);
  }
  // A preset full path also moves the dialog into the file's folder, as the
  // common dialog does; set it after the folder so it wins.
  if (!request.file_name.empty()) dialog.selectFile(QString::fromStdString(request.file_name));

  const bool accepted = dialog.exec() == QDialog::Accepted;
  last_directory_ = dialog.directory().absolutePath();
  if (!accepted) return std::nullopt;

  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(files.first()).toStdString();
}

bool QtUserDialogs::AskYesNoWarning(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), ToDialogText(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool QtUserDialogs::AskYesNo(const std::string& caption, const std::string& text,
                             bool yes_is_default) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), ToDialogText(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(yes_is_default ? QMessageBox::Yes : QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtUserDialogs::ShowMessage(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), ToDialogText(text),
                  QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace quillet
