#include "frontend/favorite_apps.hpp"

namespace frontend {

const std::vector<FavoriteApp>& favoriteApps() {
  static const std::vector<FavoriteApp> apps = [] {
    struct Row {
      const char *name, *url, *icon, *color;
    };
    const Row rows[] = {
        {"YouTube", "https://www.youtube.com", "youtube", "#FF0000"},
        {"Facebook", "https://www.facebook.com", "facebook", "#0866FF"},
        {"Amazon", "https://www.amazon.com", "amazon", "#FF9900"},
        {"Instagram", "https://www.instagram.com", "instagram", "#E4405F"},
        {"Netflix", "https://www.netflix.com", "netflix", "#E50914"},
        {"Discord", "https://discord.com", "discord", "#5865F2"},
        {"Pinterest", "https://www.pinterest.com", "pinterest", "#BD081C"},
        {"Gmail", "https://mail.google.com", "gmail", "#EA4335"},
        {"Whatsapp", "https://web.whatsapp.com", "whatsapp", "#25D366"},
        {"Messenger", "https://www.messenger.com", "messenger", "#00B2FF"},
        {"Telegram", "https://web.telegram.org", "telegram", "#26A5E4"},
        {"Google Sheets", "https://sheets.google.com", "googlesheets", "#34A853"},
        {"Google Docs", "https://docs.google.com", "googledocs", "#4285F4"},
        {"Google Photos", "https://photos.google.com", "googlephotos", "#4285F4"},
        {"Google AdSense", "https://adsense.google.com", "googleadsense", "#4285F4"},
        {"Google Analytics", "https://analytics.google.com", "googleanalytics", "#E37400"},
        {"Google Cloud", "https://console.cloud.google.com", "googlecloud", "#4285F4"},
        {"Google Meet", "https://meet.google.com", "googlemeet", "#00897B"},
        {"Google Hangouts", "https://hangouts.google.com", "googlehangouts", "#0C9D58"},
        {"Google Maps", "https://maps.google.com", "googlemaps", "#4285F4"},
        {"Google Translate", "https://translate.google.com", "googletranslate", "#4285F4"},
        {"iCloud", "https://www.icloud.com", "icloud", "#3693F3"},
    };
    std::vector<FavoriteApp> list;
    for (const Row& row : rows) {
      list.push_back({{"name", row.name}, {"url", row.url}, {"icon", row.icon}, {"color", row.color}});
    }
    return list;
  }();
  return apps;
}

}  // namespace frontend
