#include "frontend/views/drop_values.hpp"

#include "platform/gobject_ptr.hpp"

struct NimbrelWebAddress {
  std::string text;
};

namespace {

NimbrelWebAddress* copyWebAddress(const NimbrelWebAddress* address) { return new NimbrelWebAddress(*address); }
void freeWebAddress(NimbrelWebAddress* address) { delete address; }

// More than any address a drag could carry; a larger offer is not an address.
constexpr gsize kLargestDrop = 1 << 20;

std::string firstLine(std::string_view text) {
  auto end = text.find_first_of("\r\n");
  return std::string(text.substr(0, end));
}

void spliced(GObject* source, GAsyncResult* result, gpointer data) {
  auto* deserializer = GDK_CONTENT_DESERIALIZER(data);
  platform::GErrorOut error;
  g_output_stream_splice_finish(G_OUTPUT_STREAM(source), result, error.out());
  if (error) {
    gdk_content_deserializer_return_error(deserializer, g_error_copy(error.get()));
    return;
  }
  platform::CPtr<GBytes> bytes(g_memory_output_stream_steal_as_bytes(G_MEMORY_OUTPUT_STREAM(source)));
  gsize size = 0;
  const auto* start = static_cast<const std::uint8_t*>(g_bytes_get_data(bytes.get(), &size));
  auto address = size > kLargestDrop ? std::nullopt
                                     : views::webAddressFromData(gdk_content_deserializer_get_mime_type(deserializer),
                                                                 {start, size});
  if (!address) {
    gdk_content_deserializer_return_error(
        deserializer, g_error_new_literal(G_IO_ERROR, G_IO_ERROR_INVALID_DATA, "no web address in the dropped data"));
    return;
  }
  g_value_take_boxed(gdk_content_deserializer_get_value(deserializer), new NimbrelWebAddress{*address});
  gdk_content_deserializer_return_success(deserializer);
}

void deserializeWebAddress(GdkContentDeserializer* deserializer) {
  auto output = platform::adoptGRef(g_memory_output_stream_new_resizable());
  g_output_stream_splice_async(
      output.get(), gdk_content_deserializer_get_input_stream(deserializer),
      GOutputStreamSpliceFlags(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE | G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
      gdk_content_deserializer_get_priority(deserializer), gdk_content_deserializer_get_cancellable(deserializer),
      spliced, deserializer);
}

}  // namespace

G_DEFINE_BOXED_TYPE(NimbrelWebAddress, nimbrel_web_address, copyWebAddress, freeWebAddress)

namespace views {

GType webAddressType() {
  static GType type = [] {
    GType t = nimbrel_web_address_get_type();
    for (const char* mime : {"text/uri-list", "text/x-moz-url"}) {
      gdk_content_register_deserializer(mime, t, deserializeWebAddress, nullptr, nullptr);
    }
    return t;
  }();
  return type;
}

std::optional<std::string> webAddressFromData(std::string_view mimeType, std::span<const std::uint8_t> data) {
  std::string text(data.begin(), data.end());
  if (mimeType == "text/x-moz-url" && text.size() % 2 == 0 && text.find('\0') != std::string::npos) {
    glong written = 0;
    platform::GCharPtr utf8(g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()), glong(text.size() / 2),
                                            nullptr, &written, nullptr));
    if (!utf8) return std::nullopt;
    text.assign(utf8.get(), std::size_t(written));
  }
  if (!g_utf8_validate(text.data(), gssize(text.size()), nullptr)) return std::nullopt;
  std::string_view rest = text;
  while (!rest.empty()) {
    std::string line = firstLine(rest);
    auto next = rest.find('\n');
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    if (mimeType == "text/uri-list" && !line.empty() && line.front() == '#') continue;
    if (line.empty()) {
      if (mimeType == "text/x-moz-url") return std::nullopt;
      continue;
    }
    return line;
  }
  return std::nullopt;
}

std::optional<frontend::DropItem> dropItemFromValue(const GValue* value) {
  frontend::DropItem item;
  if (G_VALUE_HOLDS(value, webAddressType())) {
    auto* address = static_cast<const NimbrelWebAddress*>(g_value_get_boxed(value));
    if (!address) return std::nullopt;
    item.url = address->text;
  } else if (G_VALUE_HOLDS_STRING(value)) {
    const char* text = g_value_get_string(value);
    if (!text) return std::nullopt;
    item.plainText = std::string(text);
  } else {
    GFile* file = nullptr;
    if (G_VALUE_HOLDS(value, G_TYPE_FILE)) {
      file = G_FILE(g_value_get_object(value));
    } else if (G_VALUE_HOLDS(value, GDK_TYPE_FILE_LIST)) {
      auto* files = static_cast<GdkFileList*>(g_value_get_boxed(value));
      GSList* list = files ? gdk_file_list_get_files(files) : nullptr;
      file = list ? G_FILE(list->data) : nullptr;
      g_slist_free(list);
    }
    if (!file) return std::nullopt;
    platform::GCharPtr path(g_file_get_path(file));
    platform::GCharPtr uri(g_file_get_uri(file));
    item.fileURL = std::string(path ? path.get() : uri.get());
  }
  return item;
}

}  // namespace views
