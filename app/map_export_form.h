#pragma once
// TMapExportForm: the lightmap-size dialog ("MapExport"). It is made once at
// start and lives until the program ends, so its values persist between
// computations.

#include <QDialog>

namespace qx {

class TMapExportForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMapExportForm(QWidget* parent = nullptr);
};

}  // namespace qx
