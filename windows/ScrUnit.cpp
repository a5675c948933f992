#include "ScrUnit.h"

TScrForm* ScrForm = nullptr;

TScrForm::TScrForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Screen capture Window");
  resize(478, 344);
}

QPoint TScrForm::ClientOrigin() const { return mapToGlobal(QPoint(0, 0)); }
QSize TScrForm::ClientSize() const { return size(); }
void TScrForm::SetBorderSizeable(bool sizeable) { sizeable_ = sizeable; }
