// CElidedLabel: a one-line label for a text that may be wider than the
// label, such as a long path. What does not fit is cut from the middle and
// shown as "…", so the start and the file name stay readable; the whole
// text is the tool tip.
#pragma once

#include <QLabel>

namespace desktop {

class CElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CElidedLabel(QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  const QString& FullText() const { return m_fullText; }

  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString m_fullText;
};

}  // namespace desktop
