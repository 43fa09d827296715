#pragma once
// TMain, the main window: menus, tool bar, status bar, the scene tree and the
// texture page on the right, the viewport with the camera/grid bar below it.
//
// Where editing commands hook in
// ------------------------------
// * Every menu item, popup item and tool button exists from the start with its
//   caption, shortcut and object name (Action("Viereck1"), Action("ToolButton11"),
//   see BuildMenus/BuildToolBar in main_window.cpp). One that no command drives
//   yet is disabled. A command area connects its handlers in its own file by
//   calling Wire(Action("..."), handler), which also enables the item:
//     main_window_file.cpp      documents, texture libraries, "Beenden", "Info..."
//     main_window_view.cpp      the "&Ansicht" options
//     main_window_camera.cpp    keys, wheel, viewport mouse (camera part)
//     main_window_edit.cpp      selection, insert, transform, properties panel  -> WireEditing()
//     main_window_tree.cpp      tree editing, clipboard, polygon ops, browser   -> WireTreeEditing()
//     main_window_lighting.cpp  lightmaps, export, TMapExportForm               -> WireLighting()
//     main_window_views.cpp     "Vier Ansichten", the 2D views and their menu   -> WireViews()
//     main_window_rooms.cpp     "Raum zeichnen", "Durchgang...", room fields    -> WireRooms()
// * Keys: FormKeyDown moves the camera for W/A/S/D and then runs what
//   RegisterKey() registered (F2 and Delete run "Umbenennen..." and "Löschen",
//   F5-F7 the axis buttons; the keypad keys are free for AdjustTexCoords).
// * Viewport mouse: the camera uses the right button; the left-button branches
//   (ClickSelect, drags) and the Ctrl+right texture scaling go to the
//   viewport_* hooks below. Pointer() holds the button state.
// * Panels: PanelHost() is the area below the tree on the "Level" page (put the
//   properties notebook there, shown with the first node the panel is told to show); TexturePage()
//   is the "Texturen" page. node_properties receives ShowNodeProperties.
//   SetKeyPreview(false/true) when a panel edit gets/loses the focus.
// * The bar below the viewport: Bar() has "Umschauen"/"Bewegen" (wired here), the
//   grid spinners UpDown1/UpDown2, GridLabel, CheckBox1 "Vertex Modus" and UpDown3.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/qt_prompts.h"
#include "commands/selection.h"
#include "document/editor.h"
#include "lighting/lightmap.h"
#include "session/autosave.h"
#include "session/play_test.h"
#include "session/recent_files.h"
#include "tools/drag.h"
#include "tools/gesture.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QDockWidget;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeView;
class QKeyEvent;
class QMouseEvent;
class QTimer;

namespace qx {

class LiveLight;

class CheckPanel;
class PropertiesPanel;
class SceneTreeModel;
class TInit;
class TMapExportForm;
class PlaneViewWidget;
class PlayTestRunner;
class ViewportPanel;
class ViewportTextureUploader;
class UpDown;

class TMain : public QMainWindow, public EditorView, private DocumentListener {
  Q_OBJECT
 public:
  // `settings_file`: an INI file instead of the user's own store (tests).
  explicit TMain(QString settings_file = {}, QWidget* parent = nullptr);
  ~TMain() override;

  Editor& editor() { return editor_; }
  ViewportPanel* Viewport() const { return viewport_; }
  // The plan and elevation views (null without OpenGL).
  PlaneViewWidget* PlaneViewOf(PlaneKind kind) const;
  QTreeView* Tree() const { return tree_; }
  SceneTreeModel* TreeModel() const { return tree_model_; }
  QWidget* PanelHost() const { return panel_host_; }
  QWidget* TexturePage() const { return texture_page_; }
  QWidget* Bar() const { return bar_; }
  // The dock "Prüfung" of "Level prüfen" (main_window_check.cpp).
  CheckPanel* CheckPanelWidget() const { return check_panel_; }
  QDockWidget* CheckDock() const { return check_dock_; }
  SettingsStore* Settings() const { return settings_.get(); }
  Prompts& prompts() { return prompts_; }
  void SetMapExportForm(TMapExportForm* form) { map_export_form_ = form; }
  TMapExportForm* MapExportForm() const { return map_export_form_; }

  // Menu items, popup items and tool buttons by object name (null if none).
  QAction* Action(const QString& name) const;
  QMenu* PopupMenu() const { return popup_; }
  // Connects a handler and enables the item.
  void Wire(QAction* action, std::function<void()> handler);
  // An editing key of FormKeyDown; `keypad` for the numeric keypad's keys. A
  // key is one undo step named `step_name` (a key that clicks a menu item
  // takes the item's name); a key held down makes one step of its repeats.
  void RegisterKey(int qt_key, bool keypad, std::function<void()> handler, std::string step_name = {});
  void SetKeyPreview(bool on) { key_preview_ = on; }
  bool KeyPreview() const { return key_preview_; }

  // The checked states of the view menu, as the drawing reads them.
  ViewOptions CurrentViewOptions() const;
  void ApplyViewOptions(const ViewOptions& o);

  // Files to open once the start-up has run (".tex" libraries, then a ".qxm" document).
  void SetStartupFiles(QStringList files) { startup_files_ = std::move(files); }
  // Bakes at this size once the startup files are open (quarvex --bake WxH).
  void SetStartupBake(std::optional<LightmapSize> size) { startup_bake_ = size; }
  // The lighting that follows the edits ("Licht live").
  LiveLight* LiveLighting() { return live_light_.get(); }
  // Updates applied by it so far.
  uint64_t LiveLightApplied() const { return live_light_applied_; }
  // A whole bake through the live lighting, which then knows its size.
  BakeStatus BakeWhole(LightmapSize size, std::string* message = nullptr);
  void PollLiveLight();
  bool Initialized() const { return initialized_; }
  // The first show's work is done: initialised and the start-up files opened.
  bool StartupDone() const { return startup_done_; }

  // The 3D view's mouse and its drag (one undo step from press to release).
  const PointerState& Pointer() const { return pointer_; }
  Gesture& ViewportGesture() { return gesture_; }
  // Hooks for the editing commands.
  std::function<void(QMouseEvent*)> viewport_mouse_down, viewport_mouse_up;
  // After the camera part of a mouse move: dx = last x - x, dy = last y - y.
  std::function<void(QMouseEvent*, int dx, int dy)> viewport_mouse_move;
  std::function<void(TSector*)> node_properties;
  std::function<void(TSector*)> tree_selection_changed;  // a node chosen in the tree by mouse

  // EditorView.
  void SetCaption(const std::string& text) override;
  void SetGridLabel(const std::string& text) override;
  void SetCameraButtons(CameraMode mode) override;
  void SetToolButtons(AxisLock axis, ToolMode mode) override;
  void SetStatusText(int panel, const std::string& text) override;
  // The tree's current row follows the node (and is scrolled into view).
  void SetTreeSelection(TSector* node);
  // Ctrl- or Shift-click in the tree: the selected rows become the selection.
  void TakeTreeRowsAsSelection();
  void SetVertexMode(bool on) override;  // in main_window_edit.cpp
  void Redraw() override;

  // Life cycle.
  void FormShow();
  void InitMainWindow(TInit* splash);
  void FormClose();

  // File menu.
  void Neu1Click();
  void Laden1Click();
  void Speichern1Click();
  void Speichernunter1Click();
  void Bibliothek1Click();
  void Bibliothekspeichern1Click();
  void Bibliothekspeichernunter1Click();
  // Opens a document or a texture library named at start (no dialog).
  void OpenDocumentFile(const std::filesystem::path& path);
  void OpenTextureLibraryFile(const std::filesystem::path& path);
  void Beenden1Click();
  void Info2Click();
  static QString InfoText();

  // View menu and its tool buttons.
  void CullFace1Click();
  void GitterEinblenden1Click();
  void Portaleeinblenden1Click();
  void Normaleeinblenden1Click();
  void Unsichtbareeinblenden1Click();
  void Markierungeneinblenden1Click();
  void Textur1Click();
  void Drahtgitter1Click();
  void Lightmapseinschalten1Click();
  void Texturenaktivieren1Click();
  void ToolButton21Click();
  void ToolButton20Click();
  void ToolButton24Click();
  void ToolButton27Click();
  void VierAnsichten1Click();

  // Camera and keys.
  void FormKeyDown(QKeyEvent* event);
  void FormMouseWheel(int delta, bool fast = false);  // fast: Shift held
  void ViewportPanelMouseDown(QMouseEvent* event);
  void ViewportPanelMouseUp(QMouseEvent* event);
  void ViewportPanelMouseMove(QMouseEvent* event);
  void LbSpeedButton3MouseDown();
  void LbSpeedButton4MouseDown();
  void CheckBox1Click();

  // "Einstellungen..." and "Testen" (main_window_settings.cpp). The settings
  // as the store holds them; OpenSettings shows the dialog at a page
  // (SettingsDialog::Page) and applies its values on "OK" (true).
  Preferences CurrentPreferences() const;
  bool OpenSettings(int page);
  void ApplyPreferences(const Preferences& p);
  const Preferences& AppliedPreferences() const { return prefs_; }
  PlayTestRunner* PlayTest() const { return play_test_; }

  // Undo and redo, unsaved changes, recent files, backups (main_window_history.cpp).
  // Recent files and backups exist once the window has started.
  RecentFiles* Recent() const { return recent_.get(); }
  AutoSaver* Backups() const { return autosaver_.get(); }
  // The backup folder beside the settings store.
  std::filesystem::path BackupFolder() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* AddAction(QMenu* menu, const QString& name, const QString& caption, int image = -1);
  QAction* AddToolButton(const QString& name, const QString& hint, int image);
  void BuildMenus();
  void BuildToolBar();
  void BuildLayout();
  void BuildBar();
  void OpenStartupFiles();

  // Each area wires its own handlers (one file each).
  void WireFile();
  void WireView();
  void WireCamera();
  void WireEditing();
  void WireTreeEditing();
  void WireLighting();
  void WireHistory();
  void WireViews();
  void WireLiveLight();
  void ReleaseLiveLight();
  void ReadLiveLightSetting();
  void ShowLightStatus();
  void LightStatusDue();
  void WirePlayTest();
  void WireCheck();
  void ReleaseCheckPanel();
  void WireRooms();
  void Durchgang1Click();
  // The 3D view and the 2D views in their splitters (main_window_views.cpp).
  QWidget* BuildViewArea(bool with_gl);
  void ShowViewLayout();
  void ApplySplit();
  void ReadLayoutSettings();
  void WriteLayoutSettings();
  void UpdatePlaneViews();
  void FramePlaneViews();
  void ReleasePlaneViews();
  void StartHistory();
  void ShowSelectionInTree();
  void DocumentChanged(const ChangeSet& changes) override;
  void UpdateUndoActions();
  void FillRecentMenu();

  Editor editor_;
  PointerState pointer_;
  Gesture gesture_{editor_.History};
  QtPrompts prompts_;
  std::unique_ptr<ViewportTextureUploader> texture_uploader_;
  QString settings_file_;
  std::unique_ptr<SettingsStore> settings_;
  TMapExportForm* map_export_form_ = nullptr;

  ViewportPanel* viewport_ = nullptr;
  std::unique_ptr<ViewportPanel> detached_viewport_;  // owns the panel when it is not in the window
  QTreeView* tree_ = nullptr;
  SceneTreeModel* tree_model_ = nullptr;
  PropertiesPanel* properties_panel_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* panel_host_ = nullptr;
  QWidget* texture_page_ = nullptr;
  QWidget* bar_ = nullptr;
  QToolBar* tool_bar_ = nullptr;
  QMenu* popup_ = nullptr;
  QLabel* status_[2] = {nullptr, nullptr};
  QLabel* grid_label_ = nullptr;
  QToolButton* look_button_ = nullptr;
  QToolButton* move_button_ = nullptr;
  QCheckBox* vertex_mode_ = nullptr;
  QActionGroup* fill_group_ = nullptr;

  std::map<QString, QAction*> actions_;
  struct Key {
    std::function<void()> handler;
    std::string step_name;
  };
  std::map<std::pair<int, bool>, Key> keys_;
  bool key_preview_ = true;
  const QEvent* last_key_event_ = nullptr;
  quint64 last_key_time_ = 0;
  QPointer<QWidget> last_key_receiver_;
  bool shown_once_ = false;
  bool initialized_ = false;
  bool startup_done_ = false;
  bool closed_ = false;
  QStringList startup_files_;
  std::optional<LightmapSize> startup_bake_;

  std::unique_ptr<RecentFiles> recent_;
  std::unique_ptr<AutoSaver> autosaver_;
  std::unique_ptr<LightmapUploader> lightmap_uploader_;  // undo and redo keep lightmap textures valid
  std::unique_ptr<LiveLight> live_light_;
  QLabel* light_status_ = nullptr;
  bool light_status_due_ = false;
  uint64_t live_light_applied_ = 0;
  QTimer* autosave_timer_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  PlaneViewWidget* planes_[3] = {nullptr, nullptr, nullptr};  // "Oben", "Vorne", "Seite"
  QSplitter* view_rows_ = nullptr;
  QSplitter* view_top_ = nullptr;
  QSplitter* view_bottom_ = nullptr;
  QMenu* plane_menu_ = nullptr;
  Vector plane_insert_point_;
  ViewLayout layout_;
  Preferences prefs_;
  PlayTestRunner* play_test_ = nullptr;
  QDockWidget* check_dock_ = nullptr;
  CheckPanel* check_panel_ = nullptr;
  QLabel* check_count_ = nullptr;
  bool check_shown_once_ = false;
};

}  // namespace qx
