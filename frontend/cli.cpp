#include "frontend/cli.hpp"

#include <cstdio>
#include <iostream>
#include <optional>
#include <system_error>

#include "builder/app_generator.hpp"
#include "builder/generator_error.hpp"
#include "frontend/cli_options.hpp"
#include "frontend/quitting.hpp"
#include "frontend/signing_settings.hpp"
#include "iconsource/website_icon_fetcher.hpp"
#include "platform/dispatch.hpp"

namespace frontend {

namespace fs = std::filesystem;

namespace {

constexpr int buildFailed = 1;
constexpr int usageError = 2;

int usage(const std::string& problem) {
  std::cerr << "nimbrel: " << problem << "\n"
            << "Usage: nimbrel build (--url ADDRESS | --folder DIR) --name NAME [--out DIR] [--icon FILE]\n"
            << "                     [--fetch-icon] [--color #RRGGBB] [--no-title-bar] [--developer-id IDENTITY\n"
            << "                     [--notary-profile PROFILE]] [--replace]\n"
            << "Run \"nimbrel build --help\" for what each option does.\n";
  return usageError;
}

int build(const BuildOptions& options) {
  const builder::BuildEnvironment env = builder::BuildEnvironment::standard();
  PreparedBuild prepared;
  try {
    const SigningSettings& settings = SigningSettings::shared();
    prepared = prepareBuild(options, env.image("DefaultIcon"), {settings.signingMode(), settings.fullContent()});
  } catch (const BadInput& e) {
    std::cerr << "nimbrel: " << e.what() << "\n";
    return usageError;
  }

  // Ctrl-C, a closed terminal or a kill: the build stops, its staged bundle
  // goes, any app already at the destination stays as it was, and the signal
  // then ends the process as it would have.
  stopAllWorkOnSignals();
  std::error_code ec;
  if (!options.replace && fs::exists(fs::symlink_status(prepared.destination, ec))) {
    // The question the wizard asks ("Replace it?"), answered no.
    std::cerr << builder::GeneratorError::destinationExists(prepared.destination.filename().string()).what()
              << "\nUse --replace to replace it.\n";
    return buildFailed;
  }

  if (options.fetchIcon) {
    if (auto icon = iconsource::fetchWebsiteIconAndWait(*options.url)) {
      prepared.request.icon = std::move(icon);
    } else {
      std::cerr << "nimbrel: no icon found for \u201C" << *options.url << "\u201D; using "
                << (options.icon ? "the given picture" : "the default picture") << "." << std::endl;
    }
  }

  std::optional<builder::BuildResult> result;
  prepared.request.generate(
      prepared.folder, env, [](const std::string& text) { std::cerr << text << std::endl; },
      [&result](const builder::BuildResult& r) { result = r; });
  platform::runMainLoopUntil([&result] { return result.has_value(); });

  if (const auto& app = result->app) {
    std::cout << app->string() << std::endl;
    return 0;
  }
  std::cerr << result->errorDescription() << std::endl;
  return buildFailed;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  CLI::App app{"Nimbrel turns a website into a desktop app.", "nimbrel"};
  app.require_subcommand(1);
  BuildOptions options;
  CLI::App* buildCommand = app.add_subcommand("build", "Build NAME.app from a web address or a site folder");
  addBuildOptions(*buildCommand, options);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return usage(e.what());
  }
  if (buildCommand->parsed()) {
    if (!options.url && !options.folder) return usage("give the site with --url ADDRESS or --folder DIR");
    return build(options);
  }
  return usageError;
}

}  // namespace frontend
