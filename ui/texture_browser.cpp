#include "ui/texture_browser.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cstring>
#include <unordered_map>

#include "commands/texture_commands.h"
#include "scene/cp1252.h"
#include "ui/browser_logic.h"

namespace qx {

namespace {

// A paint box that hands painting and mouse presses to the browser.
class PaintBox : public QWidget {
 public:
  PaintBox(QWidget* parent, std::function<void(QPainter&, int, int)> paint,
           std::function<void(QMouseEvent*)> press, std::function<void()> click)
      : QWidget(parent), paint_(std::move(paint)), press_(std::move(press)), click_(std::move(click)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    paint_(p, width(), height());
  }
  void mousePressEvent(QMouseEvent* ev) override {
    if (press_) press_(ev);
  }
  void mouseReleaseEvent(QMouseEvent* ev) override {
    if (click_ && ev->button() == Qt::LeftButton && rect().contains(ev->position().toPoint())) click_();
  }

 private:
  std::function<void(QPainter&, int, int)> paint_;
  std::function<void(QMouseEvent*)> press_;
  std::function<void()> click_;
};

QRect ToQRect(const BrowserRect& r) {
  return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QImage PictureOf(const TTexNode& entry) {
  if (entry.HasPixels()) {
    const RgbImage& px = entry.Pixels();
    QImage image(px.width, px.height, QImage::Format_RGB888);
    for (int32_t y = 0; y < px.height; ++y)
      std::memcpy(image.scanLine(y), px.PixelFromTop(0, y), static_cast<size_t>(px.width) * 3);
    return image;
  }
  // Bitmaps that are no texture (other bit depths) are still shown.
  QImage image;
  if (!entry.Bitmap().empty())
    image.loadFromData(entry.Bitmap().data(), static_cast<int>(entry.Bitmap().size()), "BMP");
  return image;
}

const QImage kNoPicture;

// The local files among dropped URLs (a file manager's drag).
std::vector<std::filesystem::path> DroppedFiles(const QMimeData* mime) {
  std::vector<std::filesystem::path> files;
  if (!mime || !mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
  return files;
}

}  // namespace

TextureBrowser::TextureBrowser(Editor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
  setObjectName("Texturen");
  setWindowTitle("Texturen");

  search_ = new QLineEdit(this);
  search_->setObjectName("Suchen");
  search_->setPlaceholderText("Suchen");
  search_->setClearButtonEnabled(true);
  search_->setAcceptDrops(false);  // files dropped on it go to the page
  connect(search_, &QLineEdit::textChanged, this, &TextureBrowser::SearchChanged);

  tex_box_ = new PaintBox(
      nullptr, [this](QPainter& p, int w, int h) { DrawTexBox(p, w, h); },
      [this](QMouseEvent* ev) {
        const QPoint at = ev->position().toPoint();
        TexBoxMouseDown(at.x(), at.y());
      },
      nullptr);
  tex_box_->setObjectName("TexBox");
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName("ScrollBox1");
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setWidget(tex_box_);

  auto* sunken = new QFrame(this);
  sunken->setObjectName("Panel1");
  sunken->setFrameShape(QFrame::Panel);
  sunken->setFrameShadow(QFrame::Sunken);
  cur_box_ = new PaintBox(
      sunken, [this](QPainter& p, int w, int h) { DrawCurBox(p, w, h); }, nullptr, [this] { CurBoxClick(); });
  cur_box_->setObjectName("CurBox");
  cur_box_->setFixedSize(119, 108);
  cur_box_->setCursor(Qt::PointingHandCursor);
  auto* sunken_layout = new QHBoxLayout(sunken);
  sunken_layout->setContentsMargins(2, 2, 2, 2);
  sunken_layout->addWidget(cur_box_);

  label1_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label2_ = new QLabel(this);
  label2_->setObjectName("Label2");
  auto* labels = new QVBoxLayout;
  labels->addWidget(label1_);
  labels->addWidget(label2_);
  labels->addStretch();
  auto* current = new QHBoxLayout;
  current->addWidget(sunken);
  current->addLayout(labels, 1);

  auto make_button = [this](const char* name, const char* caption, void (TextureBrowser::*handler)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
  };
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(make_button("LbSpeedButton1", "Hinzufügen...", &TextureBrowser::LbSpeedButton1Click));
  buttons->addWidget(make_button("LbSpeedButton2", "Löschen", &TextureBrowser::LbSpeedButton2Click));
  buttons->addWidget(make_button("LbSpeedButton7", "Zuweisen", &TextureBrowser::LbSpeedButton7Click));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(search_);
  layout->addWidget(scroll_, 1);
  layout->addLayout(current);
  layout->addLayout(buttons);

  setAcceptDrops(true);
  editor_.Textures.AddListener(this);
  TextureLibraryChanged();
}

TextureBrowser::~TextureBrowser() {
  editor_.Textures.RemoveListener(this);
}

const QImage& TextureBrowser::Picture(int index) const {
  if (index < 0 || index >= static_cast<int>(pictures_.size())) return kNoPicture;
  return pictures_[index].image;
}

void TextureBrowser::RefreshPictures() {
  // Entries move when one before them is removed; their bitmaps do not, so a
  // picture is found again by its bitmap's buffer.
  std::unordered_map<const void*, Cached> old;
  for (Cached& c : pictures_)
    if (c.bitmap) old.emplace(c.bitmap, std::move(c));
  const auto& entries = editor_.Textures.Entries();
  pictures_.assign(entries.size(), {});
  for (size_t i = 0; i < entries.size(); ++i) {
    const TTexNode& entry = entries[i];
    Cached& c = pictures_[i];
    c.bitmap = entry.Bitmap().empty() ? nullptr : entry.Bitmap().data();
    c.size = entry.Bitmap().size();
    auto it = c.bitmap ? old.find(c.bitmap) : old.end();
    if (it != old.end() && it->second.size == c.size) {
      c.image = std::move(it->second.image);
      old.erase(it);
    } else {
      c.image = PictureOf(entry);
    }
  }
}

void TextureBrowser::TextureLibraryChanged() {
  RefreshPictures();
  visible_ = VisibleTextures(editor_.Textures, search_->text().toStdString());
  PaintTextureBrowser();
  PaintCurrentTexture();
}

void TextureBrowser::SearchChanged() {
  visible_ = VisibleTextures(editor_.Textures, search_->text().toStdString());
  PaintTextureBrowser();
}

void TextureBrowser::PaintTextureBrowser() {
  tex_box_->setMinimumHeight(TexBoxHeight(static_cast<int>(visible_.size())));
  tex_box_->update();
}

void TextureBrowser::PaintCurrentTexture() {
  const TTexNode* current = editor_.Textures.Current();
  // Labels never name an entry that no longer exists.
  label1_->setText(current ? QString::fromStdString(Cp1252ToUtf8(current->TexName)) : QString());
  label2_->setText(current ? QString::fromStdString(TextureSizeText(current->Width(), current->Height()))
                           : QString());
  cur_box_->update();
}

void TextureBrowser::DrawTexBox(QPainter& p, int width, int height) const {
  p.fillRect(0, 0, width, height, Qt::white);
  const TextureLibrary& lib = editor_.Textures;
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  for (int at = 0; at < static_cast<int>(visible_.size()); ++at) {
    const int i = visible_[static_cast<size_t>(at)];
    const TTexNode* e = lib.Entry(i);
    if (!e) continue;
    const TTexNode& entry = *e;
    const QRect r = ToQRect(ThumbnailRect(at, width, entry.Width(), entry.Height()));
    if (r.isValid() && !Picture(i).isNull()) p.drawImage(r, Picture(i));
    const bool current = i == lib.CurrentTexture();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(current ? Qt::red : Qt::black, current ? 2 : 1));
    p.drawRect(r);
    const BrowserPoint name_at = ThumbnailNamePos(at, width, entry.TexName.size());
    p.setPen(Qt::black);
    const QFontMetrics fm = p.fontMetrics();
    p.drawText(QPoint(name_at.x, name_at.y + fm.ascent()),
               QString::fromStdString(Cp1252ToUtf8(entry.TexName)));
  }
}

void TextureBrowser::DrawCurBox(QPainter& p, int width, int height) const {
  p.fillRect(0, 0, width, height, Qt::white);
  const TTexNode* current = editor_.Textures.Current();
  if (!current) return;
  const QRect r = ToQRect(CurrentTextureRect(width, height, current->Width(), current->Height()));
  const QImage& picture = Picture(editor_.Textures.CurrentTexture());
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  if (r.isValid() && !picture.isNull()) p.drawImage(r, picture);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 2));
  p.drawRect(r);
}

void TextureBrowser::TexBoxMouseDown(int x, int y) {
  const int at = TextureAt(x, y, tex_box_->width(), static_cast<int>(visible_.size()));
  if (at >= 0) editor_.Textures.SelectTexture(visible_[static_cast<size_t>(at)]);
}

void TextureBrowser::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TextureBrowser::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TextureBrowser::dropEvent(QDropEvent* event) {
  const std::vector<std::filesystem::path> files = DroppedFiles(event->mimeData());
  if (files.empty()) return;
  event->acceptProposedAction();
  UndoStack::Step step(editor_.History, "Hinzufügen");
  AddTextureFiles(editor_, files);
}

// Each button is one undo step, named as its caption.
void TextureBrowser::CurBoxClick() {
  UndoStack::Step step(editor_.History, "Textur ersetzen");
  ReplaceTextureCommand(editor_);
}
void TextureBrowser::LbSpeedButton1Click() {
  UndoStack::Step step(editor_.History, "Hinzufügen");
  AddTextureCommand(editor_);
}
void TextureBrowser::LbSpeedButton2Click() {
  UndoStack::Step step(editor_.History, "Löschen");
  RemoveTextureCommand(editor_);
}
void TextureBrowser::LbSpeedButton7Click() {
  UndoStack::Step step(editor_.History, "Zuweisen");
  AssignTextureCommand(editor_);
}

}  // namespace qx
