#include "library/gio_associations.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <memory>

namespace vexon::library {
namespace {

struct GFreeText {
  void operator()(gchar* text) const { g_free(text); }
};
struct GUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using Text = std::unique_ptr<gchar, GFreeText>;
template <typename T>
using Ref = std::unique_ptr<T, GUnref>;

}  // namespace

std::optional<std::string> GioAssociations::TypeForExtension(const std::string& extension) {
  if (extension.size() < 2 || extension.front() != '.') return std::nullopt;
  gboolean uncertain = FALSE;
  // Only the name counts: the file is not there to look into.
  const Text type(g_content_type_guess(("file" + extension).c_str(), nullptr, 0, &uncertain));
  if (!type || uncertain || g_content_type_is_unknown(type.get())) return std::nullopt;
  const Text mime(g_content_type_get_mime_type(type.get()));
  if (!mime) return std::nullopt;
  return std::string(mime.get());
}

std::optional<std::string> GioAssociations::DefaultApplication(const std::string& type) {
  const Text contentType(g_content_type_from_mime_type(type.c_str()));
  if (!contentType) return std::nullopt;
  const Ref<GAppInfo> app(g_app_info_get_default_for_type(contentType.get(), FALSE));
  if (!app) return std::nullopt;
  const char* id = g_app_info_get_id(app.get());
  if (id == nullptr) return std::nullopt;
  return std::string(id);
}

bool GioAssociations::Launch(const std::string& application, const std::string& url) {
  const Ref<GDesktopAppInfo> app(g_desktop_app_info_new(application.c_str()));
  if (!app) return false;
  GList uris{};
  uris.data = const_cast<char*>(url.c_str());
  GError* error = nullptr;
  const bool launched = g_app_info_launch_uris(G_APP_INFO(app.get()), &uris, nullptr, &error) != FALSE;
  if (error != nullptr) g_error_free(error);
  return launched;
}

}  // namespace vexon::library
