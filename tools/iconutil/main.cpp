// iconutil: turns an icon-set folder (icon_16x16.png … icon_512x512@2x.png)
// into one ICNS file with PNG-coded elements.

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "tools/common/atomic_file.hpp"
#include "tools/common/icns.hpp"
#include "tools/common/options.hpp"
#include "tools/common/tool_main.hpp"

namespace fs = std::filesystem;
namespace icns = tools::icns;

namespace {

constexpr const char* kUsage = "iconutil --convert icns [--output FILE.icns] FOLDER.iconset";

void warn(const fs::path& file, const std::string& message) {
  std::fprintf(stderr, "iconutil: %s: %s\n", file.c_str(), message.c_str());
}

std::vector<icns::Element> readIconSet(const fs::path& folder) {
  std::vector<icns::Element> elements;
  std::set<std::string> known;
  for (const auto& slot : icns::iconSetSlots()) {
    known.insert(std::string(slot.fileName));
    fs::path file = folder / slot.fileName;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) continue;
    auto bytes = tools::readWholeFile(file);
    auto size = icns::pngSize(bytes);
    if (!size) {
      warn(file, "not a PNG image; skipped");
      continue;
    }
    if (size->width != slot.pixels || size->height != slot.pixels) {
      warn(file, std::to_string(size->width) + "x" + std::to_string(size->height) + " pixels, expected " +
                     std::to_string(slot.pixels) + "x" + std::to_string(slot.pixels) + "; skipped");
      continue;
    }
    elements.push_back({std::string(slot.type), std::move(bytes)});
  }
  for (const auto& item : fs::directory_iterator(folder)) {
    if (!known.contains(item.path().filename().string())) warn(item.path(), "not an icon-set image name; ignored");
  }
  return elements;
}

fs::path defaultOutput(fs::path folder) {
  if (folder.filename().empty()) folder = folder.parent_path();  // "X.iconset/"
  if (folder.extension() == ".iconset") return folder.replace_extension(".icns");
  return folder.string() + ".icns";
}

int convert(const std::vector<std::string>& args) {
  static const tools::OptionRule specs[] = {
      {'c', "convert", tools::OptionValue::required},
      {'o', "output", tools::OptionValue::required},
  };
  auto parsed = tools::parseArguments(args, specs);
  if (!parsed.has("convert")) throw tools::UsageError("--convert is required");
  std::string format = parsed.last("convert");
  if (format != "icns") throw tools::UsageError("cannot convert to \"" + format + "\"; only icns is supported");
  if (parsed.operands.size() != 1) throw tools::UsageError("expected exactly one icon-set folder");

  fs::path folder = parsed.operands.front();
  fs::path output = parsed.has("output") ? fs::path(parsed.last("output")) : defaultOutput(folder);
  if (output.empty()) throw tools::UsageError("the output path is empty");
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw std::runtime_error(folder.string() + ": not a folder");

  auto elements = readIconSet(folder);
  if (elements.empty()) throw std::runtime_error(folder.string() + ": no valid icon images found; nothing written");
  tools::writeFileAtomically(output, icns::encode(elements));
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return tools::runTool("iconutil", kUsage, argc, argv, convert); }
