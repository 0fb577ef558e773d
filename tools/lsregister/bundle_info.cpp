#include "tools/lsregister/bundle_info.hpp"

#include <glib.h>
#include <unistd.h>

#include <stdexcept>
#include <system_error>

#include "platform/plist.hpp"

namespace fs = std::filesystem;
namespace plist = platform::plist;

namespace lsregister {
namespace {

bool isUtf8(const std::string& s) { return g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr); }

bool isPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string nonEmpty(const plist::Dictionary& info, const char* key) {
  auto value = plist::lookup<std::string>(info, key);
  return value && isUtf8(*value) ? *value : std::string();
}

// Launchers show one line: control characters become spaces.
std::string singleLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return text;
}

}  // namespace

BundleInfo readBundleInfo(const fs::path& bundle) {
  std::error_code ec;
  fs::path path = fs::canonical(bundle, ec);
  if (ec) throw std::runtime_error(bundle.string() + ": " + ec.message());
  auto fail = [&](const std::string& what) { return std::runtime_error(path.string() + ": " + what); };
  if (!isUtf8(path.string())) throw fail("the path is not UTF-8, so no launcher can name it");

  auto value = plist::readFile(path / "Contents/Info.plist");
  const plist::Dictionary* info = value ? value->get<plist::Dictionary>() : nullptr;
  if (!info) throw fail("no readable Contents/Info.plist");

  BundleInfo result;
  result.path = path;
  result.identifier = nonEmpty(*info, "CFBundleIdentifier");
  if (result.identifier.empty()) throw fail("Info.plist has no CFBundleIdentifier");

  std::string executable = nonEmpty(*info, "CFBundleExecutable");
  if (!isPlainFileName(executable)) throw fail("Info.plist has no usable CFBundleExecutable");
  result.executable = path / "Contents/MacOS" / executable;
  if (!fs::is_regular_file(result.executable, ec) || ::access(result.executable.c_str(), X_OK) != 0)
    throw fail("the executable " + result.executable.string() + " is missing or not executable");

  result.name = nonEmpty(*info, "CFBundleDisplayName");
  if (result.name.empty()) result.name = nonEmpty(*info, "CFBundleName");
  if (result.name.empty()) result.name = path.stem().string();
  result.name = singleLine(result.name);

  std::string icon = nonEmpty(*info, "CFBundleIconFile");
  if (!isPlainFileName(icon)) icon = "AppIcon";
  if (fs::path(icon).extension().empty()) icon += ".icns";
  result.iconFile = path / "Contents/Resources" / icon;
  return result;
}

}  // namespace lsregister
