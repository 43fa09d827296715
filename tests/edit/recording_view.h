#pragma once
// An EditorView that remembers what the commands showed.

#include <string>
#include <vector>

#include "edit/editor.h"

namespace qx::test {

struct RecordingView : EditorView {
  std::string status[2];
  std::string grid;
  std::vector<TSector*> shown;  // ShowNodeProperties calls
  TSector* tree_selection = nullptr;
  bool panel_visible = false;
  int vertex_mode = -1;  // last SetVertexMode, -1 never
  char axis = 0;
  int tool_mode = -1;
  int redraws = 0;

  void SetGridLabel(const std::string& t) override { grid = t; }
  void SetToolButtons(AxisLock a, ToolMode m) override {
    axis = static_cast<char>(a);
    tool_mode = static_cast<int>(m);
  }
  void SetPanelVisible(bool v) override { panel_visible = v; }
  void SetStatusText(int panel, const std::string& t) override { status[panel] = t; }
  void ShowNodeProperties(TSector* n) override { shown.push_back(n); }
  void SetTreeSelection(TSector* n) override { tree_selection = n; }
  void SetVertexMode(bool on) override { vertex_mode = on ? 1 : 0; }
  void Redraw() override { ++redraws; }
};

}  // namespace qx::test
