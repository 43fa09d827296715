#include "scene/outline.h"

#include <gtest/gtest.h>

#include "support/scene_samples.h"

namespace qx {
namespace {

using test::AddNode;
using test::AddSector;

std::vector<uint32_t> Levels(const std::vector<OutlineEntry>& entries) {
  std::vector<uint32_t> out;
  for (const auto& e : entries) out.push_back(e.level);
  return out;
}

TEST(Outline, WritesTabsPerLevelAndCrLf) {
  Editor e;
  TSector* a = AddSector(e, nullptr, "A");
  AddNode(e, a, kPolygon);
  TSector* b = AddSector(e, a, "B");
  AddNode(e, b, kLight);
  AddSector(e, nullptr, "C");
  std::string text;
  WriteOutline(text, e.Tree);
  EXPECT_EQ(text, "A\r\n\tViereck\r\n\tB\r\n\t\tLicht\r\nC\r\n");

  std::string sub;
  WriteOutline(sub, b);
  EXPECT_EQ(sub, "B\r\n\tLicht\r\n");
}

TEST(Outline, OneSectorWithQuadIsThirteenBytes) {
  Editor e;
  TSector* a = AddSector(e, nullptr, "A");
  AddNode(e, a, kPolygon);
  std::string text;
  WriteOutline(text, e.Tree);
  EXPECT_EQ(text, std::string("A\r\n\tViereck\r\n"));
  EXPECT_EQ(text.size(), 13u);
}

TEST(Outline, LineTextKeepsNestingForAwkwardNames) {
  EXPECT_EQ(OutlineLineText("Viereck"), "Viereck");
  EXPECT_EQ(OutlineLineText("  zwei"), "zwei");
  EXPECT_EQ(OutlineLineText("\t \tmix"), "mix");
  EXPECT_EQ(OutlineLineText("a\r\nb"), "a  b");
  EXPECT_EQ(OutlineLineText("\nx"), "x");
  EXPECT_EQ(OutlineLineText("inner  spaces "), "inner  spaces ");
  EXPECT_EQ(OutlineLineText(""), "");
  EXPECT_EQ(OutlineLineText("   "), "");
}

TEST(Outline, ParsesLevelsNamesAndLineEnds) {
  const std::string text = "A\r\n\tB\r\n  C\n\t\t\tx\r\n";
  std::vector<OutlineEntry> entries;
  std::string error;
  // Level 3 after level 2 is fine; level 1 counted from "\t" or one space.
  ASSERT_TRUE(ParseOutline(text, entries, &error)) << error;
  EXPECT_EQ(Levels(entries), (std::vector<uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(text.substr(entries[2].offset, entries[2].length), "C");
  EXPECT_EQ(text.substr(entries[3].offset, entries[3].length), "x");

  // The last line needs no line end; empty lines are nodes with empty names.
  ASSERT_TRUE(ParseOutline("A\r\n\r\n\tB", entries, &error));
  EXPECT_EQ(Levels(entries), (std::vector<uint32_t>{0, 0, 1}));
  EXPECT_EQ(entries[1].length, 0u);

  ASSERT_TRUE(ParseOutline("", entries, &error));
  EXPECT_TRUE(entries.empty());
}

TEST(Outline, RefusesLinesThatJumpLevels) {
  std::vector<OutlineEntry> entries;
  std::string error;
  EXPECT_FALSE(ParseOutline("A\r\n\t\tTief\r\n", entries, &error));
  EXPECT_EQ(error, "Ungültige Ebene (2) für Eintrag \"Tief\"");
  EXPECT_TRUE(entries.empty());

  EXPECT_FALSE(ParseOutline("\tErster\r\n", entries, &error));
  EXPECT_EQ(error, "Ungültige Ebene (1) für Eintrag \"Erster\"");

  // Names are Windows-1252 in files and UTF-8 in messages.
  EXPECT_FALSE(ParseOutline("A\r\n\t\t\xFC\r\n", entries, &error));
  EXPECT_EQ(error, "Ungültige Ebene (2) für Eintrag \"\xC3\xBC\"");
}

TEST(Outline, RefusesMoreEntriesThanAllowed) {
  std::vector<OutlineEntry> entries;
  std::string error;
  EXPECT_TRUE(ParseOutline("A\r\nB\r\n", entries, &error, 2));
  EXPECT_FALSE(ParseOutline("A\r\nB\r\nC\r\n", entries, &error, 2));
  EXPECT_FALSE(error.empty());
}

TEST(Outline, WriteThenParseKeepsStructureOfDeepTrees) {
  Editor e;
  TSector* parent = nullptr;
  for (int i = 0; i < 5000; ++i) parent = AddSector(e, parent, i % 2 ? " odd" : "even");
  AddSector(e, nullptr, "\tlast");
  std::string text;
  WriteOutline(text, e.Tree);
  std::vector<OutlineEntry> entries;
  std::string error;
  ASSERT_TRUE(ParseOutline(text, entries, &error)) << error;
  ASSERT_EQ(entries.size(), 5001u);
  for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(entries[i].level, i);
  EXPECT_EQ(entries.back().level, 0u);
  EXPECT_EQ(text.substr(entries.back().offset, entries.back().length), "last");
}

}  // namespace
}  // namespace qx
