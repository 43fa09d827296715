#include "app/map_export_form.h"

namespace qx {

TMapExportForm::TMapExportForm(QWidget* parent) : QDialog(parent) {
  setObjectName("MapExportForm");
  setWindowTitle("MapExport");
}

}  // namespace qx
