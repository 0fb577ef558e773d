#include "runtime/menus.hpp"

#include <array>

#include "platform/gobject_ptr.hpp"

namespace runlet {

namespace {

using platform::GRef;

constexpr std::array<std::string_view, 4> kRetitledOutlets = {"mainMenuAbout", "mainMenuHide", "mainMenuQuit",
                                                              "windowMenuRestoreWindow"};

bool isRetitled(std::string_view outlet) {
  for (auto candidate : kRetitledOutlets) {
    if (candidate == outlet) return true;
  }
  return false;
}

void retitleTree(GMenuModel* menu, std::string_view name) {
  int count = g_menu_model_get_n_items(menu);
  for (int i = 0; i < count; ++i) {
    if (G_IS_MENU(menu) && isRetitled(itemStringAttribute(menu, i, kOutletAttribute.data()))) {
      auto item = GRef<GMenuItem>::adopt(g_menu_item_new_from_model(menu, i));
      std::string title = replacingAll(itemLabel(menu, i), kNamePlaceholder, menuLabelText(name));
      g_menu_item_set_label(item.get(), title.c_str());
      g_menu_remove(G_MENU(menu), i);
      g_menu_insert_item(G_MENU(menu), i, item.get());
    }
    for (const char* link : {G_MENU_LINK_SUBMENU, G_MENU_LINK_SECTION}) {
      auto child = GRef<GMenuModel>::adopt(g_menu_model_get_item_link(menu, i, link));
      if (child) retitleTree(child.get(), name);
    }
  }
}

// Appends items to a menu; after a separator they go into a new section.
class MenuAppender {
 public:
  explicit MenuAppender(GMenu* menu) : menu_(menu), current_(menu) {}
  void separator() {
    auto section = GRef<GMenu>::adopt(g_menu_new());
    g_menu_append_section(menu_, nullptr, G_MENU_MODEL(section.get()));
    current_ = section.get();
  }
  void add(const char* title, std::string_view action) {
    auto item = GRef<GMenuItem>::adopt(g_menu_item_new(title, std::string(action).c_str()));
    for (const auto& shortcut : kApplicationShortcuts) {
      if (shortcut.action == action) g_menu_item_set_attribute(item.get(), "accel", "s", shortcut.keys[0].data());
    }
    g_menu_append_item(current_, item.get());
  }

 private:
  GMenu* menu_;
  GMenu* current_;  // owned by menu_
};

}  // namespace

std::string menuLabelText(std::string_view text) { return replacingAll(text, "_", "__"); }

std::string replacingAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos; pos = hit + from.size()) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
  }
  out.append(text.substr(pos));
  return out;
}

std::string itemStringAttribute(GMenuModel* menu, int index, const char* attribute) {
  char* value = nullptr;
  if (!g_menu_model_get_item_attribute(menu, index, attribute, "s", &value)) return {};
  platform::GCharPtr owned(value);
  return owned.get();
}

std::string itemLabel(GMenuModel* menu, int index) { return itemStringAttribute(menu, index, G_MENU_ATTRIBUTE_LABEL); }

int indexOfItemWithTitle(GMenuModel* menu, std::string_view title) {
  int count = g_menu_model_get_n_items(menu);
  for (int i = 0; i < count; ++i) {
    if (itemLabel(menu, i) == title) return i;
  }
  return -1;
}

void retitleMenus(GMenuModel* mainMenu, std::string_view name) {
  if (mainMenu) retitleTree(mainMenu, name);
}

void titleApplicationMenu(GMenu* mainMenu, std::string_view bundleName) {
  if (!mainMenu || g_menu_model_get_n_items(G_MENU_MODEL(mainMenu)) == 0) return;
  // GMenu items can't change in place: replace the first with a relabelled copy.
  auto item = GRef<GMenuItem>::adopt(g_menu_item_new_from_model(G_MENU_MODEL(mainMenu), 0));
  g_menu_item_set_label(item.get(), menuLabelText(bundleName).c_str());
  g_menu_remove(mainMenu, 0);
  g_menu_insert_item(mainMenu, 0, item.get());
}

void installWebMenu(GMenu* mainMenu) {
  if (!mainMenu) return;
  GMenuModel* model = G_MENU_MODEL(mainMenu);
  GRef<GMenu> view;
  if (int index = indexOfItemWithTitle(model, "View"); index >= 0) {
    auto submenu = GRef<GMenuModel>::adopt(g_menu_model_get_item_link(model, index, G_MENU_LINK_SUBMENU));
    if (submenu && G_IS_MENU(submenu.get())) view = GRef<GMenu>::retain(G_MENU(submenu.get()));
  }
  bool needsSeparator = false;
  if (view) {
    needsSeparator = g_menu_model_get_n_items(G_MENU_MODEL(view.get())) > 0;
  } else {
    view = GRef<GMenu>::adopt(g_menu_new());
    auto item = GRef<GMenuItem>::adopt(g_menu_item_new_submenu("View", G_MENU_MODEL(view.get())));
    int window = indexOfItemWithTitle(model, "Window");
    if (window >= 0) {
      g_menu_insert_item(mainMenu, window, item.get());
    } else {
      g_menu_append_item(mainMenu, item.get());
    }
  }
  MenuAppender append(view.get());
  if (needsSeparator) append.separator();
  append.add("Reload", "app.reloadPage");
  append.add("Back", "app.goBack");
  append.add("Forward", "app.goForward");
  append.separator();
  append.add("Copy Current URL", "app.copyCurrentURL");
}

}  // namespace runlet
