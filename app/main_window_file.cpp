// The file menu: documents, texture libraries, "Beenden" and "Info...".

#include <QMessageBox>

#include "app/main_window.h"

namespace qx {

QString TMain::InfoText() {
  return QString("Quarvex v1.0\r\nProgrammiert von Lina Korvald\r\nwww.korvald.example");
}

void TMain::WireFile() {
  Wire(Action("Neu1"), [this] { Neu1Click(); });
  Wire(Action("ToolButton1"), [this] { Neu1Click(); });
  Wire(Action("Beenden1"), [this] { Beenden1Click(); });
  Wire(Action("Info2"), [this] { Info2Click(); });
}

void TMain::Neu1Click() {
  editor_.NewScene();
}

void TMain::Beenden1Click() {
  close();
}

void TMain::Info2Click() {
  QMessageBox::information(this, "Information", InfoText());
}

}  // namespace qx
