#include "app/ui/artwork.h"

#include <QColor>
#include <QCoreApplication>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <initializer_list>

#include "app/command_ids.h"
#include "download/download_item.h"

namespace vexon::app::ui {
namespace {

// Draws one design on a square grid of `grid` units; Render scales it to pixels.
using Glyph = void (*)(QPainter&);

constexpr int kIconGrid = 16;
constexpr int kStateGrid = artwork::kStateImageWidth;

QColor Rgb(QRgb value) {
  return QColor::fromRgb(value);
}

QPen Outline(QRgb colour, qreal width) {
  return QPen(Rgb(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QLinearGradient Vertical(qreal top, qreal bottom, QRgb from, QRgb to) {
  QLinearGradient g(0, top, 0, bottom);
  g.setColorAt(0, Rgb(from));
  g.setColorAt(1, Rgb(to));
  return g;
}

// --- Shapes -------------------------------------------------------------------

void Magnifier(QPainter& p) {
  p.setPen(Outline(0x4a3320, 3.2));
  p.drawLine(QPointF(10.4, 10.4), QPointF(14.2, 14.2));
  QRadialGradient glass(QPointF(5.2, 5.2), 5.5);
  glass.setColorAt(0, Qt::white);
  glass.setColorAt(1, Rgb(0xa9d2f5));
  p.setBrush(glass);
  p.setPen(Outline(0x2d4f7c, 1.6));
  p.drawEllipse(QPointF(6.6, 6.6), 4.7, 4.7);
}

void PlayTriangle(QPainter& p) {
  p.setBrush(Vertical(2, 14, 0x7ddc77, 0x1f8a2a));
  p.setPen(Outline(0x14621c, 1.0));
  p.drawPolygon(QPolygonF({{4, 2}, {14, 8}, {4, 14}}));
}

void StopSquare(QPainter& p) {
  p.setBrush(Vertical(2.5, 13.5, 0xff7a6e, 0xc0261c));
  p.setPen(Outline(0x8a1510, 1.0));
  p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.6, 1.6);
}

void Cross(QPainter& p) {
  const QPointF a(3.5, 3.5), b(12.5, 12.5), c(12.5, 3.5), d(3.5, 12.5);
  p.setPen(Outline(0x8a1510, 4.0));
  p.drawLine(a, b);
  p.drawLine(c, d);
  p.setPen(Outline(0xe8473a, 2.2));
  p.drawLine(a, b);
  p.drawLine(c, d);
}

void Folder(QPainter& p) {
  QPainterPath back;
  back.moveTo(1.5, 3);
  back.lineTo(6, 3);
  back.lineTo(7.5, 4.5);
  back.lineTo(13.5, 4.5);
  back.lineTo(13.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.setPen(Outline(0x8a6410, 1.0));
  p.setBrush(Rgb(0xd9a520));
  p.drawPath(back);
  p.setBrush(Vertical(7, 13.5, 0xffe68a, 0xf2b830));
  p.drawPolygon(QPolygonF({{1.5, 13.5}, {3.8, 7}, {15.2, 7}, {13.5, 13.5}}));
}

void Disk(QPainter& p) {
  QPainterPath body;
  body.moveTo(1.5, 1.5);
  body.lineTo(12.5, 1.5);
  body.lineTo(14.5, 3.5);
  body.lineTo(14.5, 14.5);
  body.lineTo(1.5, 14.5);
  body.closeSubpath();
  p.setPen(Outline(0x173a73, 1.0));
  p.setBrush(Vertical(1.5, 14.5, 0x5b93e3, 0x24509a));
  p.drawPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(Rgb(0xdde2e8));
  p.drawRect(QRectF(4, 2, 7, 4.2));
  p.setBrush(Rgb(0x24509a));
  p.drawRect(QRectF(8.4, 2.7, 1.6, 2.8));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 8.5, 9, 6));
  p.setPen(Outline(0x9fb3cf, 0.9));
  p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
  p.drawLine(QPointF(5, 12.5), QPointF(11, 12.5));
}

void Gear(QPainter& p) {
  QPainterPath body;
  body.addEllipse(QPointF(8, 8), 5, 5);
  QPainterPath tooth;
  tooth.addRoundedRect(QRectF(-1.5, -7.4, 3, 3.4), 0.6, 0.6);
  for (int i = 0; i < 8; ++i) {
    QTransform t;
    t.translate(8, 8);
    t.rotate(45.0 * i);
    body = body.united(t.map(tooth));
  }
  QPainterPath hole;
  hole.addEllipse(QPointF(8, 8), 2.1, 2.1);
  body = body.subtracted(hole);
  p.setPen(Outline(0x3f4852, 1.0));
  p.setBrush(Vertical(1, 15, 0xc4ccd5, 0x66717d));
  p.drawPath(body);
}

void DownArrow(QPainter& p, QRgb light, QRgb dark, QRgb edge) {
  p.setPen(Outline(edge, 1.0));
  p.setBrush(Vertical(1, 12, light, dark));
  p.drawPolygon(QPolygonF({{6, 1}, {10, 1}, {10, 6}, {13.5, 6}, {8, 12}, {2.5, 6}, {6, 6}}));
}

void RightArrow(QPainter& p) {
  p.setPen(Outline(0x173f80, 1.0));
  p.setBrush(Vertical(2, 14, 0x6aa8f0, 0x1f5fb8));
  p.drawPolygon(QPolygonF({{1, 6}, {8, 6}, {8, 2}, {15, 8}, {8, 14}, {8, 10}, {1, 10}}));
}

void Globe(QPainter& p) {
  QRadialGradient sea(QPointF(5.5, 5), 9);
  sea.setColorAt(0, Rgb(0x9ad8ff));
  sea.setColorAt(1, Rgb(0x2a6fc4));
  p.setBrush(sea);
  p.setPen(Outline(0x1b4f8f, 1.0));
  p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 190), 0.8));
  p.drawEllipse(QPointF(8, 8), 2.8, 6.5);
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  p.drawLine(QPointF(2.6, 4.8), QPointF(13.4, 4.8));
  p.drawLine(QPointF(2.6, 11.2), QPointF(13.4, 11.2));
}

void Page(QPainter& p) {
  QPainterPath sheet;
  sheet.moveTo(3, 1.5);
  sheet.lineTo(10, 1.5);
  sheet.lineTo(13, 4.5);
  sheet.lineTo(13, 14.5);
  sheet.lineTo(3, 14.5);
  sheet.closeSubpath();
  p.setPen(Outline(0x5f6b78, 1.0));
  p.setBrush(Qt::white);
  p.drawPath(sheet);
  p.setBrush(Rgb(0xdfe5ec));
  p.drawPolygon(QPolygonF({{10, 1.5}, {10, 4.5}, {13, 4.5}}));
  p.setPen(Outline(0xa8b4c2, 1.0));
  for (const qreal y : {7.0, 9.5, 12.0}) p.drawLine(QPointF(5, y), QPointF(11, y));
}

void Eraser(QPainter& p) {
  p.save();
  p.translate(8, 8.5);
  p.rotate(-35);
  p.setPen(Qt::NoPen);
  p.setBrush(Rgb(0x5a8fe0));
  p.drawRoundedRect(QRectF(-6.5, -2.8, 6, 5.6), 1, 1);
  p.setBrush(Rgb(0xf7a3bb));
  p.drawRoundedRect(QRectF(-1.5, -2.8, 8, 5.6), 1, 1);
  p.setBrush(Qt::NoBrush);
  p.setPen(Outline(0x6d3347, 1.0));
  p.drawRoundedRect(QRectF(-6.5, -2.8, 13, 5.6), 1.2, 1.2);
  p.drawLine(QPointF(-1, -2.8), QPointF(-1, 2.8));
  p.restore();
}

void ListShape(QPainter& p, QRgb bullet, QRgb line) {
  for (const qreal y : {4.0, 8.0, 12.0}) {
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(bullet));
    p.drawRect(QRectF(2, y - 1.3, 2.6, 2.6));
    p.setPen(QPen(Rgb(line), 1.7, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6.5, y), QPointF(14, y));
  }
}

void Chevron(QPainter& p, QRgb colour) {
  p.setBrush(Qt::NoBrush);
  p.setPen(Outline(colour, 2.0));
  p.drawPolyline(QPolygonF({{4.5, 6}, {8, 9.5}, {11.5, 6}}));
}

void MusicNote(QPainter& p, const QColor& colour, qreal stroke) {
  p.setPen(QPen(colour, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(7.2, 10.4), QPointF(7.2, 3));
  QPainterPath flag;
  flag.moveTo(7.2, 3);
  flag.cubicTo(8.9, 3.9, 10.4, 4.8, 9.7, 7.4);
  p.drawPath(flag);
  p.save();
  p.translate(5.4, 10.8);
  p.rotate(-25);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(QPointF(0, 0), 2.2, 1.6);
  p.restore();
}

void Pencil(QPainter& p) {
  p.save();
  p.translate(8, 8);
  p.rotate(45);
  p.setPen(Outline(0x7a5a10, 0.9));
  p.setBrush(Rgb(0xf5c842));
  p.drawRect(QRectF(-2.2, -7, 4.4, 10));
  p.setBrush(Rgb(0xf1d9b0));
  p.drawPolygon(QPolygonF({{-2.2, 3}, {2.2, 3}, {0, 7}}));
  p.setBrush(Rgb(0xf7a3bb));
  p.drawRect(QRectF(-2.2, -7, 4.4, 2.2));
  p.restore();
}

// A smaller second glyph in the lower right corner.
void Badge(QPainter& p, Glyph glyph) {
  p.save();
  p.translate(6.2, 6.2);
  p.scale(0.61, 0.61);
  glyph(p);
  p.restore();
}

// Two copies, one behind the other: "all of them", or a copy.
void Pair(QPainter& p, Glyph glyph, qreal backOpacity) {
  p.save();
  p.translate(4, 0);
  p.scale(0.75, 0.75);
  p.setOpacity(backOpacity);
  glyph(p);
  p.restore();
  p.save();
  p.translate(0, 4);
  p.scale(0.75, 0.75);
  glyph(p);
  p.restore();
}

// --- Designs ------------------------------------------------------------------

void BlueDownArrow(QPainter& p) {
  DownArrow(p, 0x6aa8f0, 0x1f5fb8, 0x173f80);
}

void Download(QPainter& p) {
  BlueDownArrow(p);
  p.setBrush(Qt::NoBrush);
  p.setPen(Outline(0x4a525c, 1.6));
  p.drawPolyline(QPolygonF({{1.8, 10.5}, {1.8, 14.2}, {14.2, 14.2}, {14.2, 10.5}}));
}

void PlayButton(QPainter& p) {
  QRadialGradient ball(QPointF(6, 5), 9);
  ball.setColorAt(0, Rgb(0x8fe389));
  ball.setColorAt(1, Rgb(0x1f8a2a));
  p.setBrush(ball);
  p.setPen(Outline(0x14621c, 1.0));
  p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({{6.2, 4.6}, {11.6, 8}, {6.2, 11.4}}));
}

void ListWithEraser(QPainter& p) {
  ListShape(p, 0x8a94a0, 0xa8b4c2);
  Badge(p, Eraser);
}

void AppImage(QPainter& p) {
  QRadialGradient disc(QPointF(5, 4), 13);
  disc.setColorAt(0, Rgb(0x7cbcf8));
  disc.setColorAt(1, Rgb(0x1b4893));
  p.setBrush(disc);
  p.setPen(Outline(0x143a78, 0.6));
  p.drawEllipse(QPointF(8, 8), 7.6, 7.6);
  MusicNote(p, Qt::white, 1.15);
  p.setBrush(QColor(255, 255, 255, 80));
  p.setPen(Outline(0xffd23f, 1.1));
  p.drawEllipse(QPointF(10.7, 10.1), 2.4, 2.4);
  p.setPen(Outline(0xffd23f, 1.7));
  p.drawLine(QPointF(12.5, 11.9), QPointF(14.6, 14));
}

void Flame(QPainter& p) {
  QPainterPath outer;
  outer.moveTo(8, 1);
  outer.cubicTo(9, 4, 13, 6, 13, 10);
  outer.cubicTo(13, 13, 10.8, 15, 8, 15);
  outer.cubicTo(5.2, 15, 3, 13, 3, 10.2);
  outer.cubicTo(3, 8, 4.2, 6.8, 5, 6);
  outer.cubicTo(5, 7.5, 5.8, 8.5, 6.5, 8.5);
  outer.cubicTo(6, 6, 7, 3, 8, 1);
  p.setPen(Outline(0xb0300a, 0.9));
  p.setBrush(Vertical(1, 15, 0xff4a1a, 0xff9a1f));
  p.drawPath(outer);
  QPainterPath inner;
  inner.moveTo(8, 7.5);
  inner.cubicTo(9, 9.5, 10.5, 10.5, 10.5, 12.2);
  inner.cubicTo(10.5, 13.6, 9.4, 14.4, 8, 14.4);
  inner.cubicTo(6.6, 14.4, 5.5, 13.6, 5.5, 12.3);
  inner.cubicTo(5.5, 10.8, 7.2, 10, 8, 7.5);
  p.setPen(Qt::NoPen);
  p.setBrush(Rgb(0xffe066));
  p.drawPath(inner);
}

void MoreOptions(QPainter& p) {
  Chevron(p, 0x4a525c);
}

void MoreOptionsActive(QPainter& p) {
  p.setPen(Outline(0xb06e00, 1.0));
  p.setBrush(Vertical(0.5, 15.5, 0xffdb70, 0xf29a10));
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
  Chevron(p, 0x4a2a00);
}

void ListOnView(QPainter& p) {
  p.setPen(Outline(0x5b93d8, 0.8));
  p.setBrush(Rgb(0xdcebff));
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2.5, 2.5);
  ListShape(p, 0x1f6fd1, 0x244a7a);
}

void ListOffView(QPainter& p) {
  ListShape(p, 0xa3abb5, 0xbcc3cb);
}

void PlayOnline(QPainter& p) {
  Globe(p);
  Badge(p, PlayTriangle);
}

void StopSearch(QPainter& p) {
  Magnifier(p);
  Badge(p, StopSquare);
}

void ResumeAll(QPainter& p) {
  Pair(p, PlayTriangle, 0.7);
}
void StopAll(QPainter& p) {
  Pair(p, StopSquare, 0.7);
}
void DeleteAll(QPainter& p) {
  Pair(p, Cross, 0.7);
}

void MoveFile(QPainter& p) {
  Page(p);
  Badge(p, RightArrow);
}

void DeleteFile(QPainter& p) {
  Page(p);
  Badge(p, Cross);
}

void DeleteAllFiles(QPainter& p) {
  Pair(p, Page, 1.0);
  Badge(p, Cross);
}

void DownloadAs(QPainter& p) {
  BlueDownArrow(p);
  Badge(p, Pencil);
}

void CopyPages(QPainter& p) {
  Pair(p, Page, 1.0);
}

void StoppedMark(QPainter& p) {
  p.setPen(Outline(0x7a1410, 0.8));
  p.setBrush(Vertical(2, 10, 0xe86a60, 0xa8231b));
  p.drawRoundedRect(QRectF(2, 2, 8, 8), 1, 1);
}

void QueuedMark(QPainter& p) {
  p.setPen(Outline(0x8a5a00, 0.9));
  p.setBrush(Vertical(1, 11, 0xffd75e, 0xf0a010));
  p.drawEllipse(QPointF(6, 6), 4.8, 4.8);
  p.setPen(Outline(0x4a2e00, 1.0));
  p.drawLine(QPointF(6, 6), QPointF(6, 3.2));
  p.drawLine(QPointF(6, 6), QPointF(8.1, 7.2));
}

void TransferringMark(QPainter& p) {
  p.setPen(Outline(0x14621c, 0.8));
  p.setBrush(Vertical(1, 11, 0x7ddc77, 0x1f8a2a));
  p.drawPolygon(QPolygonF({{4.4, 1}, {7.6, 1}, {7.6, 5.4}, {10.8, 5.4}, {6, 11}, {1.2, 5.4}, {4.4, 5.4}}));
}

Glyph ButtonGlyph(int id) {
  switch (id) {
    case artwork::kSearchButton: return Magnifier;
    case artwork::kHotWordsButton: return Flame;
    case artwork::kMoreOptionsButton: return MoreOptions;
    case artwork::kMoreOptionsActiveButton: return MoreOptionsActive;
    case artwork::kListOnViewButton: return ListOnView;
    case artwork::kListOffViewButton: return ListOffView;
    default: return nullptr;
  }
}

Glyph CommandGlyph(int id) {
  using namespace artwork;
  switch (id) {
    case cmd::kStartDownload: return Download;
    case cmd::kPlayOnline: return PlayOnline;
    case cmd::kStopSearch: return StopSearch;
    case cmd::kClearAndStopSearch: return ListWithEraser;
    case cmd::kOpenResults: return Folder;
    case cmd::kSaveResults: return Disk;
    case cmd::kSystemOptions: return Gear;
    case cmd::kResumeDownload: return PlayTriangle;
    case cmd::kResumeAll: return ResumeAll;
    case cmd::kStopDownload: return StopSquare;
    case cmd::kStopAll: return StopAll;
    case cmd::kDeleteDownload: return Cross;
    case cmd::kDeleteAll: return DeleteAll;
    case cmd::kPlay: return PlayButton;
    case cmd::kClearLogItem: return Eraser;
    case cmd::kClearAllLogItems: return ListWithEraser;
    case cmd::kMoveFile: return MoveFile;
    case cmd::kDeleteFile: return DeleteFile;
    case cmd::kDeleteAllFiles: return DeleteAllFiles;
    case cmd::kHotWords: return Flame;
    case cmd::kSearch: return Magnifier;
    case cmd::kDownloadAs: return DownloadAs;
    case cmd::kVisitSite: return Globe;
    case cmd::kCopyUrl: return CopyPages;
    default: return nullptr;
  }
}

Glyph StateGlyph(int image) {
  switch (image) {
    case download::kStoppedImage: return StoppedMark;
    case download::kQueuedImage: return QueuedMark;
    case download::kTransferringImage: return TransferringMark;
    default: return nullptr;
  }
}

// --- Rendering and the cache ------------------------------------------------

QPixmap Render(Glyph glyph, int grid, int pixels) {
  QPixmap pixmap(pixels, pixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal scale = qreal(pixels) / grid;
  painter.scale(scale, scale);
  glyph(painter);
  return pixmap;
}

QPixmap RenderBanner(QSize size) {
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  const int w = size.width();
  const int h = size.height();
  QLinearGradient base(0, 0, w, 0);
  base.setColorAt(0, Rgb(0xc6dbf3));
  base.setColorAt(0.55, Rgb(0xe4eefa));
  base.setColorAt(1, Rgb(0xfafcff));
  p.fillRect(pixmap.rect(), base);
  QLinearGradient sheen(0, 0, 0, h);
  sheen.setColorAt(0, QColor(255, 255, 255, 150));
  sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
  p.fillRect(pixmap.rect(), sheen);
  // Faint sound waves spreading to the left from near the right edge.
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 120, 200, 38), qMax(1.0, h / 20.0)));
  p.setBrush(Qt::NoBrush);
  const QPointF centre(w - h * 0.15, h * 0.5);
  for (int i = 1; i <= 4; ++i) {
    const qreal r = h * 0.32 * i;
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 135 * 16, 90 * 16);
  }
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Rgb(0x9db7d9));
  p.drawLine(0, h - 1, w - 1, h - 1);
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

QIcon CachedIcon(Kind kind, int id, Glyph glyph, int grid, std::initializer_list<int> sizes) {
  if (glyph == nullptr) return {};
  Cache& cache = TheCache();
  const qint64 key = Key(kind, id);
  if (const auto it = cache.icons.constFind(key); it != cache.icons.cend()) return *it;
  QIcon icon;
  for (const int pixels : sizes) icon.addPixmap(Render(glyph, grid, pixels));
  BeforeStore();
  cache.icons.insert(key, icon);
  return icon;
}

}  // namespace

QIcon AppIcon() {
  return CachedIcon(Kind::kApp, artwork::kAppIcon, AppImage, kIconGrid, {16, 24, 32, 48, 64});
}

QIcon ButtonImage(int bitmapId) {
  return CachedIcon(Kind::kButton, bitmapId, ButtonGlyph(bitmapId), kIconGrid, {16, 24, 32});
}

QIcon CommandIcon(int commandId) {
  return CachedIcon(Kind::kCommand, commandId, CommandGlyph(commandId), kIconGrid, {16, 24, 32});
}

QIcon DownloadStateIcon(int image) {
  return CachedIcon(Kind::kState, image, StateGlyph(image), kStateGrid, {kStateGrid, 2 * kStateGrid});
}

QPixmap BannerPixmap(QSize size) {
  if (size.isEmpty()) return {};
  Cache& cache = TheCache();
  const qint64 key = Key(Kind::kBanner, (qint64(size.width()) << 20) | size.height());
  if (const auto it = cache.pixmaps.constFind(key); it != cache.pixmaps.cend()) return *it;
  QPixmap pixmap = RenderBanner(size);
  BeforeStore();
  // Dialogs are resized freely; keep only the sizes of the latest few.
  if (cache.pixmaps.size() >= 8) cache.pixmaps.clear();
  cache.pixmaps.insert(key, pixmap);
  return pixmap;
}

}  // namespace vexon::app::ui
