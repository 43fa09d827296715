#include "commands/tree_edit.h"

#include <gtest/gtest.h>

#include "commands/recording_view.h"
#include "support/test_support.h"

namespace qx {
namespace {

using test::RecordingView;

struct Scene {
  Editor e;
  test::FakePrompts prompts;
  RecordingView view;
  Scene() {
    e.prompts = &prompts;
    view.Attach(e);
    e.NewScene();
  }
  TSector* Sector(TSector* parent = nullptr) {
    TSector* s = e.CreateNode(parent, kSector);
    s->Id = e.NextId();
    s->Visible = 1;
    return s;
  }
  // A square as "Quadrat" makes it, centred at (x, y, 0).
  TSector* Quad(TSector* parent, float x, float y) {
    TSector* q = e.CreateNode(parent, kPolygon);
    q->Id = e.NextId();
    q->Visible = 1;
    q->ResizeVertices(4);
    const float px[4] = {30, -30, 30, -30}, py[4] = {30, 30, -30, -30};
    const float tu[4] = {1, 0, 1, 0}, tv[4] = {1, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
      TVertex& v = q->Vertices[i];
      v.Position = {x + px[i], y + py[i], 0};
      v.TexCoord[0] = tu[i];
      v.TexCoord[1] = tv[i];
      for (float& c : v.Color) c = 1;
    }
    for (TVertex& v : q->Vertices) v.Id = e.NextId();
    q->ResizeTriangles(2);
    q->Triangles[0] = {0, 1, 2, {0, 0, 1}, 0, 77, 3};
    q->Triangles[1] = {3, 2, 1, {0, 0, 1}, 0, 78, 4};
    return q;
  }
  TSector* Leaf(TSector* parent, uint8_t type) {
    TSector* n = e.CreateNode(parent, type);
    n->Id = e.NextId();
    return n;
  }
  void Select(TSector* n) {
    for (TSector* s : e.SelectionList) s->Marked = 0;
    e.SelectionList = {n};
    n->Marked = 1;
    e.TreeSelection = n;
  }
};

std::vector<uint32_t> IdsInWalkOrder(TSector* root) {
  std::vector<uint32_t> ids;
  SceneTree::WalkSubtree(root, [&](TSector* n) {
    ids.push_back(n->Id);
    for (const TVertex& v : n->Vertices) ids.push_back(v.Id);
  });
  return ids;
}

TEST(TreeEditPaste, SectorCopiedDeeplyIntoAnotherSector) {
  Scene s;
  TSector* a = s.Sector();
  a->Name = "Halle";
  a->NoInsideTest = 1;
  TSector* q1 = s.Quad(a, 0, 0);
  q1->TextureIndex = 3;
  q1->ColorKey = 1;
  q1->LightingMode = 1;
  TSector* q2 = s.Quad(a, 100, 0);
  q2->Vertices[1].Marked = 1;
  TSector* b = s.Sector();
  const uint32_t before = s.e.IdCounter;
  s.e.VertexMode = true;

  s.Select(a);
  CopySelection(s.e);
  EXPECT_TRUE(s.e.ClipboardFilled);
  s.Select(b);
  PasteClipboard(s.e);

  ASSERT_EQ(b->Children.size(), 1u);
  TSector* copy = b->Children[0].get();
  EXPECT_EQ(copy->Name, "Halle");
  EXPECT_EQ(copy->ImageIndex, kIconSectorNoInsideTest);
  EXPECT_EQ(copy->Marked, 0);  // not in the selection list, so not drawn marked
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{b});
  EXPECT_EQ(s.e.TreeSelection, copy);  // children are copied without selecting them
  ASSERT_EQ(copy->Children.size(), 2u);
  // Fresh ids in walk order: sector, quad 1, its vertices, quad 2, its vertices.
  std::vector<uint32_t> expected;
  for (uint32_t id = before + 1; id <= before + 11; ++id) expected.push_back(id);
  EXPECT_EQ(IdsInWalkOrder(copy), expected);
  EXPECT_EQ(s.e.IdCounter, before + 11);

  const TSector* c1 = copy->Children[0].get();
  EXPECT_EQ(c1->TextureIndex, 3);
  EXPECT_EQ(c1->ColorKey, 1);
  EXPECT_EQ(c1->LightingMode, 1);
  EXPECT_EQ(c1->ImageIndex, kIconPolygon);
  EXPECT_EQ(c1->Marked, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c1->Vertices[i].Position, q1->Vertices[i].Position);
    EXPECT_EQ(c1->Vertices[i].TexCoord[0], q1->Vertices[i].TexCoord[0]);
    EXPECT_EQ(c1->Vertices[i].TexCoord[1], q1->Vertices[i].TexCoord[1]);
  }
  ASSERT_EQ(c1->TriangleCount, 2);
  EXPECT_EQ(c1->Triangles[1].V0, 3);
  EXPECT_EQ(c1->Triangles[1].Normal, (Vector{0, 0, 1}));
  for (const TTriangle& t : c1->Triangles) {
    EXPECT_EQ(t.LightmapTexture, 0u);  // no lightmap on a copy
    EXPECT_EQ(t.LightmapIndex, 0);
  }
  EXPECT_EQ(copy->Children[1]->Vertices[1].Marked, 0);
  EXPECT_FALSE(s.e.VertexMode);
  EXPECT_GE(s.view.redraws, 1);
  // The source is untouched.
  EXPECT_EQ(a->Children.size(), 2u);
  EXPECT_EQ(q2->Vertices[1].Marked, 1);
}

TEST(TreeEditPaste, BesideTheSectorItselfRefusedIntoItsDescendants) {
  Scene s;
  TSector* a = s.Sector();
  TSector* q = s.Quad(a, 0, 0);
  TSector* sub = s.Sector(a);
  TSector* deep = s.Quad(sub, 0, 0);
  TSector* light = s.Leaf(nullptr, kLight);
  s.e.SelectionList = {a, light};
  CopySelection(s.e);
  const size_t count = s.e.Tree.Count();

  s.Select(q);  // destination: a itself, so the copy goes beside a, to the top level
  PasteClipboard(s.e);
  EXPECT_TRUE(s.prompts.warnings.empty());
  ASSERT_EQ(s.e.Tree.TopLevel().size(), 3u);
  TSector* copy = s.e.Tree.TopLevel()[2].get();  // added last, after the light
  ASSERT_EQ(copy->NodeType, kSector);
  ASSERT_FALSE(copy->Children.empty());
  EXPECT_NE(copy->Id, a->Id);
  EXPECT_EQ(s.e.Tree.Count(), count + 5);  // a, q, sub and deep again, and the light
  // The light follows the copy, which is the tree's current node now.
  EXPECT_EQ(copy->Children.back()->NodeType, kLight);

  const size_t before = s.e.Tree.Count();
  s.Select(deep);  // destination: the sub-sector inside a
  PasteClipboard(s.e);
  ASSERT_EQ(s.prompts.warnings.size(), 1u);
  EXPECT_EQ(s.prompts.warnings[0], "Sie können nicht einen Sektor in sich selbst kopieren!");
  EXPECT_EQ(s.e.Tree.Count(), before + 1);
  EXPECT_EQ(sub->Children.back()->NodeType, kLight);
}

TEST(TreeEditPaste, LeavesGoNextToTheTreeSelection) {
  Scene s;
  TSector* a = s.Sector();
  TSector* light = s.Leaf(a, kLight);
  light->Position = {1, 2, 3};
  light->Brightness = 30;
  light->Range = 40;
  light->Shadow = 1;
  light->Color[1] = 128;
  light->Kind = 1;
  TSector* b = s.Sector();
  TSector* poly = s.Quad(b, 0, 0);
  s.Select(light);
  CopySelection(s.e);
  light->Brightness = 99;  // the clipboard holds references: the paste sees this
  s.Select(poly);
  PasteClipboard(s.e);
  ASSERT_EQ(b->Children.size(), 2u);
  const TSector* c = b->Children[1].get();
  EXPECT_EQ(c->NodeType, kLight);
  EXPECT_EQ(c->Kind, 1);
  EXPECT_EQ(c->Position, (Vector{1, 2, 3}));
  EXPECT_EQ(c->Brightness, 99);
  EXPECT_EQ(c->Range, 40);
  EXPECT_EQ(c->Shadow, 1);
  EXPECT_EQ(c->Color[1], 128);
  EXPECT_EQ(c->ImageIndex, kIconLight);
  EXPECT_EQ(s.e.TreeSelection, poly);  // a light never becomes the tree selection

  // A polygon does: pasting it twice puts the second copy next to the first.
  s.Select(poly);
  CopySelection(s.e);
  PasteClipboard(s.e);
  EXPECT_EQ(s.e.TreeSelection, b->Children[2].get());
  PasteClipboard(s.e);
  EXPECT_EQ(b->Children.size(), 4u);
  EXPECT_EQ(s.e.TreeSelection, b->Children[3].get());
}

TEST(TreeEditPaste, CopiedPortalIsUnlinkedAndModelHasNoLoaderOrPosition) {
  Scene s;
  TSector* a = s.Sector();
  TSector* b = s.Sector();
  TSector* portal = s.Leaf(a, kPortal);
  portal->ResizeVertices(4);
  portal->LinkedSector = b;
  portal->LinkedSectorId = b->Id;
  portal->IsLinked = 1;
  portal->NoFrustum = 1;
  TSector* model = s.Leaf(a, kModel);
  model->Position = {5, 5, 5};
  model->ResizeVertices(3);
  model->ResizeTriangles(1);
  s.e.SelectionList = {portal, model};
  CopySelection(s.e);
  s.Select(b);
  PasteClipboard(s.e);
  ASSERT_EQ(b->Children.size(), 2u);
  const TSector* p = b->Children[0].get();
  EXPECT_EQ(p->NodeType, kPortal);
  EXPECT_EQ(p->IsLinked, 0);
  EXPECT_EQ(p->LinkedSector, nullptr);
  EXPECT_EQ(p->LinkedSectorId, 0u);
  EXPECT_EQ(p->NoFrustum, 1);
  EXPECT_EQ(p->ImageIndex, kIconPortal);
  const TSector* m = b->Children[1].get();
  EXPECT_EQ(m->ModelLoader, nullptr);
  EXPECT_EQ(m->Position, (Vector{}));
  EXPECT_EQ(m->VertexCount, 3);
  EXPECT_EQ(m->TriangleCount, 1);
  EXPECT_EQ(m->ImageIndex, kIconModel);
}

TEST(TreeEditPaste, NothingWithoutClipboardTopLevelWithoutTreeSelection) {
  Scene s;
  TSector* a = s.Sector();
  PasteClipboard(s.e);  // never copied
  CopySelection(s.e);   // empty selection: no copy
  EXPECT_FALSE(s.e.ClipboardFilled);
  s.Select(a);
  CopySelection(s.e);
  s.e.TreeSelection = nullptr;
  PasteClipboard(s.e);
  EXPECT_EQ(s.e.Tree.Count(), 2u);
  EXPECT_EQ(s.e.Tree.TopLevel().size(), 2u);
}

TEST(TreeEditPaste, DeletedClipboardEntriesAreNeverFollowed) {
  Scene s;
  TSector* a = s.Sector();
  TSector* q = s.Quad(a, 0, 0);
  TSector* light = s.Leaf(a, kLight);
  TSector* b = s.Sector();
  s.e.SelectionList = {q, light};
  CopySelection(s.e);
  s.Select(q);
  DeleteSelection(s.e);
  EXPECT_EQ(s.e.ClipboardList, std::vector<TSector*>{light});
  s.Select(b);
  PasteClipboard(s.e);
  ASSERT_EQ(b->Children.size(), 1u);
  EXPECT_EQ(b->Children[0]->NodeType, kLight);

  s.Select(light);
  DeleteSelection(s.e);
  EXPECT_FALSE(s.e.ClipboardFilled);
  s.Select(b);
  PasteClipboard(s.e);
  EXPECT_EQ(b->Children.size(), 1u);
}

TEST(TreeEditCopySubtree, SiblingsChildrenAndDeepNesting) {
  Scene s;
  TSector* a = s.Sector();
  TSector* first = s.Leaf(a, kLight);
  TSector* sub = s.Sector(a);
  s.Leaf(sub, kActor)->Heading = 45;
  TSector* dest = s.Sector();
  const uint32_t before = s.e.IdCounter;
  TSector* last = CopySubtree(s.e, dest, first, false, false);
  ASSERT_EQ(dest->Children.size(), 2u);
  EXPECT_EQ(last, dest->Children[1].get());
  EXPECT_EQ(dest->Children[1]->Children[0]->Heading, 45);
  EXPECT_EQ(IdsInWalkOrder(dest), (std::vector<uint32_t>{dest->Id, before + 1, before + 2, before + 3}));

  // Single: the node only, without its children.
  CopySubtree(s.e, dest, sub, false, true);
  EXPECT_EQ(dest->Children.size(), 3u);
  EXPECT_TRUE(dest->Children[2]->Children.empty());

  // Nesting far deeper than a recursive copy could take.
  TSector* chain = s.Sector();
  TSector* n = chain;
  for (int i = 0; i < 100000; ++i) n = s.Sector(n);
  TSector* top = CopySubtree(s.e, nullptr, chain, false, false);
  size_t depth = 0;
  for (TSector* m = top; !m->Children.empty(); m = m->Children[0].get()) ++depth;
  EXPECT_EQ(depth, 100000u);
}

TEST(TreeEditDelete, AsksFirstAndSkipsNodesGoneWithAnEarlierEntry) {
  Scene s;
  TSector* a = s.Sector();
  TSector* q = s.Quad(a, 0, 0);
  TSector* b = s.Sector();
  s.e.SelectionList = {a, q, b};
  a->Marked = q->Marked = b->Marked = 1;
  s.prompts.confirm_answers = {false};
  DeleteSelection(s.e);
  EXPECT_EQ(s.prompts.confirmations, std::vector<std::string>{"Wircklich löschen?"});
  EXPECT_EQ(s.e.Tree.Count(), 3u);
  EXPECT_EQ(s.e.SelectionList.size(), 3u);

  TSector* c = s.Sector();
  DeleteSelection(s.e);  // Yes
  EXPECT_EQ(s.e.Tree.Count(), 1u);
  EXPECT_EQ(s.e.Tree.First(), c);
  EXPECT_TRUE(s.e.SelectionList.empty());

  s.prompts.confirmations.clear();
  DeleteSelection(s.e);  // empty selection: not even asked
  EXPECT_TRUE(s.prompts.confirmations.empty());
}

TEST(TreeEditRename, NameTextAndTreeClick) {
  Scene s;
  TSector* a = s.Sector();
  a->Name = "Halle";
  s.e.TreeSelection = a;
  s.prompts.text_answers = {std::string("Küche")};
  RenameTreeSelection(s.e);
  EXPECT_EQ(a->Name,
            "K\xFC"
            "che");  // stored as Windows-1252
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{a});
  EXPECT_EQ(a->Marked, 1);

  s.prompts.text_answers = {std::string("")};
  RenameTreeSelection(s.e);
  EXPECT_EQ(a->Name, "");

  s.prompts.text_answers = {std::nullopt};  // Cancel keeps the name, still selects
  a->Name = "X";
  s.e.SelectionList.clear();
  RenameTreeSelection(s.e);
  EXPECT_EQ(a->Name, "X");
  EXPECT_EQ(s.e.SelectionList.size(), 1u);

  // A line break or TAB in a name would split its line of the tree outline.
  s.prompts.text_answers = {std::string("a\tb\r\nc")};
  RenameTreeSelection(s.e);
  EXPECT_EQ(a->Name, "a b  c");

  s.e.TreeSelection = nullptr;
  s.prompts.text_answers = {std::string("never")};
  RenameTreeSelection(s.e);
  EXPECT_EQ(s.prompts.text_answers.size(), 1u);  // not asked
}

TEST(TreeEditDragDrop, LinksPortalsAndMovesNodes) {
  Scene s;
  TSector* a = s.Sector();
  a->Name = "Flur";
  TSector* portal = s.Leaf(a, kPortal);
  TSector* b = s.Sector();
  TSector* q1 = s.Quad(b, 0, 0);
  TSector* q2 = s.Quad(b, 0, 0);

  s.e.TreeSelection = b;  // drag sector b onto the portal
  EXPECT_TRUE(TreeDragDrop(s.e, portal));
  EXPECT_EQ(portal->LinkedSector, b);
  EXPECT_EQ(portal->LinkedSectorId, b->Id);
  EXPECT_EQ(portal->IsLinked, 1);
  EXPECT_EQ(portal->Name, b->Name);
  EXPECT_EQ(s.e.TreeSelection, portal);
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{portal});
  EXPECT_EQ(b->Parent, nullptr);  // not moved

  s.e.TreeSelection = q2;  // before a sibling
  EXPECT_TRUE(TreeDragDrop(s.e, q1));
  EXPECT_EQ(b->Children[0].get(), q2);
  EXPECT_FALSE(TreeDragDrop(s.e, q1));  // already there

  s.e.TreeSelection = q1;  // into a sector, as its last child
  EXPECT_TRUE(TreeDragDrop(s.e, a));
  EXPECT_EQ(q1->Parent, a);
  EXPECT_EQ(a->Children.back().get(), q1);

  s.e.TreeSelection = a;  // never into its own subtree
  EXPECT_FALSE(TreeDragDrop(s.e, q1));
  TSector* sub = s.Sector(a);
  EXPECT_FALSE(TreeDragDrop(s.e, sub));
  EXPECT_FALSE(TreeDragDrop(s.e, a));
  EXPECT_EQ(a->Parent, nullptr);

  s.e.TreeSelection = portal;  // a portal dropped on itself stays unlinked from itself
  EXPECT_FALSE(TreeDragDrop(s.e, portal));
  EXPECT_EQ(portal->LinkedSector, b);
  EXPECT_FALSE(TreeDragDrop(s.e, nullptr));

  // Deleting the linked sector unlinks the portal.
  s.Select(b);
  DeleteSelection(s.e);
  EXPECT_EQ(portal->LinkedSector, nullptr);
  EXPECT_EQ(portal->IsLinked, 0);
}

TEST(TreeEditMarking, ParentAndFirstChild) {
  Scene s;
  TSector* a = s.Sector();
  TSector* q = s.Quad(a, 10, 0);
  TSector* other = s.Quad(a, 0, 0);
  s.e.SelectionList = {other, q};  // the last entry counts
  other->Marked = q->Marked = 1;
  SelectParentObject(s.e);
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{a});
  EXPECT_EQ(a->Marked, 1);
  EXPECT_EQ(q->Marked, 0);
  EXPECT_EQ(other->Marked, 0);
  EXPECT_EQ(s.e.TreeSelection, a);
  EXPECT_EQ(a->BoundsMax, (Vector{40, 30, 0}));  // bounds computed
  EXPECT_EQ(s.view.shown.back(), a);

  SelectParentObject(s.e);  // top level: nothing
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{a});
  SelectFirstChildObject(s.e);
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{q});
  SelectFirstChildObject(s.e);  // a quad has no children
  EXPECT_EQ(s.e.SelectionList, std::vector<TSector*>{q});
  s.e.SelectionList.clear();
  SelectParentObject(s.e);
  EXPECT_TRUE(s.e.SelectionList.empty());
}

}  // namespace
}  // namespace qx
