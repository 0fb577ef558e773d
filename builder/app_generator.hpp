#pragma once
// One build request and the pipeline that turns it into NAME.app:
//   stage 1 (background): destination checks, bundle assembly
//   stage 2 (main thread): icon set
//   stage 3 (background): attribute clearing, signing, notarization, registration
// Every progress text and the single result are posted to the main thread,
// in order.

#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "builder/tool_paths.hpp"
#include "platform/image.hpp"

namespace builder {

class SiteSource {
 public:
  // A web address exactly as typed; the generated app interprets it.
  static SiteSource url(std::string address) { return SiteSource(Url{std::move(address)}); }
  // A folder holding a static site.
  static SiteSource localFolder(std::filesystem::path folder) { return SiteSource(Folder{std::move(folder)}); }

  const std::string* asURL() const {
    auto* u = std::get_if<Url>(&value_);
    return u ? &u->address : nullptr;
  }
  const std::filesystem::path* asLocalFolder() const {
    auto* f = std::get_if<Folder>(&value_);
    return f ? &f->folder : nullptr;
  }

 private:
  struct Url {
    std::string address;
  };
  struct Folder {
    std::filesystem::path folder;
  };
  explicit SiteSource(std::variant<Url, Folder> value) : value_(std::move(value)) {}
  std::variant<Url, Folder> value_;
};

class SigningMode {
 public:
  struct DeveloperID {
    std::string identity;
    std::optional<std::string> notaryProfile;
    bool operator==(const DeveloperID&) const = default;
  };

  static SigningMode adhoc() { return SigningMode(std::monostate{}); }
  static SigningMode developerID(std::string identity, std::optional<std::string> notaryProfile = std::nullopt) {
    return SigningMode(DeveloperID{std::move(identity), std::move(notaryProfile)});
  }

  bool isAdhoc() const { return std::holds_alternative<std::monostate>(value_); }
  const DeveloperID* asDeveloperID() const { return std::get_if<DeveloperID>(&value_); }
  bool operator==(const SigningMode&) const = default;

 private:
  explicit SigningMode(std::variant<std::monostate, DeveloperID> value) : value_(std::move(value)) {}
  std::variant<std::monostate, DeveloperID> value_;
};

// The completion value: the finished bundle, or the error that ended the build
// (a GeneratorError, or a system error such as std::filesystem::filesystem_error
// or std::system_error).
class BuildResult {
 public:
  static BuildResult success(std::filesystem::path app) { return BuildResult(std::move(app)); }
  static BuildResult failure(std::exception_ptr error) { return BuildResult(std::move(error)); }

  bool succeeded() const { return std::holds_alternative<std::filesystem::path>(value_); }
  const std::filesystem::path* app() const { return std::get_if<std::filesystem::path>(&value_); }
  std::exception_ptr error() const;
  // The text to show for a failure (the error's own description); empty on success.
  std::string errorDescription() const;

 private:
  explicit BuildResult(std::variant<std::filesystem::path, std::exception_ptr> value) : value_(std::move(value)) {}
  std::variant<std::filesystem::path, std::exception_ptr> value_;
};

using ProgressCallback = std::function<void(const std::string&)>;
using CompletionCallback = std::function<void(BuildResult)>;

struct AppGenerator {
  std::string name;
  SiteSource source = SiteSource::url("");
  bool fullContent = false;
  // The picture in the middle of the icon; without one the icon is the bare shape.
  std::optional<platform::Image> icon;
  platform::Color color = platform::Color::white();
  SigningMode signing = SigningMode::adhoc();

  // Builds NAME.app inside `folder` and returns at once. `progress` runs zero
  // or more times, then `completion` exactly once, all on the main thread.
  void generate(const std::filesystem::path& folder, ProgressCallback progress, CompletionCallback completion) const;
  void generate(const std::filesystem::path& folder, const BuildEnvironment& environment, ProgressCallback progress,
                CompletionCallback completion) const;
};

// The destination of a build: `name` + ".app" appended to `folder` as a path
// (a "/" in the name reaches into a sub-folder, as typed).
std::filesystem::path destinationFor(const std::filesystem::path& folder, const std::string& name);

// True when folder `a` is folder `b` or lies below it, after removing "." and
// ".." and resolving symbolic links; component-wise, case-sensitive.
bool isInside(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace builder
