// Serves the bundled site to the web view, confined to its folder.
#include "runtime/app_delegate.hpp"
#include "runtime/local_site.hpp"

namespace runlet {

namespace {

void finishNotFound(WebKitURISchemeRequest* request) {
  platform::CPtr<GError> error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "File not found"));
  webkit_uri_scheme_request_finish_error(request, error.get());
}

std::string mimeTypeOf(const std::filesystem::path& file) {
  platform::GCharPtr contentType(g_content_type_guess(file.filename().c_str(), nullptr, 0, nullptr));
  platform::GCharPtr mime(contentType ? g_content_type_get_mime_type(contentType.get()) : nullptr);
  return mime ? mime.get() : "application/octet-stream";
}

}  // namespace

void AppDelegate::registerSiteScheme() {
  std::string scheme(kSiteScheme);
  webkit_web_context_register_uri_scheme(webContext_.get(), scheme.c_str(), onSiteRequest, this, nullptr);
  // Secure so pages get the features of a secure origin (storage, crypto);
  // CORS-enabled so the site can fetch its own files.
  auto* security = webkit_web_context_get_security_manager(webContext_.get());
  webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
}

void AppDelegate::onSiteRequest(WebKitURISchemeRequest* request, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  auto path = decodedRequestPath(webkit_uri_scheme_request_get_path(request));
  auto file = (path && !self->siteRoot_.empty()) ? resolveSitePath(self->siteRoot_, *path) : std::nullopt;
  std::error_code ec;
  if (file && std::filesystem::is_directory(*file, ec)) {
    file = resolveSitePath(self->siteRoot_, *path + "/index.html");
  }
  if (!file || !std::filesystem::is_regular_file(*file, ec)) {
    finishNotFound(request);
    return;
  }
  auto gfile = platform::adoptGRef(g_file_new_for_path(file->c_str()));
  auto stream = platform::adoptGRef(g_file_read(gfile.get(), nullptr, nullptr));
  if (!stream) {
    finishNotFound(request);
    return;
  }
  auto size = static_cast<gint64>(std::filesystem::file_size(*file, ec));
  auto response = platform::adoptGRef(webkit_uri_scheme_response_new(G_INPUT_STREAM(stream.get()), ec ? -1 : size));
  webkit_uri_scheme_response_set_content_type(response.get(), mimeTypeOf(*file).c_str());
  webkit_uri_scheme_request_finish_with_response(request, response.get());
}

}  // namespace runlet
