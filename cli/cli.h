#pragma once
// quarvex-cli: headless batch work on Quarvex files. Each command returns the
// process exit status: 0 done, 1 the work failed, 2 the command line was wrong.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document/editor.h"
#include "lighting/lightmap.h"

namespace qx::cli {

inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

int RunExport(const std::vector<std::string>& args);
int RunBake(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunDemo(const std::vector<std::string>& args);
int RunTexlib(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunRoom(const std::vector<std::string>& args);
int RunDoor(const std::vector<std::string>& args);

extern const char* const kExportHelp;
extern const char* const kBakeHelp;
extern const char* const kInfoHelp;
extern const char* const kDemoHelp;
extern const char* const kTexlibHelp;
extern const char* const kCheckHelp;
extern const char* const kRoomHelp;
extern const char* const kDoorHelp;

// Prints "quarvex-cli: <message>" on standard error and returns `status`.
int Fail(const std::string& message, int status = kFailed);

// "16x16" (or "16X16") with both sides in 1..kMaxLightmapSide.
std::optional<LightmapSize> ParseLightmapSize(const std::string& text);

// Loads a map document into a fresh editor; false with a message printed.
bool LoadDocument(Editor& editor, const std::filesystem::path& path);

// The progress bar's line after `elapsed_seconds`: "Lightmaps: 42% [####...  ] noch etwa 12 s".
std::string ProgressLine(int percent, double elapsed_seconds);

// Bakes with a progress bar on standard error when that is a terminal.
// Returns false with a message printed when the bake is refused.
bool BakeWithProgress(Editor& editor, LightmapSize size, uint64_t* shadow_queries = nullptr);

}  // namespace qx::cli
