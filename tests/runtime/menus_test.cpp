#include "runtime/menus.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gobject_ptr.hpp"

namespace {

using platform::GRef;

// A menu written as lines: "label" for an item, "-" for a section break
// (a separator), "label>" for a submenu that follows until "<".
GRef<GMenuItem> item(const char* label, const char* outlet = nullptr) {
  auto i = GRef<GMenuItem>::adopt(g_menu_item_new(label, "app.x"));
  if (outlet) g_menu_item_set_attribute(i.get(), "outlet", "s", outlet);
  return i;
}

GRef<GMenu> menuOf(std::initializer_list<GRef<GMenuItem>> items) {
  auto menu = GRef<GMenu>::adopt(g_menu_new());
  for (const auto& i : items) g_menu_append_item(menu.get(), i.get());
  return menu;
}

void appendSubmenu(GMenu* menu, const char* label, GMenu* submenu) {
  g_menu_append_submenu(menu, label, G_MENU_MODEL(submenu));
}

GRef<GMenuModel> link(GMenuModel* menu, int index, const char* kind) {
  return GRef<GMenuModel>::adopt(g_menu_model_get_item_link(menu, index, kind));
}

// The menu flattened: labels, with "|" where a section (separator) starts.
std::vector<std::string> flatten(GMenuModel* menu) {
  std::vector<std::string> out;
  for (int i = 0; i < g_menu_model_get_n_items(menu); ++i) {
    if (auto section = link(menu, i, G_MENU_LINK_SECTION)) {
      out.push_back("|");
      for (auto& s : flatten(section.get())) out.push_back(s);
    } else {
      out.push_back(runlet::itemLabel(menu, i));
    }
  }
  return out;
}

std::vector<std::string> topLevel(GMenu* menu) {
  std::vector<std::string> out;
  for (int i = 0; i < g_menu_model_get_n_items(G_MENU_MODEL(menu)); ++i) {
    out.push_back(runlet::itemLabel(G_MENU_MODEL(menu), i));
  }
  return out;
}

const std::vector<std::string> kWebCommands = {"Reload", "Back", "Forward", "|", "Copy Current URL"};

TEST(RetitleMenus, ConnectedItemsOnlyInsideSubmenusAndSections) {
  auto main = GRef<GMenu>::adopt(g_menu_new());
  auto appMenu = menuOf({item("About Runlet", "mainMenuAbout"), item("Runlet Help")});
  auto section = menuOf({item("Hide Runlet", "mainMenuHide"), item("Quit Runlet", "mainMenuQuit")});
  g_menu_append_section(appMenu.get(), nullptr, G_MENU_MODEL(section.get()));
  appendSubmenu(main.get(), "Runlet", appMenu.get());
  auto window = menuOf({item("Runlet", "windowMenuRestoreWindow"), item("Runlet Runlet", "somethingElse")});
  appendSubmenu(main.get(), "Window", window.get());

  runlet::retitleMenus(G_MENU_MODEL(main.get()), "Runlet Mail");

  EXPECT_EQ(flatten(G_MENU_MODEL(appMenu.get())),
            (std::vector<std::string>{"About Runlet Mail", "Runlet Help", "|", "Hide Runlet Mail", "Quit Runlet Mail"}));
  EXPECT_EQ(flatten(G_MENU_MODEL(window.get())), (std::vector<std::string>{"Runlet Mail", "Runlet Runlet"}));
  EXPECT_EQ(topLevel(main.get())[0], "Runlet") << "the application menu's own title is the platform's";
  // The retitled item keeps its action and outlet.
  EXPECT_EQ(runlet::itemStringAttribute(G_MENU_MODEL(window.get()), 0, G_MENU_ATTRIBUTE_ACTION), "app.x");
  EXPECT_EQ(runlet::itemStringAttribute(G_MENU_MODEL(window.get()), 0, "outlet"), "windowMenuRestoreWindow");
}

TEST(RetitleMenus, MissingItemsAndMissingMenuAreSkipped) {
  auto main = menuOf({item("Quit Runlet", "mainMenuQuit")});
  runlet::retitleMenus(G_MENU_MODEL(main.get()), "X");
  EXPECT_EQ(topLevel(main.get()), (std::vector<std::string>{"Quit X"}));
  runlet::retitleMenus(nullptr, "X");
}

TEST(TitleApplicationMenu, FirstItemTakesTheBundleNameAndKeepsItsSubmenu) {
  auto app = menuOf({item("About Runlet", "mainMenuAbout")});
  auto bar = GRef<GMenu>::adopt(g_menu_new());
  appendSubmenu(bar.get(), "Runlet", app.get());
  appendSubmenu(bar.get(), "Window", menuOf({item("Restore")}).get());
  runlet::titleApplicationMenu(bar.get(), "Caf\u00e9 Runlet");
  EXPECT_EQ(runlet::itemLabel(G_MENU_MODEL(bar.get()), 0), "Caf\u00e9 Runlet");
  EXPECT_EQ(link(G_MENU_MODEL(bar.get()), 0, G_MENU_LINK_SUBMENU).get(), G_MENU_MODEL(app.get()));
  EXPECT_EQ(runlet::itemLabel(G_MENU_MODEL(bar.get()), 1), "Window");
  runlet::titleApplicationMenu(nullptr, "x");  // no menu bar: nothing to do
}

TEST(InstallWebMenu, ExistingViewGetsTheCommandsAfterASeparatorWhenItHasItems) {
  for (bool hasItems : {true, false}) {
    auto main = GRef<GMenu>::adopt(g_menu_new());
    auto view = hasItems ? menuOf({item("Enter Full Screen")}) : menuOf({});
    appendSubmenu(main.get(), "View", view.get());
    appendSubmenu(main.get(), "Window", menuOf({}).get());
    runlet::installWebMenu(main.get());
    auto expected = hasItems ? std::vector<std::string>{"Enter Full Screen", "|"} : std::vector<std::string>{};
    expected.insert(expected.end(), kWebCommands.begin(), kWebCommands.end());
    EXPECT_EQ(flatten(G_MENU_MODEL(view.get())), expected);
    EXPECT_EQ(topLevel(main.get()), (std::vector<std::string>{"View", "Window"}));
  }
}

TEST(InstallWebMenu, NewViewBeforeWindowOrAtTheEnd) {
  auto main = menuOf({item("File"), item("Window"), item("Help")});
  runlet::installWebMenu(main.get());
  EXPECT_EQ(topLevel(main.get()), (std::vector<std::string>{"File", "View", "Window", "Help"}));
  EXPECT_EQ(flatten(link(G_MENU_MODEL(main.get()), 1, G_MENU_LINK_SUBMENU).get()), kWebCommands);

  auto bare = menuOf({item("File")});
  runlet::installWebMenu(bare.get());
  EXPECT_EQ(topLevel(bare.get()), (std::vector<std::string>{"File", "View"}));
}

TEST(InstallWebMenu, ViewItemWithoutSubmenuGetsASecondView) {
  auto main = menuOf({item("View"), item("Window")});
  runlet::installWebMenu(main.get());
  EXPECT_EQ(topLevel(main.get()), (std::vector<std::string>{"View", "View", "Window"}));
  EXPECT_TRUE(link(G_MENU_MODEL(main.get()), 1, G_MENU_LINK_SUBMENU));
  runlet::installWebMenu(nullptr);
}

}  // namespace
