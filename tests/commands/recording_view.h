#pragma once
// An EditorView that remembers what the commands showed: the window's calls,
// and what the document's change sets announced for the tree and the panel.

#include <string>
#include <vector>

#include "commands/properties.h"
#include "document/editor.h"

namespace qx::test {

struct RecordingView : EditorView, DocumentListener {
  std::string status[2];
  std::string grid;
  std::string caption;
  std::vector<TSector*> shown;  // nodes the panel was told to show, in order
  std::vector<TSector*> tree_selections;
  TSector* tree_selection = nullptr;
  bool panel_visible = false;
  int vertex_mode = -1;  // last SetVertexMode, -1 never
  char axis = 0;
  int tool_mode = -1;
  int redraws = 0;
  Editor* editor = nullptr;

  // Listens to the editor's change sets and takes its window calls.
  void Attach(Editor& e) {
    editor = &e;
    e.view = this;
    e.AddDocumentListener(this);
  }
  TSector* LastShown() const { return shown.empty() ? nullptr : shown.back(); }

  void DocumentChanged(const ChangeSet& c) override {
    if (c.replaced) panel_visible = false;
    if (c.selection) {
      tree_selection = editor->TreeSelection;
      tree_selections.push_back(tree_selection);
    }
    if (c.show_properties && c.shown) {
      shown.push_back(c.shown);
      panel_visible = true;
      const auto texts = NodeStatusTexts(*editor, *c.shown);
      status[0] = texts[0];
      if (!texts[1].empty()) status[1] = texts[1];
    }
  }
  void SetCaption(const std::string& t) override { caption = t; }
  void SetGridLabel(const std::string& t) override { grid = t; }
  void SetToolButtons(AxisLock a, ToolMode m) override {
    axis = static_cast<char>(a);
    tool_mode = static_cast<int>(m);
  }
  void SetStatusText(int panel, const std::string& t) override { status[panel] = t; }
  void SetVertexMode(bool on) override { vertex_mode = on ? 1 : 0; }
  void Redraw() override { ++redraws; }
};

}  // namespace qx::test
