#include "builder/signing.hpp"

#include <glib.h>

#include <algorithm>
#include <system_error>

#include "builder/bundle_assembly.hpp"
#include "builder/generator_error.hpp"
#include "builder/subprocess.hpp"
#include "platform/plist.hpp"

namespace builder {

namespace fs = std::filesystem;

namespace {

void removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

std::string decodeLeniently(const std::string& bytes) {
  if (g_utf8_validate_len(bytes.data(), bytes.size(), nullptr)) return bytes;
  char* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
  std::string text(valid);
  g_free(valid);
  return text;
}

std::string newUUIDString() {
  char* uuid = g_uuid_string_random();
  std::string text(uuid);
  g_free(uuid);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

void finishBuild(const AppGenerator& request, std::shared_ptr<StagedBundle> staged, const BuildEnvironment& env,
                 const BuildCallbacks& callbacks) {
  const fs::path app = staged->bundle();
  const fs::path destination = staged->destination();
  GCancellable* cancellable = callbacks.work.cancellable();
  try {
    runAndWait({env.tools.xattr.string(), "-cr", app.string()}, cancellable);  // its exit status does not matter
    signApp(request, app, env, callbacks.reporter(), cancellable);
    throwIfCancelled(cancellable);
    // Registered under the folder lock, so the last app swapped in is the one registered.
    staged->commit([&] { registerApp(destination, env.tools.lsregister); });
  } catch (...) {
    staged->discard();  // the unfinished bundle goes before the failure is told
    callbacks.complete(BuildResult::failure(std::current_exception()));
    return;
  }
  staged->discard();  // the replaced app goes with its room
  callbacks.complete(BuildResult::success(destination));
}

void signApp(const AppGenerator& request, const fs::path& app, const BuildEnvironment& env,
             const ProgressCallback& progress, GCancellable* cancellable) {
  const auto* developer = request.signing.asDeveloperID();
  if (!developer) {
    progress("Signing app\u2026");
    runCodesign(env.tools.codesign, {"--force", "--sign", "-", app.string()}, cancellable);
    return;
  }
  progress("Signing with Developer ID\u2026");
  const fs::path entitlements = writeEntitlements(env.temporaryFolder);
  // On failure the entitlements file stays behind for inspection; a stopped build leaves nothing.
  try {
    runCodesign(env.tools.codesign, {"--force", "--options", "runtime", "--timestamp", "--entitlements",
                                     entitlements.string(), "--sign", developer->identity, app.string()},
                cancellable);
  } catch (...) {
    if (g_cancellable_is_cancelled(cancellable)) removeQuietly(entitlements);
    throw;
  }
  removeQuietly(entitlements);
  if (developer->notaryProfile) notarizeApp(app, *developer->notaryProfile, env, progress, cancellable);
}

void runCodesign(const fs::path& codesign, const std::vector<std::string>& arguments, GCancellable* cancellable) {
  std::vector<std::string> command{codesign.string()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ToolOutput result = runAndWait(std::move(command), cancellable);
  if (result.status == 0) return;
  throw GeneratorError::signingFailed(decodeLeniently(result.err));
}

fs::path writeEntitlements(const fs::path& folder) {
  const platform::plist::Dictionary entitlements{
      {"com.apple.security.device.camera", true},
      {"com.apple.security.device.audio-input", true},
  };
  const fs::path file = folder / ("nbl-" + newUUIDString() + ".entitlements");
  writeFileBytes(file, platform::plist::toXML(entitlements));
  return file;
}

void notarizeApp(const fs::path& app, const std::string& profile, const BuildEnvironment& env,
                 const ProgressCallback& progress, GCancellable* cancellable) {
  const fs::path archive = env.temporaryFolder / ("nbl-" + newUUIDString() + ".zip");
  // The archive is only the upload's vehicle: it goes whatever the outcome.
  struct RemoveOnExit {
    const fs::path& path;
    ~RemoveOnExit() { removeQuietly(path); }
  } cleanup{archive};

  progress("Preparing for notarization\u2026");
  runAndWait({env.tools.ditto.string(), "-c", "-k", "--keepParent", app.string(), archive.string()}, cancellable);

  progress("Uploading to Apple for notarization\u2026 (this can take a few minutes)");
  ToolOutput submission = runAndWait(
      {env.tools.xcrun.string(), "notarytool", "submit", archive.string(), "--keychain-profile", profile, "--wait"},
      cancellable);
  if (submission.status != 0) {
    // Standard error first (an empty one is an answer too), standard output
    // when only that one is text, and never nothing.
    auto isText = [](const std::string& bytes) { return g_utf8_validate_len(bytes.data(), bytes.size(), nullptr); };
    const std::string& text = !isText(submission.err) && isText(submission.out) ? submission.out : submission.err;
    throw GeneratorError::notarizationFailed(decodeLeniently(text));
  }

  progress("Stapling notarization ticket\u2026");
  ToolOutput staple = runAndWait({env.tools.xcrun.string(), "stapler", "staple", app.string()}, cancellable);
  if (staple.status != 0) throw GeneratorError::notarizationFailed("Could not staple the notarization ticket.");
}

void registerApp(const fs::path& app, const fs::path& lsregister) {
  std::error_code ec;
  fs::last_write_time(app, fs::file_time_type::clock::now(), ec);
  if (!fs::exists(lsregister, ec)) return;
  try {
    runAndWait({lsregister.string(), "-f", app.string()});
  } catch (const std::exception&) {
    // Registration is a convenience; the app works without it.
  }
}

}  // namespace builder
