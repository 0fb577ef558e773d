// The native half of the export bridge.
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/export_bridge.hpp"
#include "runtime/file_input.hpp"

namespace runlet {

namespace {

std::optional<std::int64_t> integerProperty(JSCValue* object, const char* name) {
  auto value = platform::adoptGRef(jsc_value_object_get_property(object, name));
  if (!value || !jsc_value_is_number(value.get())) return std::nullopt;
  double number = jsc_value_to_double(value.get());
  if (!(number >= 0 && number <= 1e15) || number != static_cast<double>(static_cast<std::int64_t>(number))) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(number);
}

std::optional<bool> booleanProperty(JSCValue* object, const char* name) {
  auto value = platform::adoptGRef(jsc_value_object_get_property(object, name));
  if (!value || !jsc_value_is_boolean(value.get())) return std::nullopt;
  return jsc_value_to_boolean(value.get());
}

// The UTF-8 text of a string property, or nothing.
platform::GCharPtr stringProperty(JSCValue* object, const char* name) {
  auto value = platform::adoptGRef(jsc_value_object_get_property(object, name));
  if (!value || !jsc_value_is_string(value.get())) return nullptr;
  return platform::GCharPtr(jsc_value_to_string(value.get()));
}

void addScript(WebKitUserContentManager* manager, const std::string& source) {
  auto* script = webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, script);
  webkit_user_script_unref(script);
}

}  // namespace

void AppDelegate::installExportBridge() {
  auto* manager = contentManager_.get();
  webkit_user_content_manager_unregister_script_message_handler(manager, exportMessageName_.c_str(), nullptr);
  // With a reply, the page's post resolves once the part is on disk, so our
  // script sends the next part only then: no parts pile up in between.
  webkit_user_content_manager_register_script_message_handler_with_reply(manager, exportMessageName_.c_str(), nullptr);
  std::string signal = "script-message-with-reply-received::" + exportMessageName_;
  g_signal_connect(manager, signal.c_str(), G_CALLBACK(onExportMessage), this);
  addScript(manager, exportBridgeScript(exportMessageName_));

  // The file chooser request does not say whether the input wants folders;
  // the input tells us itself just before the chooser opens.
  webkit_user_content_manager_register_script_message_handler(manager, std::string(kFileInputMessageName).c_str(),
                                                              nullptr);
  signal = "script-message-received::" + std::string(kFileInputMessageName);
  g_signal_connect(manager, signal.c_str(), G_CALLBACK(onFileInputMessage), this);
  addScript(manager, fileInputScript());
}

// The reply is the engine's own (undefined), sent once the handlers have run.
gboolean AppDelegate::onExportMessage(WebKitUserContentManager*, JSCValue* value, WebKitScriptMessageReply*,
                                      gpointer data) {
  guarded([&] { static_cast<AppDelegate*>(data)->receiveExportMessage(value); });
  return FALSE;
}

void AppDelegate::receiveExportMessage(JSCValue* value) {
  ExportMessageBody body;
  body.isDictionary = value && jsc_value_is_object(value) && !jsc_value_is_array(value) &&
                      !jsc_value_is_function(value) && !jsc_value_is_null(value);
  platform::GCharPtr nameText, dataText;  // own the text `body` refers to
  if (body.isDictionary) {
    nameText = stringProperty(value, "name");
    dataText = stringProperty(value, "data");
    if (nameText) body.name = std::string(nameText.get());
    if (dataText) body.data = std::string_view(dataText.get());
    body.hasTransfer = jsc_value_object_has_property(value, "transfer");
    if (body.hasTransfer) {
      if (auto transfer = stringProperty(value, "transfer")) body.transfer = std::string(transfer.get());
      body.part = integerProperty(value, "part");
      body.last = booleanProperty(value, "last");
    }
  }
  auto request = exportRequestFromMessage(exportMessageName_, body);
  if (!request) return;
  auto outcome = exportAssembler_.add(downloadsFolder(), *request);
  switch (outcome.kind) {
    case SaveOutcome::Kind::saved:
      workspace().revealFile(outcome.path);
      break;
    case SaveOutcome::Kind::failed:
      workspace().alertSound();
      break;
    case SaveOutcome::Kind::pending:
    case SaveOutcome::Kind::undecodable:
      break;
  }
}

void AppDelegate::onFileInputMessage(WebKitUserContentManager*, JSCValue* value, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  self->nextChooserWantsFolders_ = value && jsc_value_is_boolean(value) && jsc_value_to_boolean(value);
}

}  // namespace runlet
