// codesign: seals a bundle (Contents/_CodeSignature/CodeResources, see
// seal.hpp) and, with an identity other than "-", signs the seal with gpg.
// "--verify" checks a bundle against its seal and signature.

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "platform/plist.hpp"
#include "tools/codesign/gpg_signature.hpp"
#include "tools/codesign/seal.hpp"
#include "tools/common/atomic_file.hpp"
#include "tools/common/options.hpp"
#include "tools/common/tool_main.hpp"

namespace fs = std::filesystem;
namespace plist = platform::plist;

namespace {

constexpr const char* kUsage =
    "codesign [--force] [--options FLAGS] [--timestamp] [--entitlements FILE] --sign IDENTITY BUNDLE...\n"
    "       codesign --verify [--verbose] BUNDLE...";

const std::set<std::string> kKnownFlags{"runtime", "kill",    "hard",     "host",
                                        "expires", "library", "restrict", "linker-signed"};

std::vector<std::string> parseFlags(const std::string& list) {
  std::vector<std::string> flags;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string flag = list.substr(start, comma - start);
    if (!kKnownFlags.contains(flag)) throw tools::UsageError("unknown --options flag \"" + flag + "\"");
    flags.push_back(flag);
    start = comma + 1;
  }
  return flags;
}

plist::Dictionary readEntitlements(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw std::runtime_error(file.string() + ": cannot read entitlements file");
  auto value = plist::readFile(file);
  const plist::Dictionary* dict = value ? value->get<plist::Dictionary>() : nullptr;
  if (!dict) throw std::runtime_error(file.string() + ": entitlements are not a property-list dictionary");
  return *dict;
}

void requireBundle(const fs::path& bundle) {
  std::error_code ec;
  if (!fs::is_directory(bundle / "Contents", ec))
    throw std::runtime_error(bundle.string() + ": not a bundle (a folder with Contents inside)");
}

// Removes the listed files when signing stops half-way.
struct PendingFiles {
  std::vector<fs::path> paths;
  ~PendingFiles() {
    std::error_code ec;
    for (const auto& p : paths) fs::remove(p, ec);
  }
};

void writeSignedSeal(const fs::path& folder, const std::string& xml, const std::string& identity) {
  fs::path pendingSeal = folder / ".CodeResources.pending";
  fs::path pendingSignature = folder / ".CodeResources.asc.pending";
  PendingFiles pending{{pendingSeal, pendingSignature}};
  tools::writeFileAtomically(pendingSeal, xml);
  codesign::signDetached(pendingSeal, pendingSignature, identity);
  // The signature covers the seal's bytes, not its name, so both can move into place now.
  fs::rename(pendingSignature, folder / codesign::kSignatureName);
  fs::rename(pendingSeal, folder / codesign::kSealName);
}

void sign(const fs::path& bundle, const codesign::SealOptions& options, bool force) {
  requireBundle(bundle);
  fs::path folder = bundle / codesign::kSealFolder;
  std::error_code ec;
  if (!force && fs::exists(folder / codesign::kSealName, ec))
    throw std::runtime_error(bundle.string() + ": is already sealed; --force replaces the seal");

  std::string xml = plist::toXML(codesign::makeSeal(bundle, options));
  bool created = fs::create_directories(folder);
  try {
    if (options.identity == "-") {
      tools::writeFileAtomically(folder / codesign::kSealName, xml);
      fs::remove(folder / codesign::kSignatureName, ec);  // it signed an older seal
    } else {
      writeSignedSeal(folder, xml, options.identity);
    }
  } catch (...) {
    if (created) fs::remove(folder, ec);  // only succeeds while it is still empty
    throw;
  }
}

bool verify(const fs::path& bundle, bool verbose) {
  requireBundle(bundle);
  fs::path folder = bundle / codesign::kSealFolder;
  auto seal = plist::readFile(folder / codesign::kSealName);
  const plist::Dictionary* dict = seal ? seal->get<plist::Dictionary>() : nullptr;
  if (!dict) {
    std::fprintf(stderr, "%s: not sealed\n", bundle.c_str());
    return false;
  }
  auto problems = codesign::checkSeal(bundle, *dict);
  if (!problems.empty()) {
    std::fprintf(stderr, "%s: the bundle does not match its seal\n", bundle.c_str());
    for (const auto& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    return false;
  }
  std::error_code ec;
  bool signedWithKey = fs::exists(folder / codesign::kSignatureName, ec);
  if (signedWithKey) {
    if (auto failure = codesign::verifyDetached(folder / codesign::kSealName, folder / codesign::kSignatureName)) {
      std::fputs(failure->c_str(), stderr);
      return false;
    }
  }
  if (verbose) std::fprintf(stderr, "%s: seal intact%s\n", bundle.c_str(), signedWithKey ? ", signature good" : "");
  return true;
}

int run(const std::vector<std::string>& args) {
  static const tools::OptionRule specs[] = {
      {'f', "force"},
      {'s', "sign", tools::OptionValue::required},
      {'o', "options", tools::OptionValue::required},
      {'\0', "timestamp", tools::OptionValue::optional},
      {'\0', "entitlements", tools::OptionValue::required},
      {'v', "verify"},
      {'\0', "verbose", tools::OptionValue::optional},
      {'\0', "deep"},  // every seal already covers the whole bundle
      {'\0', "strict"},
  };
  auto parsed = tools::parseArguments(args, specs);
  bool signing = parsed.has("sign");
  if (signing == parsed.has("verify")) throw tools::UsageError("give either --sign IDENTITY or --verify");
  if (parsed.operands.empty()) throw tools::UsageError("no bundle given");

  if (!signing) {
    bool ok = true;
    for (const auto& bundle : parsed.operands) ok = verify(bundle, parsed.has("verbose")) && ok;
    return ok ? 0 : tools::kExitFailure;
  }

  codesign::SealOptions options;
  options.identity = parsed.last("sign");
  if (options.identity.empty()) throw tools::UsageError("the signing identity is empty");
  for (const auto& option : parsed.options) {
    if (option.name == "options") {
      auto flags = parseFlags(option.value);
      options.flags.insert(options.flags.end(), flags.begin(), flags.end());
    }
  }
  if (parsed.has("timestamp")) options.timestamp = parsed.last("timestamp") != "none";
  if (parsed.has("entitlements")) options.entitlements = readEntitlements(parsed.last("entitlements"));
  for (const auto& bundle : parsed.operands) sign(bundle, options, parsed.has("force"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return tools::runTool("codesign", kUsage, argc, argv, run); }
