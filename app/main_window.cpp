#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "commands/properties.h"
#include "render/viewport_panel.h"
#include "render/viewport_texture_uploader.h"
#include "session/live_light.h"
#include "session/unsaved_changes.h"
#include "ui/image_list.h"
#include "ui/properties_panel.h"
#include "ui/scene_tree_model.h"
#include "ui/up_down.h"

namespace qx {

TMain::TMain(QString settings_file, QWidget* parent)
    : QMainWindow(parent), prompts_(this), settings_file_(std::move(settings_file)) {
  setObjectName("Main");
  editor_.view = this;
  editor_.prompts = &prompts_;
  BuildMenus();
  BuildToolBar();
  BuildLayout();
  resize(1180, 820);
  editor_.UpdateCaption();

  WireFile();
  WireView();
  WireCamera();
  WireEditing();
  WireTreeEditing();
  WireLighting();
  WireHistory();
  WireViews();
  WireLiveLight();
  WirePlayTest();
  // After the tree model and the panel: the selection's row and page exist by then.
  editor_.AddDocumentListener(this);
  WireCheck();
  WireRooms();

  // Key preview: the window sees every key before the focused control.
  qApp->installEventFilter(this);
}

TMain::~TMain() {
  qApp->removeEventFilter(this);
  ReleaseLiveLight();
  editor_.RemoveDocumentListener(this);
  ReleaseCheckPanel();
  ReleasePlaneViews();
  editor_.Textures.SetUploader(nullptr);  // while the viewport's context still exists
  // The views follow the document; they go before it does.
  editor_.RemoveDocumentListener(properties_panel_);
  delete properties_panel_;
  properties_panel_ = nullptr;
  // The tree view must let go of the model before the scene's records go.
  if (tree_) tree_->setModel(nullptr);
  editor_.RemoveDocumentListener(tree_model_);
  delete tree_model_;
  tree_model_ = nullptr;
  editor_.view = nullptr;
  editor_.prompts = nullptr;
  editor_.settings = nullptr;
}

// ---- actions ----

QAction* TMain::AddAction(QMenu* menu, const QString& name, const QString& caption, int image) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  if (image >= 0) a->setIcon(ImageListIcon(image));
  a->setEnabled(false);  // until a command is wired to it
  if (menu) menu->addAction(a);
  actions_[name] = a;
  return a;
}

QAction* TMain::AddToolButton(const QString& name, const QString& hint, int image) {
  QAction* a = AddAction(nullptr, name, hint, image);
  a->setToolTip(hint);
  a->setStatusTip(hint);
  tool_bar_->addAction(a);
  if (QWidget* w = tool_bar_->widgetForAction(a)) w->setObjectName(name);
  return a;
}

QAction* TMain::Action(const QString& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void TMain::Wire(QAction* action, std::function<void()> handler) {
  if (!action) return;
  // Every command is one undo step, named as its menu item.
  connect(action, &QAction::triggered, this, [this, action, h = std::move(handler)] {
    UndoStack::Step step(editor_.History, action->text().remove('&').remove("...").toStdString());
    h();
  });
  action->setEnabled(true);
}

void TMain::RegisterKey(int qt_key, bool keypad, std::function<void()> handler, std::string step_name) {
  keys_[{qt_key, keypad}] = {std::move(handler), std::move(step_name)};
}

void TMain::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&Datei");
  file->setObjectName("Datei1");
  AddAction(file, "Neu1", "Neu", kImageNew);
  AddAction(file, "Laden1", "Laden...", kImageOpen);
  AddAction(file, "Speichern1", "Speichern", kImageSave)->setShortcut(QKeySequence("Ctrl+S"));
  AddAction(file, "Speichernunter1", "Speichern unter...", kImageSaveAs);
  file->addSeparator();
  AddAction(file, "Bibliothek1", "Bibliothek laden...");
  AddAction(file, "Bibliothekspeichern1", "Bibliothek speichern");
  AddAction(file, "Bibliothekspeichernunter1", "Bibliothek speichern unter...");
  file->addSeparator();
  QMenu* export_menu = file->addMenu("Exportieren");
  export_menu->setObjectName("Exportieren1");
  AddAction(export_menu, "Leveldateimap1", "Leveldatei (*.map)", kImageExport);
  file->addSeparator();
  AddAction(file, "Beenden1", "Beenden");

  QMenu* edit = menuBar()->addMenu("&Bearbeiten");
  edit->setObjectName("Bearbeiten1");
  AddAction(edit, "Kopieren1", "Kopieren")->setShortcut(QKeySequence("Ctrl+C"));
  AddAction(edit, "Einfgen1", "Einfügen")->setShortcut(QKeySequence("Ctrl+V"));
  AddAction(edit, "Lschen1", "Löschen");
  AddAction(edit, "Duplizieren1", "Duplizieren")->setShortcut(QKeySequence("Ctrl+D"));
  AddAction(edit, "Flcheumdrehen1", "Fläche umdrehen");
  edit->addSeparator();
  AddAction(edit, "Polygonum90drehen1", "Drehen um 90°")->setData(90);
  AddAction(edit, "Polygonum180drehen1", "Drehen um 180°")->setData(180);
  edit->addSeparator();
  AddAction(edit, "Texturkoordinatendrehenum901", "Texturkoordinaten drehen um 90°");
  AddAction(edit, "Texturkoordinatenspiegeln1", "Texturkoordinaten spiegeln");
  AddAction(edit, "TexturkoordinatenaufBasis1", "Texturkoordinaten auf Basis");
  AddAction(edit, "Texturausrichten1", "Textur ausrichten");
  AddAction(edit, "Textureinpassen1", "Textur einpassen");
  edit->addSeparator();
  AddAction(edit, "Koordinatenkopieren1", "Koordinaten kopieren")->setShortcut(QKeySequence("Ctrl+Y"));
  AddAction(edit, "Koordinateneinfgen1", "Koordinaten einfügen")->setShortcut(QKeySequence("Ctrl+X"));

  QMenu* insert = menuBar()->addMenu("&Einfügen");
  insert->setObjectName("Einfgen2");
  AddAction(insert, "leererSektor1", "Sektor", kIconSector);
  AddAction(insert, "Viereck1", "Quadrat", kIconPolygon);
  AddAction(insert, "Lichtquelle1", "Lichtquelle", kIconLight);
  AddAction(insert, "Portal1", "Portal", kIconPortal);
  AddAction(insert, "Partikelsystem1", "Partikelsystem", kIconParticleSystem);
  AddAction(insert, "Model1", "Model...", kIconModel);
  AddAction(insert, "Actor1", "Actor", kIconActor);
  AddAction(insert, "Checkpoint1", "Checkpoint", kIconCheckpoint);
  insert->addSeparator();
  AddAction(insert, "Startpositionsetzen1", "Startposition setzen");

  QMenu* view = menuBar()->addMenu("&Ansicht");
  view->setObjectName("Ansicht1");
  auto toggle = [&](const QString& name, const QString& caption) {
    QAction* a = AddAction(view, name, caption);
    a->setCheckable(true);
    a->setChecked(true);
    return a;
  };
  toggle("CullFace1", "Cull Face");
  toggle("GitterEinblenden1", "Gitter einblenden");
  toggle("Portaleeinblenden1", "Portale einblenden");
  toggle("Normaleeinblenden1", "Normale einblenden");
  toggle("Unsichtbareeinblenden1", "Unsichtbare einblenden");
  toggle("Markierungeneinblenden1", "Markierungen einblenden");
  view->addSeparator();
  fill_group_ = new QActionGroup(this);
  fill_group_->setExclusive(true);
  fill_group_->addAction(toggle("Textur1", "Textur"));
  fill_group_->addAction(toggle("Drahtgitter1", "Drahtgitter"));
  Action("Textur1")->setChecked(true);
  view->addSeparator();
  toggle("Lightmapseinschalten1", "Lightmaps aktivieren");
  toggle("Texturenaktivieren1", "Texturen aktivieren");
  view->addSeparator();
  AddAction(view, "Auswahlzeigen1", "Auswahl zeigen")->setShortcut(QKeySequence(Qt::Key_F));
  AddAction(view, "Startansicht1", "Startansicht");

  QMenu* help = menuBar()->addMenu("&Hilfe");
  help->setObjectName("Hilfe1");
  AddAction(help, "Info2", "Info...");

  // The tree's context menu.
  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  AddAction(popup_, "Kopieren2", "Kopieren");
  AddAction(popup_, "Einfgen3", "Einfügen");
  AddAction(popup_, "Lschen2", "Löschen");
  AddAction(popup_, "Duplizieren2", "Duplizieren");
  AddAction(popup_, "Flcheumdrehen2", "Fläche umdrehen");
  AddAction(popup_, "Texturausrichten2", "Textur ausrichten");
  AddAction(popup_, "Textureinpassen2", "Textur einpassen");
  AddAction(popup_, "Umbenennen1", "Umbenennen...");
  popup_->addSeparator();
  AddAction(popup_, "AlleuntergeordnetenPolygonemarkieren1", "Alle Polygone markieren");
  popup_->addSeparator();
  AddAction(popup_, "Speichernunter2", "Speichern unter...");
  AddAction(popup_, "SektorausDatei1", "Sektor aus Datei...");
}

void TMain::BuildToolBar() {
  tool_bar_ = addToolBar("Werkzeuge");
  tool_bar_->setObjectName("ToolBar1");
  tool_bar_->setMovable(false);
  tool_bar_->setIconSize(QSize(16, 16));
  AddToolButton("ToolButton1", "Neu", kImageNew);
  AddToolButton("ToolButton2", "Öffnen", kImageOpen);
  AddToolButton("ToolButton3", "Speichren (Strg + S)", kImageSave);
  AddToolButton("ToolButton4", "Speichrn unter", kImageSaveAs);
  tool_bar_->addSeparator();
  AddToolButton("ToolButton8", "Exportieren", kImageExport);
  AddToolButton("ToolButton9", "Lightmaps berechnen", kImageBake);
  tool_bar_->addSeparator();
  AddToolButton("ToolButton6", "Übergeordnetes Objekt markieren", kImageParent);
  AddToolButton("ToolButton7", "Untergeordnetes Objekt markieren", kImageChild);
  tool_bar_->addSeparator();
  for (auto [name, hint, image] : {std::tuple{"ToolButton11", "X Achse", kImageAxisX},
                                   std::tuple{"ToolButton12", "Y Achse", kImageAxisY},
                                   std::tuple{"ToolButton13", "Z Achse", kImageAxisZ}}) {
    AddToolButton(name, hint, image)->setCheckable(true);
  }
  tool_bar_->addSeparator();
  AddToolButton("ToolButton15", "Verschieben", kImageMove)->setCheckable(true);
  AddToolButton("ToolButton16", "Rotieren", kImageRotate)->setCheckable(true);
  auto* axis = new QActionGroup(this);
  for (const char* n : {"ToolButton11", "ToolButton12", "ToolButton13"}) axis->addAction(Action(n));
  auto* mode = new QActionGroup(this);
  for (const char* n : {"ToolButton15", "ToolButton16"}) mode->addAction(Action(n));
  Action("ToolButton11")->setChecked(true);
  Action("ToolButton15")->setChecked(true);
  tool_bar_->addSeparator();
  AddToolButton("ToolButton18", "Objekt rotieren um 90°", kImageRotate90)->setData(90);
  AddToolButton("ToolButton23", "Texturkoordinaten rotieren um 90°", kImageTexRotate);
  AddToolButton("ToolButton19", "Texturkoordinaten spiegeln", kImageTexMirror);
  tool_bar_->addSeparator();
  AddToolButton("ToolButton21", "Lightmaps ein/aus", kImageLightmaps);
  AddToolButton("ToolButton20", "Portale ein/aus", kImagePortals);
  AddToolButton("ToolButton24", "Unsichtbare Objekte ein/aus", kImageInvisible);
  AddToolButton("ToolButton27", "Markierungen ein/aus", kImageMarkers);
}

void TMain::BuildBar() {
  bar_ = new QWidget;
  bar_->setObjectName("Panel2");
  auto* row = new QHBoxLayout(bar_);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(6);

  look_button_ = new QToolButton(bar_);
  look_button_->setObjectName("LbSpeedButton3");
  look_button_->setText("Umschauen");
  move_button_ = new QToolButton(bar_);
  move_button_->setObjectName("LbSpeedButton4");
  move_button_->setText("Bewegen");
  auto* camera_group = new QButtonGroup(bar_);
  camera_group->setExclusive(true);
  for (QToolButton* b : {look_button_, move_button_}) {
    b->setCheckable(true);
    b->setMinimumWidth(80);
    camera_group->addButton(b);
    row->addWidget(b);
  }
  look_button_->setChecked(true);

  row->addSpacing(16);
  row->addWidget(new QLabel("Gitter:", bar_));
  row->addWidget(new UpDown("UpDown1", bar_));
  row->addWidget(new UpDown("UpDown2", bar_));
  grid_label_ = new QLabel("20", bar_);
  grid_label_->setObjectName("GridLabel");
  grid_label_->setMinimumWidth(32);
  row->addWidget(grid_label_);

  row->addSpacing(16);
  vertex_mode_ = new QCheckBox("Vertex Modus", bar_);
  vertex_mode_->setObjectName("CheckBox1");
  row->addWidget(vertex_mode_);
  row->addWidget(new UpDown("UpDown3", bar_));
  auto* texture_lock = new QCheckBox("Textur fixieren", bar_);
  texture_lock->setObjectName("TexturFixieren");
  row->addWidget(texture_lock);
  row->addStretch(1);
}

void TMain::BuildLayout() {
  viewport_ = new ViewportPanel(editor_);
  // The viewport draws the whole scene on every frame, after Editor::Redraw
  // has handed the change sets to the listeners. A renderer that keeps the
  // scene in buffers registers here (editor_.AddDocumentListener) and rebuilds
  // the records a change set names: geometry, appearance, or everything when
  // the document was replaced.
  viewport_->view_options = [this] { return CurrentViewOptions(); };
  viewport_->Renderer().texture_name = [this](int i) { return editor_.Textures.TextureGLName(i); };
  BuildBar();

  auto* left = new QWidget;
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->setSpacing(0);
  auto* viewport_back = new QWidget;  // black behind the panel, also while it is hidden
  viewport_back->setObjectName("ViewportBack");
  viewport_back->setAutoFillBackground(true);
  QPalette black = viewport_back->palette();
  black.setColor(QPalette::Window, Qt::black);
  viewport_back->setPalette(black);
  auto* back_layout = new QVBoxLayout(viewport_back);
  back_layout->setContentsMargins(0, 0, 0, 0);
  // Without OpenGL a GL widget would break the window's own drawing: the
  // panel then stays outside the window and the area stays black.
  if (ViewportPanel::OpenGLAvailable())
    back_layout->addWidget(BuildViewArea(true));
  else
    detached_viewport_.reset(viewport_);
  left_layout->addWidget(viewport_back, 1);
  left_layout->addWidget(bar_);

  pages_ = new QTabWidget;
  pages_->setObjectName("PageControl1");
  auto* level = new QWidget;
  level->setObjectName("TabSheet1");
  auto* level_layout = new QVBoxLayout(level);
  level_layout->setContentsMargins(2, 2, 2, 2);
  tree_ = new QTreeView(level);
  tree_->setObjectName("Tree");
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_model_ = new SceneTreeModel(editor_.Tree, this);
  tree_->setModel(tree_model_);
  editor_.AddDocumentListener(tree_model_);
  connect(tree_, &QTreeView::customContextMenuRequested, this,
          [this](const QPoint& p) { popup_->popup(tree_->viewport()->mapToGlobal(p)); });
  // Ctrl-click adds a row, Shift-click a band of rows, as in a file manager;
  // the rows of every selected node stay highlighted whichever view chose them.
  tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  connect(tree_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
    editor_.TreeSelection = SceneTreeModel::NodeOf(index);
    const Qt::KeyboardModifiers mods = QApplication::keyboardModifiers();
    if (mods & (Qt::ControlModifier | Qt::ShiftModifier)) {
      TakeTreeRowsAsSelection();
    } else if (tree_selection_changed) {
      tree_selection_changed(editor_.TreeSelection);
    }
  });
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { editor_.TreeSelection = SceneTreeModel::NodeOf(current); });
  level_layout->addWidget(tree_, 3);
  panel_host_ = new QWidget(level);
  panel_host_->setObjectName("PanelHost");
  auto* host_layout = new QVBoxLayout(panel_host_);
  host_layout->setContentsMargins(0, 0, 0, 0);
  panel_host_->hide();
  level_layout->addWidget(panel_host_, 2);
  pages_->addTab(level, "Level");
  texture_page_ = new QWidget;
  texture_page_->setObjectName("TabSheet2");
  new QVBoxLayout(texture_page_);
  pages_->addTab(texture_page_, "Texturen");

  auto* split = new QSplitter(Qt::Horizontal);
  split->setObjectName("Splitter1");
  split->addWidget(left);
  split->addWidget(pages_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 0);
  split->setSizes({880, 300});
  setCentralWidget(split);

  auto* sb = statusBar();
  sb->setObjectName("Sb");
  sb->setSizeGripEnabled(true);
  for (int i = 0; i < 2; ++i) {
    status_[i] = new QLabel(sb);
    status_[i]->setObjectName(QString("SbPanel%1").arg(i));
    status_[i]->setFrameShape(QFrame::StyledPanel);
    status_[i]->setFrameShadow(QFrame::Sunken);
  }
  status_[0]->setFixedWidth(100);
  sb->addWidget(status_[0]);
  sb->addWidget(status_[1], 1);
}

// ---- EditorView ----

void TMain::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(text));
}

void TMain::SetGridLabel(const std::string& text) {
  grid_label_->setText(QString::fromStdString(text));
}

void TMain::SetCameraButtons(CameraMode mode) {
  (mode == CameraMode::kMove ? move_button_ : look_button_)->setChecked(true);
}

void TMain::SetToolButtons(AxisLock axis, ToolMode mode) {
  const char* axis_button = axis == AxisLock::kY   ? "ToolButton12"
                            : axis == AxisLock::kZ ? "ToolButton13"
                                                   : "ToolButton11";
  Action(axis_button)->setChecked(true);
  Action(mode == ToolMode::kRotate ? "ToolButton16" : "ToolButton15")->setChecked(true);
}

void TMain::DocumentChanged(const ChangeSet& changes) {
  LightStatusDue();
  // The panel showed a node of a scene that was just replaced.
  if (changes.replaced && !changes.show_properties) panel_host_->setVisible(false);
  if (changes.selection) {
    SetTreeSelection(editor_.TreeSelection);
    ShowSelectionInTree();
  }
  if (changes.show_properties) {
    if (node_properties) node_properties(changes.shown);
    if (changes.shown) panel_host_->setVisible(true);
  }
  // The status bar follows the shown node, also while it is dragged.
  const TSector* shown = properties_panel_ ? properties_panel_->ShownNode() : changes.shown;
  if (shown && (changes.show_properties || changes.nodes.count(const_cast<TSector*>(shown)))) {
    const auto texts = NodeStatusTexts(editor_, *shown);
    SetStatusText(0, texts[0]);
    if (!texts[1].empty()) SetStatusText(1, texts[1]);
  }
}

void TMain::SetStatusText(int panel, const std::string& text) {
  if (panel >= 0 && panel < 2) status_[panel]->setText(QString::fromStdString(text));
}

void TMain::TakeTreeRowsAsSelection() {
  std::vector<TSector*> rows;
  for (const QModelIndex& index : tree_->selectionModel()->selectedRows())
    if (TSector* n = SceneTreeModel::NodeOf(index)) rows.push_back(n);
  // In tree order, the current row first: it is the one the panel shows.
  std::unordered_map<const TSector*, size_t> order;
  size_t i = 0;
  editor_.Tree.Walk([&](TSector* n) { order[n] = i++; });
  std::sort(rows.begin(), rows.end(), [&](TSector* a, TSector* b) { return order[a] < order[b]; });
  TSector* current = editor_.TreeSelection;
  auto it = std::find(rows.begin(), rows.end(), current);
  if (it != rows.end()) std::rotate(rows.begin(), it, it + 1);
  ClearSelection(editor_);
  for (TSector* n : rows) {
    AddToSelection(editor_, n);
    ComputeBounds(n);
  }
  editor_.ShowProperties(rows.empty() ? nullptr : rows.front());
  Redraw();
}

void TMain::ShowSelectionInTree() {
  // Rows follow the selection list; the user's own clicks are not echoed back.
  QItemSelectionModel* model = tree_->selectionModel();
  QItemSelection rows;
  for (TSector* n : editor_.SelectionList) {
    const QModelIndex index = tree_model_->IndexOf(n);
    if (index.isValid()) rows.select(index, index);
  }
  const QSignalBlocker block(model);
  model->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  tree_->viewport()->update();
}

void TMain::SetTreeSelection(TSector* node) {
  const QModelIndex index = tree_model_->IndexOf(node);
  if (index.isValid()) {
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
  } else {
    tree_->setCurrentIndex({});
  }
}

void TMain::Redraw() {
  // Whoever asks for a frame: the listeners learn what changed before anything draws.
  editor_.PublishChanges();
  viewport_->Redraw();
  UpdatePlaneViews();
}

// ---- events ----

void TMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  // After the show has finished, so the viewport already has its context.
  QTimer::singleShot(0, this, &TMain::FormShow);
}

void TMain::closeEvent(QCloseEvent* event) {
  // Unsaved changes are asked about first; "Abbrechen" keeps the window open.
  if (!closed_ && !AskToSaveChanges(editor_, recent_.get())) {
    event->ignore();
    return;
  }
  // The user saved or chose not to: no backup is left to offer at the next start.
  if (autosaver_ && !closed_) autosaver_->RemoveAll();
  editor_.History.SetLightmapUploader(nullptr);  // the context goes with FormClose
  FormClose();
  event->accept();
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w || w->window() != this || !key_preview_) break;
      // A key nobody accepts travels on to the parent widgets; it acts once.
      auto* key = static_cast<QKeyEvent*>(event);
      if (event == last_key_event_ && key->timestamp() == last_key_time_ && last_key_receiver_ &&
          w != last_key_receiver_ && w->isAncestorOf(last_key_receiver_))
        break;
      last_key_event_ = event;
      last_key_time_ = key->timestamp();
      last_key_receiver_ = w;
      FormKeyDown(key);
      break;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace qx
