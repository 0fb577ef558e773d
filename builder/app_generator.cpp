#include "builder/app_generator.hpp"

#include <system_error>
#include <vector>

#include "builder/build_callbacks.hpp"
#include "builder/bundle_assembly.hpp"
#include "builder/generator_error.hpp"
#include "builder/icon_set.hpp"
#include "builder/signing.hpp"
#include "platform/dispatch.hpp"

namespace builder {

namespace fs = std::filesystem;

std::string BuildResult::errorDescription() const {
  if (!error) return {};
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

void BuildCallbacks::reportProgress(const std::string& text) const {
  platform::postToMain([progress = progress, text] {
    if (progress) progress(text);
  });
}

void BuildCallbacks::complete(BuildResult result) const {
  platform::postToMain([completion = completion, result = std::move(result)] {
    if (completion) completion(result);
  });
}

ProgressCallback BuildCallbacks::reporter() const {
  return [self = *this](const std::string& text) { self.reportProgress(text); };
}

namespace {

std::vector<std::string> components(const fs::path& folder) {
  std::error_code ec;
  fs::path absolute = fs::absolute(folder, ec);
  if (ec) absolute = folder;
  fs::path resolved = fs::weakly_canonical(absolute, ec);
  if (ec) resolved = absolute.lexically_normal();
  std::vector<std::string> parts;
  for (const auto& part : resolved) {
    if (!part.empty() && part != ".") parts.push_back(part.string());
  }
  return parts;
}

void runBuild(const AppGenerator& request, const fs::path& folder, const BuildEnvironment& env,
              const BuildCallbacks& callbacks) {
  const fs::path destination = destinationFor(folder, request.name);
  if (auto problem = nameProblem(request.name)) {
    callbacks.complete(BuildResult::failure(std::make_exception_ptr(GeneratorError::fileError(*problem))));
    return;
  }
  if (const auto* site = request.source.asLocalFolder(); site && isInside(folder, site->folder)) {
    callbacks.complete(BuildResult::failure(std::make_exception_ptr(GeneratorError::destinationInsideSource())));
    return;
  }
  if (const auto* site = request.source.asLocalFolder(); site && isInside(site->folder, destination)) {
    // Replacing the app would delete the very site it is to be built from.
    callbacks.complete(BuildResult::failure(std::make_exception_ptr(GeneratorError::fileError(
        "The website folder lies inside the app it would replace. Move the folder elsewhere first."))));
    return;
  }
  if (auto problem = missingFolderProblem(destination)) {
    callbacks.complete(BuildResult::failure(std::make_exception_ptr(GeneratorError::fileError(*problem))));
    return;
  }
  std::shared_ptr<StagedBundle> staged;
  try {
    staged = createBundle(request, destination, env, callbacks.reporter(), callbacks.work.cancellable());
  } catch (...) {
    callbacks.complete(BuildResult::failure(std::current_exception()));
    return;
  }
  callbacks.reportProgress("Generating icon\u2026");
  const fs::path resources = staged->bundle() / "Contents" / "Resources";
  platform::postToMain([request, resources, staged, env, callbacks] {
    auto finish = [request, staged, env, callbacks] {
      platform::postToBackground([request, staged, env, callbacks] { finishBuild(request, staged, env, callbacks); });
    };
    // A stopped build goes straight to the stage that tidies up and tells.
    if (callbacks.work.isCancelled()) return finish();
    renderIcon(request, resources, env, finish);
  });
}

}  // namespace

bool isInside(const fs::path& a, const fs::path& b) {
  auto partsA = components(a);
  auto partsB = components(b);
  if (partsA.size() < partsB.size()) return false;
  for (size_t i = 0; i < partsB.size(); ++i) {
    if (partsA[i] != partsB[i]) return false;
  }
  return true;
}

void AppGenerator::generate(const fs::path& folder, ProgressCallback progress, CompletionCallback completion,
                            GCancellable* cancellable) const {
  generate(folder, BuildEnvironment::standard(), std::move(progress), std::move(completion), cancellable);
}

void AppGenerator::generate(const fs::path& folder, const BuildEnvironment& environment, ProgressCallback progress,
                            CompletionCallback completion, GCancellable* cancellable) const {
  BuildCallbacks callbacks{std::move(progress), std::move(completion), platform::Work::begin(cancellable)};
  platform::postToBackground(
      [request = *this, folder, environment, callbacks] { runBuild(request, folder, environment, callbacks); });
}

}  // namespace builder
