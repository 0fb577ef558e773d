// The update checker on the running system. Kept apart so that tests, which
// bring their own services, never depend on the main bundle.
#include "frontend/appcast_updater.hpp"
#include "platform/bundle.hpp"

namespace frontend {

UpdaterEnvironment UpdaterEnvironment::system() {
  UpdaterEnvironment env;
  platform::plist::Dictionary info;
  if (auto bundle = platform::Bundle::main()) info = bundle->infoDictionary();
  using platform::plist::lookup;
  // Written into Info.plist when Nimbrel is built; empty means no feed.
  auto feed = lookup<std::string>(info, "NimbrelUpdateFeedURL");
  if (feed && !feed->empty()) env.feedURL = *feed;
  env.installedVersion = lookup<std::string>(info, "CFBundleVersion").value_or("0");
  env.installedDisplayVersion = lookup<std::string>(info, "CFBundleShortVersionString").value_or(env.installedVersion);
  env.defaults = platform::UserDefaults::standard;
  env.now = systemNow;
  env.http = platform::performHttp;
  env.schedule = scheduleOnMain;
  return env;
}

}  // namespace frontend
