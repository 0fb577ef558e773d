// The mailing-list prompt on the running system. Kept apart so that tests,
// which bring their own services, never link the real network client.
#include "frontend/mailing_list_manager.hpp"
#include "platform/bundle.hpp"

namespace frontend {

MailingListEnvironment MailingListEnvironment::system() {
  MailingListEnvironment env;
  env.defaults = mailingListDefaults;
  env.now = systemNow;
  env.calendar = std::make_shared<Calendar>();
  env.regionCode = currentRegionCode;
  env.http = platform::performHttp;
  env.schedule = scheduleOnMain;
  auto bundle = platform::Bundle::main();
  env.appIdentifier = (bundle ? bundle->identifier() : std::nullopt).value_or("unknown.app");
  env.makerSite = NIMBREL_MAKER_SITE;
  env.appSecret = MailingListManager::appSecret;
  return env;
}

MailingListManager& MailingListManager::shared() {
  static MailingListManager instance(MailingListEnvironment::system());
  return instance;
}

}  // namespace frontend
