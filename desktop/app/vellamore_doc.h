// CVellamoreDoc: the program's document. It holds no data: the store image
// lives in the view's list model and is written after every change, so a new
// document starts nothing and reading or writing the document touches no file.
#pragma once

#include <QObject>

namespace desktop {

class CVellamoreDoc : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Starting a new, empty document always succeeds.
  bool OnNewDocument() { return true; }
};

}  // namespace desktop
