#include "frontend/appcast.hpp"

#include <glib.h>

#include <cstring>
#include <map>
#include <memory>

#include "frontend/version_comparator.hpp"
#include "platform/text.hpp"
#include "platform/url.hpp"

namespace frontend {

namespace {

// Element names resolved against the xmlns declarations in force.
struct Name {
  std::string space;
  std::string local;
};

struct Parser {
  std::vector<std::map<std::string, std::string>> scopes;  // prefix → namespace, per open element
  std::vector<Name> path;
  std::vector<AppcastItem> items;
  std::optional<AppcastItem> item;
  std::string text;
  bool sawRoot = false;

  std::string lookup(const std::string& prefix) const {
    for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
      auto found = scope->find(prefix);
      if (found != scope->end()) return found->second;
    }
    return {};
  }
  Name resolve(const char* qualified) const {
    const char* colon = std::strchr(qualified, ':');
    if (!colon) return {lookup(""), qualified};
    return {lookup(std::string(qualified, colon)), colon + 1};
  }
  // Attributes have no default namespace.
  Name resolveAttribute(const char* qualified) const {
    const char* colon = std::strchr(qualified, ':');
    if (!colon) return {{}, qualified};
    return {lookup(std::string(qualified, colon)), colon + 1};
  }
  bool inItem() const { return item.has_value() && path.size() == 4; }
};

std::string trimmed(const std::string& text) { return std::string(platform::trimmedWhitespaceAndNewlines(text)); }

void startElement(GMarkupParseContext*, const char* element, const char** names, const char** values, gpointer data,
                  GError** error) {
  auto* p = static_cast<Parser*>(data);
  std::map<std::string, std::string> scope;
  for (int i = 0; names[i]; ++i) {
    if (std::strcmp(names[i], "xmlns") == 0) scope[""] = values[i];
    if (std::strncmp(names[i], "xmlns:", 6) == 0) scope[names[i] + 6] = values[i];
  }
  p->scopes.push_back(std::move(scope));
  Name name = p->resolve(element);
  p->path.push_back(name);
  p->text.clear();

  if (p->path.size() == 1) {
    if (p->sawRoot || !(name.space.empty() && name.local == "rss")) {
      g_set_error_literal(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, "not an RSS feed");
      return;
    }
    p->sawRoot = true;
  }
  bool plain = name.space.empty();
  if (p->path.size() == 3 && plain && name.local == "item" && p->path[1].space.empty() && p->path[1].local == "channel") {
    p->item = AppcastItem{};
  } else if (p->path.size() == 4 && p->item && plain && name.local == "enclosure") {
    for (int i = 0; names[i]; ++i) {
      Name attribute = p->resolveAttribute(names[i]);
      if (attribute.space.empty() && attribute.local == "url") p->item->enclosureURL = trimmed(values[i]);
      if (attribute.space != appcastNamespace) continue;
      if (attribute.local == "version" && p->item->version.empty()) p->item->version = trimmed(values[i]);
      if (attribute.local == "shortVersionString" && !p->item->shortVersionString) {
        p->item->shortVersionString = trimmed(values[i]);
      }
    }
  }
}

void endElement(GMarkupParseContext*, const char*, gpointer data, GError**) {
  auto* p = static_cast<Parser*>(data);
  if (p->inItem()) {
    const Name& name = p->path.back();
    std::string value = trimmed(p->text);
    if (name.space.empty()) {
      if (name.local == "title") p->item->title = value;
      if (name.local == "link") p->item->link = value;
    } else if (name.space == appcastNamespace) {
      // The element wins over the enclosure's attribute of the same name.
      if (name.local == "version") p->item->version = value;
      if (name.local == "shortVersionString") p->item->shortVersionString = value;
      if (name.local == "releaseNotesLink") p->item->releaseNotesLink = value;
    }
  }
  if (p->path.size() == 3 && p->item) {
    if (!p->item->version.empty()) p->items.push_back(std::move(*p->item));
    p->item.reset();
  }
  p->path.pop_back();
  p->scopes.pop_back();
  p->text.clear();
}

void textOf(GMarkupParseContext*, const char* text, gsize length, gpointer data, GError**) {
  static_cast<Parser*>(data)->text.append(text, length);
}

struct ContextDeleter {
  void operator()(GMarkupParseContext* context) const { g_markup_parse_context_free(context); }
};

bool isWebAddress(const std::string& text) {
  auto url = platform::Url::parse(text);
  if (!url || url->host().empty()) return false;
  std::string scheme = platform::asciiLower(url->scheme());
  return scheme == "http" || scheme == "https";
}

}  // namespace

std::vector<AppcastItem> parseAppcast(std::string_view xml) {
  static const GMarkupParser callbacks = {startElement, endElement, textOf, nullptr, nullptr};
  Parser parser;
  std::unique_ptr<GMarkupParseContext, ContextDeleter> context(
      g_markup_parse_context_new(&callbacks, G_MARKUP_TREAT_CDATA_AS_TEXT, &parser, nullptr));
  GError* error = nullptr;
  bool ok = g_markup_parse_context_parse(context.get(), xml.data(), static_cast<gssize>(xml.size()), &error) &&
            g_markup_parse_context_end_parse(context.get(), &error);
  if (!ok || parser.scopes.size() != 0) {
    std::string message = error ? error->message : "the feed is empty";
    if (error) g_error_free(error);
    throw AppcastError("The update information could not be read (" + message + ").");
  }
  return std::move(parser.items);
}

std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, const std::string& installedVersion) {
  const AppcastItem* newest = nullptr;
  for (const auto& item : items) {
    if (!newest || compareVersions(item.version, newest->version) > 0) newest = &item;
  }
  if (!newest || compareVersions(newest->version, installedVersion) <= 0) return std::nullopt;
  return *newest;
}

std::optional<std::string> downloadPage(const AppcastItem& item) {
  for (const auto* candidate : {&item.link, &item.enclosureURL, &item.releaseNotesLink}) {
    if (*candidate && isWebAddress(**candidate)) return **candidate;
  }
  return std::nullopt;
}

}  // namespace frontend
