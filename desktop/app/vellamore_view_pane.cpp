// The main view's content pane: what it shows for the selected entry (a
// description, a received text the user may edit, or a received picture),
// saving an edited text, and the edit commands.
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <cstdio>
#include <cstring>
#include <utility>

#include "fs/fs.h"
#include "messages.h"
#include "new_entry.h"
#include "pane_descriptions.h"
#include "received_text.h"
#include "vellamore_view.h"

namespace desktop {
namespace {

// A received picture is a handheld screen of 160 by 160 pixels; only that
// much of the file's picture is shown.
constexpr int kPictureSide = 160;

// Content kinds of a received entry's format.
constexpr uint16_t kReceivedText = 1;
constexpr uint16_t kReceivedPicture = 2;
constexpr uint16_t kReceivedPcFormat = 3;

}  // namespace

void CVellamoreView::ShowEntry(uint16_t id) {
  const store::FileListEntry* found = m_model.FindById(id);
  if (found == nullptr) return;
  // A copy: a message box below runs an event loop in which a reload may
  // replace the store image.
  store::FileListEntry entry = *found;
  if (entry.kind == store::kPcFile) {
    ShowPcDescription(entry);
  } else if (entry.kind == store::kReceivedFile && entry.format == kReceivedPcFormat) {
    ShowReceivedDescription(entry);
  } else if (entry.kind == store::kReceivedFile && entry.format == kReceivedText) {
    ShowReceivedText(entry);
  } else if (entry.kind == store::kReceivedFile && entry.format == kReceivedPicture) {
    ShowReceivedPicture(entry);
  } else {
    return;  // a kind or format this program does not know: the pane stays
  }
  m_shownId = id;
}

void CVellamoreView::ShowTextPane() {
  if (!m_pictureShown) return;
  m_pictureFrame->hide();
  m_textPane->show();
  m_pictureShown = false;
  emit editCommandsChanged();
}

void CVellamoreView::SetPane(const std::string& title, int mode, const std::string& text) {
  ShowTextPane();
  m_paneTitle->setText(QString::fromStdString(title));
  m_textPane->SetPaneMode(mode);
  m_textPane->setPlainText(PaneTextOf(text));
  m_textPane->document()->setModified(false);
}

void CVellamoreView::ShowPcDescription(const store::FileListEntry& entry) {
  SetPane(PcFilePaneTitle(entry), CContentEdit::kModePcDescription, DescribePcFile(entry));
}

void CVellamoreView::ShowReceivedDescription(const store::FileListEntry& entry) {
  SetPane(HandheldFilePaneTitle(entry), CContentEdit::kModeReceivedDescription,
          DescribeReceivedFile(entry));
}

void CVellamoreView::ShowReceivedText(const store::FileListEntry& entry) {
  ReceivedText read = ReadReceivedText(entry.receivedCopy);
  std::string title = HandheldFilePaneTitle(entry);
  switch (read.status) {
    case ReceivedText::Status::kRead:
      SetPane(title, CContentEdit::kModeReceivedText, read.text);
      return;
    case ReceivedText::Status::kNotFound:
      // The message is for reading: a Save must not write it into the file.
      SetPane(title, CContentEdit::kModeReceivedDescription,
              WithArgument(kFileNotFoundText, entry.receivedCopy));
      return;
    case ReceivedText::Status::kCannotOpen: {
      std::string message = WithArgument(kErrorOpeningFileText, entry.receivedCopy);
      std::fprintf(stderr, "Vellamore: cannot read %s: %s\n", entry.receivedCopy.c_str(),
                   platform::DescribeReadError(read.error).c_str());
      m_prompts.MessageBox(message, kErrorCaption, kMbOk);
      // The pane names the entry it is about, and never offers the text
      // shown before to be saved over this file.
      SetPane(title, CContentEdit::kModeReceivedDescription, message);
      return;
    }
  }
}

void CVellamoreView::ShowReceivedPicture(const store::FileListEntry& entry) {
  if (!m_pictureShown) {
    m_pictureFrame->show();
    m_textPane->hide();
    m_pictureShown = true;
  }
  m_paneTitle->setText(QString::fromStdString(HandheldFilePaneTitle(entry)));
  ReceivedBytes read = ReadReceivedBytes(entry.receivedCopy);
  m_loadedPicture = QImage();
  m_pictureProblem.clear();
  if (read.status == ReceivedText::Status::kRead) {
    m_loadedPicture = QImage::fromData(read.bytes.data(), static_cast<int>(read.bytes.size()));
  }
  if (read.status == ReceivedText::Status::kNotFound) {
    m_pictureProblem = QString::fromStdString(WithArgument(kFileNotFoundText, entry.receivedCopy));
  } else if (m_loadedPicture.isNull()) {
    m_pictureProblem =
        QString::fromStdString(WithArgument(kErrorOpeningFileText, entry.receivedCopy));
  }
  PaintPictureCanvas();
  emit editCommandsChanged();
}

void CVellamoreView::PaintPictureCanvas() {
  QSize size = m_pictureFrame->contentsRect().size();
  QImage canvas(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  canvas.fill(Qt::black);
  QPainter painter(&canvas);
  if (!m_loadedPicture.isNull()) {
    QPoint origin((size.width() - kPictureSide) / 2, (size.height() - kPictureSide) / 2);
    painter.drawImage(origin, m_loadedPicture, QRect(0, 0, kPictureSide, kPictureSide));
  } else {
    painter.setPen(Qt::white);
    painter.drawText(
        canvas.rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
        QString(m_pictureProblem).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  }
  painter.end();
  m_pictureFrame->setPixmap(QPixmap::fromImage(canvas));
}

// --- Saving the text ------------------------------------------------------

bool CVellamoreView::HasChangedText() const {
  return !m_pictureShown && m_textPane->PaneMode() == CContentEdit::kModeReceivedText &&
         m_textPane->IsModified();
}

bool CVellamoreView::OfferToSaveChangedText() {
  if (!HasChangedText()) return true;
  // A second question while one is open (a close posted meanwhile, say)
  // keeps the text.
  if (m_askingAboutText) return false;
  m_askingAboutText = true;
  int answer = m_prompts.MessageBox(kTextChangedText, kTextChangedCaption, kMbYesNoCancel);
  bool moveOn = answer == kIdNo || (answer == kIdYes && ChooseFileAndWritePaneText());
  m_askingAboutText = false;
  // No lets the changes go: nothing asks about them again.
  if (answer == kIdNo) m_textPane->document()->setModified(false);
  return moveOn;
}

bool CVellamoreView::CanSaveText() const {
  return !m_pictureShown && m_textPane->PaneMode() == CContentEdit::kModeReceivedText;
}

bool CVellamoreView::SaveText() {
  int row = GetSelectedRow();
  if (row < 0) {
    m_prompts.MessageBox(kSelectItemText, kFileSaveCaption, kMbOk);
    return false;
  }
  // Only the text of a received text file goes back into its file: never a
  // description over a received file, nor one entry's text over another's.
  uint16_t id = RowId(row);
  const store::FileListEntry* entry = m_model.FindById(id);
  if (!CanSaveText() || entry == nullptr || m_shownId != id || entry->format != kReceivedText) {
    return false;
  }
  return WritePaneText(entry->receivedCopy);
}

bool CVellamoreView::SaveTextAs() {
  if (GetSelectedRow() < 0) {
    m_prompts.MessageBox(kSelectItemText, kFileSaveAsCaption, kMbOk);
    return false;
  }
  return ChooseFileAndWritePaneText();
}

bool CVellamoreView::ChooseFileAndWritePaneText() {
  if (!CanSaveText()) return false;
  // The entry is found again by its ID: a reload may have replaced the
  // store image while a question was open.
  std::string proposed;
  const store::FileListEntry* entry = m_shownId ? m_model.FindById(*m_shownId) : nullptr;
  if (entry != nullptr) proposed = entry->receivedCopy;
  bool wasAsking = std::exchange(m_askingAboutText, true);
  std::optional<std::string> path = m_prompts.ChooseSaveFile(kAllFilesFilter, proposed);
  m_askingAboutText = wasAsking;
  if (!path) return false;
  return WritePaneText(*path);
}

bool CVellamoreView::WritePaneText(const std::string& path) {
  int error = WriteTextFile(path, m_textPane->PaneText().toStdString());
  if (error != 0) {
    std::fprintf(stderr, "Vellamore: cannot write %s: %s\n", path.c_str(), std::strerror(error));
    m_prompts.MessageBox(WithArgument(kErrorOpeningFileText, path), kErrorCaption, kMbOk);
    return false;
  }
  m_textPane->document()->setModified(false);
  return true;
}

// --- Edit commands --------------------------------------------------------

EditCommandState CVellamoreView::EditCommands() const {
  EditCommandState state;
  bool editable = CanSaveText();
  state.cut = state.paste = state.save = editable;
  state.undo = editable && m_textPane->CanUndo();
  return state;
}

void CVellamoreView::OnEditUndo() {
  if (EditCommands().undo) m_textPane->undo();
}

void CVellamoreView::OnEditCut() {
  if (EditCommands().cut) m_textPane->cut();
}

void CVellamoreView::OnEditCopy() {
  if (!m_pictureShown) {
    m_textPane->copy();
  } else if (!m_loadedPicture.isNull()) {
    QApplication::clipboard()->setImage(m_loadedPicture);
  }
}

void CVellamoreView::OnEditPaste() {
  if (EditCommands().paste) m_textPane->paste();
}

}  // namespace desktop
