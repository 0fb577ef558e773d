#pragma once
// The build request and its result. One AppGenerator value describes one app;
// generate() runs the three build stages and ends with exactly one BuildResult.

#include <gio/gio.h>

#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "builder/destination.hpp"
#include "builder/generator_error.hpp"
#include "builder/tool_paths.hpp"
#include "platform/image.hpp"

namespace builder {

// What the app shows: a web address exactly as typed, or a folder with a static site.
struct SiteSource {
  struct Url {
    std::string text;
  };
  struct LocalFolder {
    std::filesystem::path folder;
  };
  std::variant<Url, LocalFolder> value;

  static SiteSource url(std::string text) { return {Url{std::move(text)}}; }
  static SiteSource localFolder(std::filesystem::path folder) { return {LocalFolder{std::move(folder)}}; }
  bool isLocalFolder() const { return std::holds_alternative<LocalFolder>(value); }
  const Url* asUrl() const { return std::get_if<Url>(&value); }
  const LocalFolder* asLocalFolder() const { return std::get_if<LocalFolder>(&value); }
};

struct SigningMode {
  struct DeveloperID {
    std::string identity;
    std::optional<std::string> notaryProfile;
  };
  struct Adhoc {};
  std::variant<Adhoc, DeveloperID> value;

  static SigningMode adhoc() { return {Adhoc{}}; }
  static SigningMode developerID(std::string identity, std::optional<std::string> notaryProfile = std::nullopt) {
    return {DeveloperID{std::move(identity), std::move(notaryProfile)}};
  }
  bool isAdhoc() const { return std::holds_alternative<Adhoc>(value); }
  const DeveloperID* asDeveloperID() const { return std::get_if<DeveloperID>(&value); }
};

// Success carries the finished bundle, failure the error (a GeneratorError or
// a system error, each with its own message).
struct BuildResult {
  std::optional<std::filesystem::path> app;
  std::exception_ptr error;

  static BuildResult success(std::filesystem::path app) { return {std::move(app), nullptr}; }
  static BuildResult failure(std::exception_ptr error) { return {std::nullopt, std::move(error)}; }
  bool succeeded() const { return app.has_value(); }
  // The text shown to the user for a failure.
  std::string errorDescription() const;
};

using ProgressCallback = std::function<void(const std::string&)>;
using CompletionCallback = std::function<void(const BuildResult&)>;

struct AppGenerator {
  std::string name;
  SiteSource source;
  bool fullContent = false;
  std::optional<platform::Image> icon;
  platform::Color color = platform::Color::white();
  SigningMode signing = SigningMode::adhoc();

  // Returns at once. Both callbacks run on the main thread, in posting order;
  // the completion exactly once, after every progress text of this build.
  // Cancelling `cancellable` stops the build at the next file or stage and
  // ends a running tool; the destination then stays as it was and the
  // completion reports the stopped build's error (see staging.hpp).
  void generate(const std::filesystem::path& folder, ProgressCallback progress, CompletionCallback completion,
                GCancellable* cancellable = nullptr) const;
  // The same with Nimbrel's resources, tools and temporary folder given (tests).
  void generate(const std::filesystem::path& folder, const BuildEnvironment& environment, ProgressCallback progress,
                CompletionCallback completion, GCancellable* cancellable = nullptr) const;
};

// True when folder `a` is folder `b` or lies below it, after removing "." and
// ".." and resolving symbolic links; component-wise, case-sensitive.
bool isInside(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace builder
