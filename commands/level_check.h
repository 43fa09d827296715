#pragma once
// "Level prüfen": what is wrong with a level, found before the engine or the
// bake shows it. Every check is a function of the scene alone (tree, start
// position, the texture library's size, whether the lightmaps are out of
// date), so the command line, the tests and the panel ask the same thing.
//
// A level is judged room by room. A room is a sector that stands for a place
// of its own: a top-level sector, a sector holding a portal, or a sector a
// portal leads to. Sub-sectors that are none of these (a room's "Boden",
// "Wände", a platform) belong to the room around them. The checks of one
// room read only its own nodes, which lets the live check redo only the
// rooms an edit touched; the checks across rooms (portals, lights, the start
// position) are cheap and always run in full.
//
// Nothing here trusts the scene: coordinates may be NaN or infinite, links may
// name records that are gone. Such input gives findings, never a crash, and a
// link is followed only after it was found among the live records.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "scene/change_set.h"
#include "scene/scene_tree.h"

namespace qx {

class Document;

// Tolerances, in world units (the grid is 20 by default, doors and tiles are
// tens of units). See the README, "Level prüfen".
inline constexpr double kCheckSamePoint = 0.01;     // corners nearer than this are one corner
inline constexpr double kCheckGap = 0.05;           // edges and surfaces this near close a gap
inline constexpr double kCheckPlanar = 0.05;        // a corner this far off the others' plane is off it
inline constexpr double kCheckPortalPlace = 0.5;    // a return portal's corners may be this far off
inline constexpr double kCheckBox = 0.5;            // "inside a sector's box" allows this much outside
inline constexpr double kCheckLightWall = 1.0;      // a light this near behind a quad is in the wall
inline constexpr double kCheckLightClear = 2.0;     // the fix puts it this far in front
inline constexpr double kCheckPortalBehind = 1.0;   // "just behind a portal": this far off its plane
inline constexpr int kCheckPortalMaxCorners = 255;  // the level file stores a portal's corner count in a byte

enum class Severity : uint8_t { kError, kWarning };
// "Fehler" or "Warnung".
const char* SeverityText(Severity s);

// The sound fix a finding has, if any.
enum class FixKind : uint8_t {
  kNone,
  kLinkPortal,       // link to the sector whose box holds the point just behind the portal
  kAddReturnPortal,  // a reversed copy in the linked sector, linked back
  kRemoveQuad,       // a degenerate quad goes
  kTurnQuad,         // a quad facing out of its closed room is turned
  kMoveLight,        // a light in a wall moves out along the wall's normal
  kMoveStart,        // the start position goes to the centre of the first sector
  kBakeAgain,        // the lightmaps are computed again
};

struct Finding {
  Severity severity = Severity::kWarning;
  std::string code;  // stable, e.g. "portal.oneway"
  std::string text;  // German, UTF-8, names the node: "Portal 'Gang' (17) ist mit keinem Sektor verbunden."
  // The nodes concerned, the one at fault first; ids, and the records as they
  // were when the check ran (for selecting them; stale after the next change).
  std::vector<uint32_t> ids;
  std::vector<const TSector*> nodes;
  FixKind fix = FixKind::kNone;

  // Names the finding across re-checks, for hiding it: code and ids.
  std::string Key() const;
};

struct CheckOptions {
  // Entries of the texture library; without one, texture indices are not checked.
  std::optional<int> texture_count;
  // A bake exists and geometry or lights changed since.
  bool lightmaps_stale = false;
};

// Errors first, then by code and node ids: the order the panel and the
// command line show.
void SortFindings(std::vector<Finding>& findings);

// Every check over the whole level, sorted.
std::vector<Finding> CheckLevel(const SceneTree& tree, const Vector& start, const CheckOptions& options = {});
// The document's tree and start position; the texture count is the library's
// when it holds any texture.
std::vector<Finding> CheckDocument(const Document& doc, bool lightmaps_stale = false);

// "Type 'name' (id)", the way findings name a node: "Portal 'Gang' (17)".
std::string NodeLabel(const TSector* node);

// The sector a portal should lead to: the one whose box holds the point just
// behind it (either side, away from the portal's own sector), when exactly
// one such sector exists.
TSector* PortalLinkTarget(const SceneTree& tree, const TSector* portal);
// The room a node belongs to (see above), or null for a node outside every sector.
const TSector* RoomOf(const SceneTree& tree, const TSector* node);

// ---- The live check ----

// Re-checks a document as it is edited: structure through the tree's
// notifications, fields through the document's change sets. Only rooms whose
// records changed (or whose membership did) are checked again; the checks
// across rooms run each time. It also remembers what the level looked like at
// the last bake, for the "lightmaps out of date" finding.
class LevelChecker : public DocumentListener, private TreeListener {
 public:
  explicit LevelChecker(Document& doc);
  ~LevelChecker() override;
  LevelChecker(const LevelChecker&) = delete;
  LevelChecker& operator=(const LevelChecker&) = delete;

  // While inactive only the bake fingerprint is followed; activating checks in full.
  void SetActive(bool active);
  bool Active() const { return active_; }

  // Changes are noted; with `on_pending` set, it is called (once per batch) so
  // that the caller runs Update() when it suits it, else Update() runs at once.
  void DocumentChanged(const ChangeSet& changes) override;
  std::function<void()> on_pending;
  // Brings the findings up to date; true when they were out of date.
  bool Update();
  void CheckAll();
  bool Pending() const { return active_ && (full_ || !dirty_.empty() || pending_global_); }

  const std::vector<Finding>& Findings() const { return findings_; }
  // Counts the documents seen: grows when a new or loaded document replaced the last.
  int DocumentGeneration() const { return generation_; }
  bool LightmapsStale() const;
  // Told after every Update that changed the findings.
  std::function<void()> on_update;

  struct Stats {
    double milliseconds = 0;
    int rooms_checked = 0;
    int rooms_total = 0;
    bool full = false;
  };
  const Stats& LastStats() const { return stats_; }

 private:
  struct RoomEntry {
    uint64_t members = 0;  // a hash of the room's member records, in order
    std::vector<Finding> findings;
  };

  // TreeListener: which rooms a structure change touched.
  void AfterInsert(TSector* node) override { touched_.push_back(node); }
  void BeforeRemove(TSector* node) override { touched_.push_back(node->Parent); }
  void BeforeMove(TSector* node, TSector*, int) override { touched_.push_back(node->Parent); }
  void AfterMove(TSector* node) override { touched_.push_back(node); }
  void AfterReset() override { full_ = true; }
  void TreeGone() override { tree_gone_ = true; }

  uint64_t Fingerprint() const;

  Document& doc_;
  bool active_ = false;
  bool full_ = true;
  bool pending_global_ = false;
  bool tree_gone_ = false;
  std::vector<const TSector*> dirty_;    // changed records (compared, never followed)
  std::vector<const TSector*> touched_;  // inserted or moved records, parents of removed ones
  std::optional<int> texture_count_;
  std::unordered_map<const TSector*, RoomEntry> rooms_;
  std::vector<Finding> findings_;
  uint64_t baked_fingerprint_ = 0;
  bool have_bake_ = false;
  int generation_ = 0;
  Stats stats_;
};

}  // namespace qx
