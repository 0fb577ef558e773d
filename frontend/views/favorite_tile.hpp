#pragma once
// One ready-made app on the tile screen: a 130 × 130 rounded square in the
// app's colour with its glyph in white at 100 × 100. Glyphs are tinted and
// scaled when a tile is first drawn, once per process, and then shared.

#include <gtk/gtk.h>

#include "frontend/favorite_apps.hpp"
#include "frontend/wizard_images.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_FAVORITE_TILE (nimbrel_favorite_tile_get_type())
G_DECLARE_FINAL_TYPE(NimbrelFavoriteTile, nimbrel_favorite_tile, NIMBREL, FAVORITE_TILE, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_favorite_tile_new(const frontend::FavoriteApp& app, const frontend::ImageLoader& imageNamed);
