#pragma once
// The page "Texturen": the texture library as a grid of thumbnails, two per
// row (TexBox), the selected texture large (CurBox) with its name (Label1) and
// size (Label2), and the buttons "Hinzufügen...", "Löschen" and "Zuweisen".
// The page repaints whenever the library tells it about a change.

#include <QImage>
#include <QWidget>
#include <vector>

#include "edit/editor.h"

class QLabel;
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

  // Painters, also used by the boxes' paint events.
  void DrawTexBox(QPainter& painter, int width, int height) const;
  void DrawCurBox(QPainter& painter, int width, int height) const;

 private:
  void TextureLibraryChanged() override;
  void RefreshPictures();

  Editor& editor_;
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
};

}  // namespace qx
