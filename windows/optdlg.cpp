#include "optdlg.h"

TOptionDlg* OptionDlg = nullptr;

TOptionDlg::TOptionDlg(QWidget* parent) : QDialog(parent) { setWindowTitle("Video Options"); }

void TOptionDlg::ShowOptions() { exec(); }
