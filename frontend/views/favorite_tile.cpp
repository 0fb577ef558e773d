#include "frontend/views/favorite_tile.hpp"

#include <map>
#include <optional>
#include <string>

#include "frontend/views/image_texture.hpp"
#include "frontend/views/view_type.hpp"

namespace {

constexpr int kTileSize = 130;
constexpr int kGlyphSize = 100;
constexpr float kCornerRadius = 20;
// Glyphs are kept at twice their drawn size so they stay sharp on 2× displays.
constexpr int kGlyphPixels = 2 * kGlyphSize;

platform::GRef<GdkTexture> glyphTexture(const std::string& name, const frontend::ImageLoader& imageNamed) {
  static std::map<std::string, platform::GRef<GdkTexture>> cache;
  auto found = cache.find(name);
  if (found != cache.end()) return found->second;
  platform::GRef<GdkTexture> texture;
  auto glyph = imageNamed(name);
  auto sized = glyph ? platform::stretched(*glyph, kGlyphPixels, kGlyphPixels) : std::nullopt;
  auto white = sized ? frontend::tintedImage(*sized, platform::Color::white()) : std::nullopt;
  if (white) texture = views::textureFromImage(*white);
  cache.emplace(name, texture);
  return texture;
}

}  // namespace

struct NimbrelFavoriteTilePrivate {
  GdkRGBA color{};
  std::string icon;
  frontend::ImageLoader imageNamed;
  // Made when the tile is first drawn, so building the wizard decodes no glyph.
  std::optional<platform::GRef<GdkTexture>> glyph;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelFavoriteTile, nimbrel_favorite_tile, GTK_TYPE_WIDGET, GtkWidget)

static void nimbrel_favorite_tile_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural, int*, int*) {
  *minimum = *natural = kTileSize;
}

namespace {

GdkTexture* glyphOf(NimbrelFavoriteTile* self) {
  auto* priv = self->priv;
  if (!priv->glyph) priv->glyph = glyphTexture(priv->icon, priv->imageNamed);
  return priv->glyph->get();
}

}  // namespace

static void nimbrel_favorite_tile_snapshot(GtkWidget* widget, GtkSnapshot* snapshot) {
  auto* priv = NIMBREL_FAVORITE_TILE(widget)->priv;
  const float x = (gtk_widget_get_width(widget) - kTileSize) / 2.0f;
  const float y = (gtk_widget_get_height(widget) - kTileSize) / 2.0f;
  graphene_rect_t bounds = GRAPHENE_RECT_INIT(x, y, float(kTileSize), float(kTileSize));
  GskRoundedRect tile;
  gsk_rounded_rect_init_from_rect(&tile, &bounds, kCornerRadius);
  gtk_snapshot_push_rounded_clip(snapshot, &tile);
  gtk_snapshot_append_color(snapshot, &priv->color, &tile.bounds);
  gtk_snapshot_pop(snapshot);
  if (GdkTexture* texture = glyphOf(NIMBREL_FAVORITE_TILE(widget))) {
    const float inset = (kTileSize - kGlyphSize) / 2.0f;
    graphene_rect_t glyph = GRAPHENE_RECT_INIT(x + inset, y + inset, float(kGlyphSize), float(kGlyphSize));
    gtk_snapshot_append_texture(snapshot, texture, &glyph);
  }
}

static void nimbrel_favorite_tile_class_setup(NimbrelFavoriteTileClass* klass) {
  GTK_WIDGET_CLASS(klass)->measure = nimbrel_favorite_tile_measure;
  GTK_WIDGET_CLASS(klass)->snapshot = nimbrel_favorite_tile_snapshot;
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "favoritetile");
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), GTK_ACCESSIBLE_ROLE_IMG);
}

static void nimbrel_favorite_tile_setup(NimbrelFavoriteTile*) {}

GtkWidget* nimbrel_favorite_tile_new(const frontend::FavoriteApp& app, const frontend::ImageLoader& imageNamed) {
  auto* self = NIMBREL_FAVORITE_TILE(g_object_new(NIMBREL_TYPE_FAVORITE_TILE, nullptr));
  if (auto color = frontend::colorFromHex(app.at("color"))) {
    self->priv->color = GdkRGBA{float(color->red), float(color->green), float(color->blue), float(color->alpha)};
  }
  self->priv->icon = app.at("icon");
  self->priv->imageNamed = imageNamed;
  gtk_accessible_update_property(GTK_ACCESSIBLE(self), GTK_ACCESSIBLE_PROPERTY_LABEL, app.at("name").c_str(), -1);
  return GTK_WIDGET(self);
}

