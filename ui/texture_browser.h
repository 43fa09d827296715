#pragma once
// The page "Texturen": the texture library as a grid of thumbnails, two per
// row (TexBox), narrowed by name with the "Suchen" field above it, the
// selected texture large (CurBox) with its name (Label1) and size (Label2),
// and the buttons "Hinzufügen...", "Löschen" and "Zuweisen". Picture files
// dropped on the page are added. The page repaints whenever the library tells
// it about a change.

#include <QImage>
#include <QWidget>
#include <vector>

#include "document/editor.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace qx {

class TextureBrowser : public QWidget, private TextureLibraryListener {
  Q_OBJECT
 public:
  explicit TextureBrowser(Editor& editor, QWidget* parent = nullptr);
  ~TextureBrowser() override;

  // Repaint of the thumbnail box and of the current-texture box.
  void PaintTextureBrowser();
  void PaintCurrentTexture();

  // The handlers: a press in the thumbnail box (box coordinates), a click on
  // the current-texture box, and the three buttons.
  void TexBoxMouseDown(int x, int y);
  void CurBoxClick();
  void LbSpeedButton1Click();  // "Hinzufügen..."
  void LbSpeedButton2Click();  // "Löschen"
  void LbSpeedButton7Click();  // "Zuweisen"

  // The picture of entry i as drawn (empty when its bitmap cannot be shown).
  const QImage& Picture(int index) const;
  // The entries the grid shows, by grid position.
  const std::vector<int>& Visible() const { return visible_; }

  // Painters, also used by the boxes' paint events.
  void DrawTexBox(QPainter& painter, int width, int height) const;
  void DrawCurBox(QPainter& painter, int width, int height) const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void TextureLibraryChanged() override;
  void SearchChanged();
  void RefreshPictures();

  Editor& editor_;
  QLineEdit* search_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QWidget* tex_box_ = nullptr;
  QWidget* cur_box_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;

  // Decoded pictures, kept while their entry's bitmap stays the same buffer.
  struct Cached {
    const void* bitmap = nullptr;
    size_t size = 0;
    QImage image;
  };
  std::vector<Cached> pictures_;
  std::vector<int> visible_;
};

}  // namespace qx
