// Message boxes and file dialogs through Qt.
#include "qt_user_prompts.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace desktop {

int QtUserPrompts::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  QMessageBox box(m_parent);
  box.setWindowTitle(QString::fromStdString(caption));
  // The PC's texts break lines with "\r\n"; a label needs only "\n".
  box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  if ((style & 0xF0) == kMbIconExclamation) box.setIcon(QMessageBox::Warning);
  if ((style & 0xF0) == kMbIconInformation) box.setIcon(QMessageBox::Information);
  unsigned buttons = style & 0x0F;
  if (buttons == kMbYesNo || buttons == kMbYesNoCancel) {
    QMessageBox::StandardButtons standard = QMessageBox::Yes | QMessageBox::No;
    // With Cancel, Esc and closing the box answer Cancel; without it, No.
    if (buttons == kMbYesNoCancel) standard |= QMessageBox::Cancel;
    box.setStandardButtons(standard);
    box.setDefaultButton(QMessageBox::Yes);
    int pressed = box.exec();
    if (pressed == QMessageBox::Yes) return kIdYes;
    if (pressed == QMessageBox::No) return kIdNo;
    return buttons == kMbYesNoCancel ? kIdCancel : kIdNo;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return kIdOk;
}

QString QtFileFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtUserPrompts::ChooseOpenFile(const std::string& filter) {
  QString path = QFileDialog::getOpenFileName(m_parent, QStringLiteral("Open"), QString(),
                                              QtFileFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

std::optional<std::string> QtUserPrompts::ChooseSaveFile(const std::string& filter,
                                                         const std::string& proposed) {
  QString path =
      QFileDialog::getSaveFileName(m_parent, QStringLiteral("Save As"),
                                   QFile::decodeName(proposed.c_str()), QtFileFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

}  // namespace desktop
