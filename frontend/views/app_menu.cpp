#include "frontend/views/app_menu.hpp"

#include <cstring>

namespace {

constexpr const char* kNewsletterAction = "app.subscribe-newsletter";

platform::GRef<GMenu> section(std::initializer_list<std::pair<const char*, const char*>> items) {
  auto menu = platform::adoptGRef(g_menu_new());
  for (const auto& [label, action] : items) g_menu_append(menu.get(), label, action);
  return menu;
}

void appendSection(GMenu* menu, const platform::GRef<GMenu>& part) {
  g_menu_append_section(menu, nullptr, G_MENU_MODEL(part.get()));
}

}  // namespace

AppMenu nimbrel_app_menu_new(bool offerNewsletter) {
  auto about = section({{"About Nimbrel", "app.about"}});
  auto updates = section({{"Check for Updates\u2026", "app.check-for-updates"}});
  auto settings = section({{"Settings\u2026", "app.settings"}});
  auto quit = section({{"Quit", "app.quit"}});
  auto help = section({{"Contact Support", "app.contact-support"}});
  if (offerNewsletter) g_menu_append(help.get(), "Subscribe to Newsletter\u2026", kNewsletterAction);

  auto application = platform::adoptGRef(g_menu_new());
  for (const auto* part : {&about, &updates, &settings, &quit}) appendSection(application.get(), *part);
  auto helpMenu = platform::adoptGRef(g_menu_new());
  appendSection(helpMenu.get(), help);
  auto menubar = platform::adoptGRef(g_menu_new());
  g_menu_append_submenu(menubar.get(), "Nimbrel", G_MENU_MODEL(application.get()));
  g_menu_append_submenu(menubar.get(), "Help", G_MENU_MODEL(helpMenu.get()));

  auto primary = platform::adoptGRef(g_menu_new());
  for (const auto* part : {&settings, &help, &about, &updates, &quit}) appendSection(primary.get(), *part);

  return {platform::GRef<GMenuModel>::adopt(G_MENU_MODEL(menubar.release())),
          platform::GRef<GMenuModel>::adopt(G_MENU_MODEL(primary.release())), help};
}

void nimbrel_app_menu_remove_newsletter(const AppMenu& menu) {
  GMenuModel* help = G_MENU_MODEL(menu.helpSection.get());
  for (int i = g_menu_model_get_n_items(help) - 1; i >= 0; --i) {
    char* action = nullptr;
    if (g_menu_model_get_item_attribute(help, i, G_MENU_ATTRIBUTE_ACTION, "s", &action)) {
      bool newsletter = std::strcmp(action, kNewsletterAction) == 0;
      g_free(action);
      if (newsletter) g_menu_remove(menu.helpSection.get(), i);
    }
  }
}
