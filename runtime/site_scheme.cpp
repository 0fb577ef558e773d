// Serves the bundled site to the web view, confined to its folder.
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/local_site.hpp"

namespace runlet {

namespace {

using ResponseRef = platform::GRef<WebKitURISchemeResponse>;

ResponseRef siteResponse(const std::filesystem::path& siteRoot, WebKitURISchemeRequest* request) {
  auto path = decodedRequestPath(webkit_uri_scheme_request_get_path(request));
  auto file = (path && !siteRoot.empty()) ? resolveSitePath(siteRoot, *path) : std::nullopt;
  std::error_code ec;
  if (file && std::filesystem::is_directory(*file, ec)) file = resolveSitePath(siteRoot, *path + "/index.html");
  if (!file || !std::filesystem::is_regular_file(*file, ec)) return nullptr;
  auto gfile = platform::adoptGRef(g_file_new_for_path(file->c_str()));
  auto stream = platform::adoptGRef(g_file_read(gfile.get(), nullptr, nullptr));
  if (!stream) return nullptr;
  auto size = static_cast<gint64>(std::filesystem::file_size(*file, ec));
  auto response = ResponseRef::adopt(webkit_uri_scheme_response_new(G_INPUT_STREAM(stream.get()), ec ? -1 : size));
  std::string type = siteMIMEType(file->filename().string());
  webkit_uri_scheme_response_set_content_type(response.get(), type.c_str());
  // Pages read the type from the headers too (streamed WebAssembly does).
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_replace(headers, "Content-Type", type.c_str());
  webkit_uri_scheme_response_set_http_headers(response.get(), headers);  // takes the headers
  return response;
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
  // Every request is finished exactly once, also when reading the file fails.
  auto response = guarded(ResponseRef(), [&] { return siteResponse(self->siteRoot_, request); });
  if (response) {
    webkit_uri_scheme_request_finish_with_response(request, response.get());
    return;
  }
  platform::CPtr<GError> error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "File not found"));
  webkit_uri_scheme_request_finish_error(request, error.get());
}

}  // namespace runlet
