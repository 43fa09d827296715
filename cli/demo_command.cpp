// quarvex-cli demo ORDNER: writes the demo level (demo.qxm, lit) and its
// texture library (demo.tex) into a folder.

#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/demo_level.h"
#include "document/map_document_io.h"
#include "textures/texture_library_file.h"

namespace qx::cli {

const char* const kDemoHelp =
    "Aufruf: quarvex-cli demo ORDNER\n"
    "\n"
    "Schreibt das Demo-Level (ORDNER/demo.qxm, mit berechneten Vertexfarben) und\n"
    "seine Texturbibliothek (ORDNER/demo.tex). Der Ordner wird angelegt.\n";

int RunDemo(const std::vector<std::string>& args) {
  if (args.size() != 1) return Fail(std::string("demo braucht genau einen Ordner\n\n") + kDemoHelp, kUsage);
  const std::filesystem::path folder = args[0];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return Fail("Ordner kann nicht angelegt werden: " + folder.string());

  Editor editor;
  BuildDemoScene(editor);
  editor.Textures.ReplaceAll(DemoTextures());
  std::string message;
  if (ComputeLightmaps(editor, LightmapSize{}, {}, nullptr, &message) != BakeStatus::kDone)
    return Fail("Beleuchtung fehlgeschlagen: " + message);
  if (!SaveMapDocument(editor, folder / "demo.qxm", &message)) return Fail(message);
  if (!SaveTextureLibrary(editor.Textures, folder / "demo.tex", message)) return Fail(message);
  std::printf("%s\n%s\n", (folder / "demo.qxm").string().c_str(), (folder / "demo.tex").string().c_str());
  return kOk;
}

}  // namespace qx::cli
