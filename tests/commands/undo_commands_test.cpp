// Every command that changes the scene, run as one history step: undo gives
// back the scene as it was (the saved document byte for byte, and every field
// to the last bit), redo the scene after the command.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "commands/command_list.h"
#include "commands/scene_dump.h"
#include "document/map_document_io.h"
#include "document/undo.h"

namespace qx {
namespace {

using test::Command;
using test::Commands;
using Fixture = test::CommandScene;

TEST(UndoCommands, UndoGivesBackTheDocumentByteForByteAndRedoRepeats) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    Fixture f;
    c.prepare(f);
    const std::vector<uint8_t> bytes_before = WriteMapDocument(f.e);
    const std::string before = test::DumpScene(f.e);
    {
      UndoStack::Step step(f.e.History, c.name);
      c.run(f);
    }
    ASSERT_TRUE(f.e.History.CanUndo());
    EXPECT_EQ(f.e.History.UndoName(), c.name);
    EXPECT_TRUE(f.e.IsModified());
    const std::vector<uint8_t> bytes_after = WriteMapDocument(f.e);
    const std::string after = test::DumpScene(f.e);
    ASSERT_NE(after, before);

    ASSERT_TRUE(f.e.History.Undo());
    EXPECT_EQ(WriteMapDocument(f.e), bytes_before);
    EXPECT_EQ(test::DumpScene(f.e), before);
    EXPECT_FALSE(f.e.IsModified());

    ASSERT_TRUE(f.e.History.Redo());
    EXPECT_EQ(WriteMapDocument(f.e), bytes_after);
    EXPECT_EQ(test::DumpScene(f.e), after);

    ASSERT_TRUE(f.e.History.Undo());
    EXPECT_EQ(test::DumpScene(f.e), before);
    EXPECT_FALSE(f.e.History.CanUndo());
  }
}

TEST(UndoCommands, ASequenceUndoesStepByStepToTheStartAndRedoesToTheEnd) {
  Fixture f;
  std::vector<std::vector<uint8_t>> saved{WriteMapDocument(f.e)};
  auto run = [&](const char* name, const std::function<void()>& fn) {
    f.e.History.Run(name, fn);
    saved.push_back(WriteMapDocument(f.e));
  };
  run("Sektor", [&] { InsertSector(f.e); });
  f.Click(f.a);
  run("Quadrat", [&] { InsertSquare(f.e); });
  f.Click(f.light);
  run("Lichtquelle", [&] { InsertLight(f.e); });
  run("Texturkoordinaten auf Basis", [&] { TexCoordsFromBasis(f.e); });
  f.Click(f.sub);
  run("Ziehen", [&] { TreeDragDrop(f.e, f.b); });
  f.Click(f.a);
  CopySelection(f.e);
  f.Click(f.b);
  run("Einfügen", [&] { PasteClipboard(f.e); });
  f.Select({f.qb, f.light});
  run("Löschen", [&] { DeleteSelection(f.e); });
  f.Click(f.portal);
  f.prompts.text_answers.push_back("P");
  run("Umbenennen", [&] { RenameTreeSelection(f.e); });
  ASSERT_EQ(f.e.History.UndoCount(), 8u);

  for (size_t i = saved.size() - 1; i-- > 0;) {
    ASSERT_TRUE(f.e.History.Undo());
    EXPECT_EQ(WriteMapDocument(f.e), saved[i]) << "after undoing to " << i;
  }
  EXPECT_FALSE(f.e.History.Undo());
  for (size_t i = 1; i < saved.size(); ++i) {
    ASSERT_TRUE(f.e.History.Redo());
    EXPECT_EQ(WriteMapDocument(f.e), saved[i]) << "after redoing to " << i;
  }
  EXPECT_FALSE(f.e.History.Redo());
}

std::set<uint32_t> Ids(const Editor& e) {
  std::set<uint32_t> ids;
  e.Tree.Walk([&](TSector* n) {
    EXPECT_TRUE(ids.insert(n->Id).second) << "node id " << n->Id << " twice";
    for (const TVertex& v : n->Vertices)
      EXPECT_TRUE(ids.insert(v.Id).second) << "vertex id " << v.Id << " twice";
  });
  return ids;
}

// Random commands on random selections with undo and redo in between, checked
// against a list of the scenes expected at each place of the history.
TEST(UndoCommands, RandomSequencesKeepEveryStateAndIdsUnique) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Fixture f;
    std::vector<std::string> states{test::DumpScene(f.e, false)};
    size_t at = 0;
    std::set<uint32_t> ever = Ids(f.e);
    for (int round = 0; round < 60; ++round) {
      const int action = std::uniform_int_distribution<int>(0, 9)(rng);
      if (action < 2) {
        const std::string here = test::DumpScene(f.e, false);
        const bool did = f.e.History.Undo();
        ASSERT_EQ(did, at > 0);
        if (did) {
          states[at] = here;
          EXPECT_EQ(test::DumpScene(f.e, false), states[--at]);
        }
      } else if (action < 3) {
        const std::string here = test::DumpScene(f.e, false);
        const bool did = f.e.History.Redo();
        ASSERT_EQ(did, at + 1 < states.size());
        if (did) {
          states[at] = here;
          EXPECT_EQ(test::DumpScene(f.e, false), states[++at]);
        }
      } else {
        // Any node may be selected; commands that need another kind do nothing.
        const std::vector<TSector*> nodes = f.e.Tree.InOrder();
        if (!nodes.empty()) f.Click(nodes[std::uniform_int_distribution<size_t>(0, nodes.size() - 1)(rng)]);
        f.prompts.text_answers.push_back("n" + std::to_string(round));
        const std::string before = test::DumpScene(f.e, false);
        const uint32_t highest = ever.empty() ? 0 : *ever.rbegin();
        const std::set<uint32_t> old_ids = Ids(f.e);
        const size_t count = f.e.History.UndoCount();
        switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
          case 0:
            f.e.History.Run("Sektor", [&] { InsertSector(f.e); });
            break;
          case 1:
            f.e.History.Run("Quadrat", [&] { InsertSquare(f.e); });
            break;
          case 2:
            f.e.History.Run("Licht", [&] { InsertLight(f.e); });
            break;
          case 3:
            CopySelection(f.e);
            f.e.History.Run("Einfügen", [&] { PasteClipboard(f.e); });
            break;
          case 4:
            f.e.History.Run("Löschen", [&] { DeleteSelection(f.e); });
            break;
          case 5:
            f.e.History.Run("Umbenennen", [&] { RenameTreeSelection(f.e); });
            break;
          case 6:
            f.e.History.Run("Drehen", [&] { TurnSelectedObjects(f.e, 90); });
            break;
          default:
            f.e.History.Run("Bewegen", [&] { DragStep(f.e, f.pointer, -50); });
            break;
        }
        if (f.e.History.UndoCount() > count) {
          states.resize(at + 1);
          states[at] = before;
          states.push_back(test::DumpScene(f.e, false));
          ++at;
        }
        // A fresh id never repeats one that any state of the history holds.
        for (uint32_t id : Ids(f.e))
          if (!old_ids.count(id)) {
            EXPECT_GT(id, highest);
          }
      }
      for (const TSector* n : f.e.ClipboardList) EXPECT_TRUE(f.e.Tree.Contains(n));
      const std::set<uint32_t> now = Ids(f.e);
      ever.insert(now.begin(), now.end());
      if (!ever.empty()) {
        EXPECT_GE(f.e.IdCounter, *ever.rbegin());
      }
    }
  }
}

}  // namespace
}  // namespace qx
