#include "app/ui/artwork.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <initializer_list>

#include "app/command_ids.h"
#include "download/download_item.h"

// The resource lives in a static library: naming its initializer here makes the
// linker keep it in every program that asks for artwork. Q_INIT_RESOURCE must be
// used outside a namespace.
static bool RegisterIconResource() {
  Q_INIT_RESOURCE(vexon_icons);
  return true;
}

namespace vexon::app::ui {
namespace {

constexpr int kStateGrid = artwork::kStateImageWidth;

const char* ButtonFile(int id) {
  switch (id) {
    case artwork::kSearchButton: return "magnifier";
    case artwork::kHotWordsButton: return "flame";
    case artwork::kMoreOptionsButton: return "chevron-down";
    case artwork::kMoreOptionsActiveButton: return "chevron-down-highlighted";
    case artwork::kListOnViewButton: return "list-highlighted";
    case artwork::kListOffViewButton: return "list-grey";
    default: return nullptr;
  }
}

const char* CommandFile(int id) {
  switch (id) {
    case cmd::kStartDownload: return "download-arrow";
    case cmd::kPlayOnline: return "globe-play";
    case cmd::kStopSearch: return "magnifier-stop";
    case cmd::kClearAndStopSearch: return "list-eraser";
    case cmd::kOpenResults:
    case cmd::kShowDownloadFolder:
    case cmd::kShowFileFolder: return "folder";
    case cmd::kSaveResults: return "disk";
    case cmd::kSystemOptions: return "gear";
    case cmd::kResumeDownload: return "play";
    case cmd::kResumeAll: return "play-pair";
    case cmd::kStopDownload: return "stop-square";
    case cmd::kStopAll: return "stop-square-pair";
    case cmd::kDeleteDownload: return "cross";
    case cmd::kDeleteAll: return "cross-pair";
    case cmd::kPlay: return "play-round";
    case cmd::kClearLogItem: return "eraser";
    case cmd::kClearAllLogItems: return "list-eraser";
    case cmd::kMoveFile: return "page-arrow";
    case cmd::kDeleteFile: return "page-cross";
    case cmd::kDeleteAllFiles: return "page-pair-cross";
    case cmd::kHotWords: return "flame";
    case cmd::kSearch: return "magnifier";
    case cmd::kDownloadAs: return "download-arrow-pencil";
    case cmd::kVisitSite: return "globe";
    case cmd::kCopyUrl: return "page-pair";
    default: return nullptr;
  }
}

const char* StateFile(int image) {
  switch (image) {
    case download::kStoppedImage: return "state-stopped";
    case download::kQueuedImage: return "state-queued";
    case download::kTransferringImage: return "state-transferring";
    default: return nullptr;
  }
}

// --- Rendering and the cache ------------------------------------------------

// Opens one SVG file of the resource; an invalid renderer if it is missing.
void Load(QSvgRenderer& renderer, const char* file) {
  static const bool registered = RegisterIconResource();
  Q_UNUSED(registered);
  renderer.load(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(file)));
  renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
}

QPixmap Render(QSvgRenderer& renderer, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(QPointF(0, 0), size));
  return pixmap;
}

enum class Kind : qint64 { kApp, kButton, kCommand, kState, kBanner };

qint64 Key(Kind kind, qint64 value) {
  return (static_cast<qint64>(kind) << 40) | value;
}

struct Cache {
  QHash<qint64, QIcon> icons;
  QHash<qint64, QPixmap> pixmaps;
  bool clearsAtExit = false;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

void ClearCache() {
  Cache& cache = TheCache();
  cache.icons.clear();
  cache.pixmaps.clear();
  cache.clearsAtExit = false;
}

// Pixmaps must go while the platform that made them is still there: the cache
// empties itself when the application object ends, and registers again when it
// is filled for a later application object.
void BeforeStore() {
  Cache& cache = TheCache();
  if (cache.clearsAtExit) return;
  qAddPostRoutine(ClearCache);
  cache.clearsAtExit = true;
}

// Each size is rendered once from the vector file, so small sizes stay sharp
// instead of being scaled down from the largest.
QIcon CachedIcon(Kind kind, int id, const char* file, std::initializer_list<int> sizes) {
  if (file == nullptr) return {};
  Cache& cache = TheCache();
  const qint64 key = Key(kind, id);
  if (const auto it = cache.icons.constFind(key); it != cache.icons.cend()) return *it;
  QSvgRenderer renderer;
  Load(renderer, file);
  if (!renderer.isValid()) return {};
  QIcon icon;
  for (const int pixels : sizes) icon.addPixmap(Render(renderer, QSize(pixels, pixels)));
  BeforeStore();
  cache.icons.insert(key, icon);
  return icon;
}

}  // namespace

QIcon AppIcon() {
  return CachedIcon(Kind::kApp, artwork::kAppIcon, "vexon", {16, 24, 32, 48, 64});
}

QIcon ButtonImage(int bitmapId) {
  return CachedIcon(Kind::kButton, bitmapId, ButtonFile(bitmapId), {16, 24, 32});
}

QIcon CommandIcon(int commandId) {
  return CachedIcon(Kind::kCommand, commandId, CommandFile(commandId), {16, 24, 32});
}

QIcon DownloadStateIcon(int image) {
  return CachedIcon(Kind::kState, image, StateFile(image), {kStateGrid, 2 * kStateGrid});
}

QPixmap BannerPixmap(QSize size) {
  if (size.isEmpty()) return {};
  Cache& cache = TheCache();
  const qint64 key = Key(Kind::kBanner, (qint64(size.width()) << 20) | size.height());
  if (const auto it = cache.pixmaps.constFind(key); it != cache.pixmaps.cend()) return *it;
  QSvgRenderer renderer;
  Load(renderer, "banner");
  if (!renderer.isValid()) return {};
  QPixmap pixmap = Render(renderer, size);
  BeforeStore();
  // Dialogs are resized freely; keep only the sizes of the latest few.
  if (cache.pixmaps.size() >= 8) cache.pixmaps.clear();
  cache.pixmaps.insert(key, pixmap);
  return pixmap;
}

}  // namespace vexon::app::ui
