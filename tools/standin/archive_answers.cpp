#include <cctype>

#include <nlohmann/json.hpp>

#include "download/file_digest.h"
#include "standin/audio_content.h"
#include "standin/result_pages.h"
#include "standin/standin_impl.h"

// The archive's JSON interface: a search over the archive catalog, item metadata,
// and downloads that redirect to a data node, where the file server answers.
namespace vexon::standin {

using namespace detail;
using Json = nlohmann::ordered_json;

namespace {

constexpr int64_t kDefaultRows = 50;
constexpr int64_t kMaxRows = 10000;
constexpr size_t kMaxNumberDigits = 9;
constexpr std::string_view kJsonType = "application/json";

std::string Dump(const Json& json) {
  // A query may carry bytes that are not UTF-8; they must not end the answer.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void Answer(httplib::Response& res, int status, const Json& json) {
  res.status = status;
  res.set_content(Dump(json), std::string(kJsonType));
}

void AnswerError(httplib::Response& res, int status, const std::string& message) {
  Answer(res, status, Json{{"error", message}});
}

std::string_view RawPath(const httplib::Request& req) {
  const std::string_view target = req.target;
  return target.substr(0, target.find('?'));
}

std::string_view RawQuery(const httplib::Request& req) {
  const size_t mark = req.target.find('?');
  return mark == std::string::npos ? std::string_view() : std::string_view(req.target).substr(mark + 1);
}

// One path segment: %XX decoded, '+' kept; nothing for a broken escape or a
// segment that could leave its folder.
std::optional<std::string> DecodeSegment(std::string_view raw) {
  const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (size_t i = raw.find('%'); i != std::string_view::npos; i = raw.find('%', i + 1)) {
    if (i + 2 >= raw.size() || !hex(raw[i + 1]) || !hex(raw[i + 2])) return std::nullopt;
  }
  std::string out = DecodeEscapes(raw);
  if (out.empty() || out == "." || out == ".." || out.find('/') != std::string::npos ||
      out.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  return out;
}

enum class SegmentsOutcome { kGood, kBad, kWrongCount };

// "IDENTIFIER/NAME" after a prefix, every segment decoded by itself; a name may
// hold folders ("disc1/01 x.mp3").
SegmentsOutcome SplitItemPath(std::string_view rest, std::string& identifier, std::string& name) {
  const std::vector<std::string> parts = text::Split(rest, "/");
  if (parts.size() < 2) return SegmentsOutcome::kWrongCount;
  std::optional<std::string> id = DecodeSegment(parts[0]);
  if (!id) return SegmentsOutcome::kBad;
  std::string path;
  for (size_t i = 1; i < parts.size(); ++i) {
    std::optional<std::string> segment = DecodeSegment(parts[i]);
    if (!segment) return SegmentsOutcome::kBad;
    path += (i > 1 ? "/" : "") + *segment;
  }
  identifier = std::move(*id);
  name = std::move(path);
  return SegmentsOutcome::kGood;
}

// Each segment of a name in a folder encoded by itself.
std::string EncodePath(std::string_view name) {
  std::string out;
  for (const std::string& segment : text::Split(name, "/")) out += (out.empty() ? "" : "/") + PercentEncode(segment);
  return out;
}

// A count of 0..999999999 written in decimal digits only.
std::optional<int64_t> Count(const std::string& value) {
  if (value.empty() || value.size() > kMaxNumberDigits) return std::nullopt;
  if (!std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
  return text::LeadingInt(value);
}

std::string HostName(const std::string& host) {
  const size_t colon = host.rfind(':');
  if (colon == std::string::npos || host.find(']', colon) != std::string::npos) return host;
  return host.substr(0, colon);
}

Json Creators(const std::vector<std::string>& creators) {
  if (creators.size() == 1) return creators.front();
  return Json(creators);
}

Json DocJson(const ArchiveDoc& doc, const std::vector<std::string>& fields) {
  Json json = Json::object();
  for (const std::string& field : fields) {
    if (field == "identifier") {
      json["identifier"] = doc.identifier;
    } else if (field == "title" && !doc.title.empty()) {
      json["title"] = doc.title;
    } else if (field == "creator" && !doc.creators.empty()) {
      json["creator"] = Creators(doc.creators);
    } else if (field == "mediatype") {
      json["mediatype"] = "audio";
    } else if (field == "collection") {
      json["collection"] = Json::array({doc.collection});
    } else if (field == "date") {
      json["date"] = doc.date + "T00:00:00Z";
    }
  }
  return json;
}

Json FileJson(const ArchiveFile& file, const FileDigests* digests) {
  Json json = Json::object();
  json["name"] = file.name;
  json["source"] = file.source;
  json["format"] = file.format;
  if (!file.original.empty()) json["original"] = file.original;
  json["mtime"] = std::to_string(file.mtime);
  if (file.sizeListed) {
    if (file.sizeAsNumber) {
      json["size"] = file.size;
    } else {
      json["size"] = std::to_string(file.size);
    }
  }
  if (!file.title.empty()) json["title"] = file.title;
  if (!file.creator.empty()) json["creator"] = file.creator;
  if (!file.artist.empty()) json["artist"] = file.artist;
  if (file.isPrivate) json["private"] = "true";
  if (file.track > 0) json["track"] = text::Format("%02d", file.track);
  if (file.length > 0) json["length"] = text::Format("%.1f", file.length);
  if (digests != nullptr) {
    json["md5"] = digests->md5;
    json["sha1"] = digests->sha1;
  }
  return json;
}

Json ItemJson(const ArchiveItem& item, const std::string& host,
              const std::function<std::optional<FileDigests>(const ArchiveFile&)>& digestsOf) {
  Json files = Json::array();
  uint64_t itemSize = 0;
  for (const ArchiveFile& file : item.files) {
    const std::optional<FileDigests> digests = digestsOf(file);
    files.push_back(FileJson(file, digests ? &*digests : nullptr));
    itemSize += file.size;
  }
  Json metadata = Json::object();
  metadata["identifier"] = item.doc.identifier;
  metadata["mediatype"] = "audio";
  metadata["collection"] = item.doc.collection;
  if (!item.doc.title.empty()) metadata["title"] = item.doc.title;
  if (!item.doc.creators.empty()) metadata["creator"] = Creators(item.doc.creators);
  metadata["date"] = item.doc.date;

  const std::string node = HostName(host);
  Json json = Json::object();
  json["created"] = kArchiveCreated;
  json["d1"] = node;
  json["dir"] = std::string(kArchiveDataPrefix) + item.doc.identifier;
  json["files"] = std::move(files);
  json["files_count"] = item.files.size();
  json["item_size"] = itemSize;
  json["metadata"] = std::move(metadata);
  json["server"] = node;
  json["workable_servers"] = Json::array({node});
  return json;
}

}  // namespace

std::optional<FileDigests> StandinServer::Impl::DigestsOf(const ArchiveFile& file) {
  // Hashing every file of a large catalog would hold up each first answer: the
  // listed MP3s and the small files carry digests, as the option asks.
  if (!options_.archiveDigests || (file.format != "VBR MP3" && !file.body)) return std::nullopt;
  const std::string extension = file.Extension();
  const auto key = std::make_pair(file.body ? *file.body : extension, file.size);
  {
    std::lock_guard lock(digestMutex_);
    if (const auto it = digests_.find(key); it != digests_.end()) return it->second;
  }
  download::FileDigest md5(download::ExpectedDigest::Kind::kMd5);
  download::FileDigest sha1(download::ExpectedDigest::Kind::kSha1);
  const auto feed = [&](const char* data, size_t size) {
    md5.Update(data, size);
    sha1.Update(data, size);
  };
  if (file.body) {
    feed(file.body->data(), file.body->size());
  } else {
    const AudioContent audio(FormatForExtension(extension), file.size);
    std::string piece(1 << 20, '\0');
    for (uint64_t at = 0; at < file.size; at += piece.size()) {
      const size_t length = static_cast<size_t>(std::min<uint64_t>(piece.size(), file.size - at));
      audio.Fill(at, piece.data(), length);
      feed(piece.data(), length);
    }
  }
  FileDigests digests{md5.FinishHex(), sha1.FinishHex()};
  std::lock_guard lock(digestMutex_);
  digests_.emplace(key, digests);
  return digests;
}

std::optional<StandinServer::Impl::FileRoute> StandinServer::Impl::FindArchiveFile(const httplib::Request& req) const {
  const std::string_view path = RawPath(req);
  if (!text::StartsWith(path, kArchiveDataPrefix)) return std::nullopt;
  std::string identifier, name;
  if (SplitItemPath(path.substr(kArchiveDataPrefix.size()), identifier, name) != SegmentsOutcome::kGood) {
    return std::nullopt;
  }
  const std::optional<ArchiveFile> file = CurrentArchive().FindFile(identifier, name);
  if (!file || file->isPrivate) return std::nullopt;
  FileScript s;
  s.extension = file->Extension();
  s.contentType = file->contentType;
  s.body = file->body;
  s.size = file->size;
  s.lastModified = file->mtime;
  return FileRoute{std::move(s), text::AsciiLower(path), 0, false};
}

bool StandinServer::Impl::ShedArchiveRequest(httplib::Response& res) {
  std::string retryAfter;
  {
    std::lock_guard lock(countMutex_);
    ++counters_.archiveInFlight;
    if (shedAbove_ <= 0 || counters_.archiveInFlight <= shedAbove_) {
      counters_.peakArchiveInFlight = std::max(counters_.peakArchiveInFlight, counters_.archiveInFlight);
      return false;
    }
    ++counters_.shedAnswers;
    retryAfter = shedRetryAfter_;
  }
  // As load balancers shed: a bare status, no page to read.
  res.status = 429;
  if (!retryAfter.empty()) res.set_header("Retry-After", retryAfter);
  return true;
}

void StandinServer::Impl::LeaveArchiveRequest() {
  std::lock_guard lock(countMutex_);
  --counters_.archiveInFlight;
}

bool StandinServer::Impl::ServeArchive(const httplib::Request& req, httplib::Response& res, const std::string& host) {
  const std::string_view path = RawPath(req);
  const bool ownHost = path == kArchiveSearchPath || text::StartsWith(path, kArchiveMetadataPrefix) ||
                       text::StartsWith(path, kArchiveDownloadPrefix);
  if (ownHost) {
    struct Leaving {
      Impl& impl;
      ~Leaving() { impl.LeaveArchiveRequest(); }
    } leaving{*this};
    if (ShedArchiveRequest(res)) return true;
    if (path == kArchiveSearchPath) {
      ServeArchiveSearch(req, res);
    } else if (text::StartsWith(path, kArchiveMetadataPrefix)) {
      ServeArchiveMetadata(req, res, host);
    } else {
      ServeArchiveDownload(req, res, host);
    }
    return true;
  }
  if (text::StartsWith(path, kArchiveDataPrefix)) {
    // Existing public files were routed to the file server already.
    std::string identifier, name;
    const SegmentsOutcome split = SplitItemPath(path.substr(kArchiveDataPrefix.size()), identifier, name);
    const bool restricted = split == SegmentsOutcome::kGood && CurrentArchive().FindFile(identifier, name);
    res.status = split == SegmentsOutcome::kBad ? 400 : restricted ? 403 : 404;
    res.set_content(ErrorPage(res.status), "text/html");
  } else {
    return false;
  }
  return true;
}

void StandinServer::Impl::ServeArchiveSearch(const httplib::Request& req, httplib::Response& res) {
  std::optional<std::string> query, rowsText, pageText, output;
  std::vector<std::string> fields;
  for (const std::string& part : text::Split(RawQuery(req), "&")) {
    const size_t eq = part.find('=');
    const std::string key = PercentDecode(std::string_view(part).substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : PercentDecode(part.substr(eq + 1));
    if (key == "q") {
      query = value;
    } else if (key == "rows") {
      rowsText = value;
    } else if (key == "page") {
      pageText = value;
    } else if (key == "output") {
      output = value;
    } else if (key == "fl[]" || key == "fl") {
      for (const std::string& field : text::Split(value, ",")) {
        if (!text::Trim(field).empty()) fields.emplace_back(text::Trim(field));
      }
    }
  }
  if (!query || text::Trim(*query).empty()) return AnswerError(res, 400, "no query given (q)");
  if (output != "json") return AnswerError(res, 400, "only output=json is served here");
  const std::optional<int64_t> rows = rowsText ? Count(*rowsText) : kDefaultRows;
  const std::optional<int64_t> page = pageText ? Count(*pageText) : 1;
  if (!rows) return AnswerError(res, 400, "rows must be a number");
  if (!page || *page < 1) return AnswerError(res, 400, "page must be a number from 1");
  if (fields.empty()) fields = {"identifier", "title", "creator"};

  // Every query finds the whole catalog: the client's paging is what is tried out.
  const ArchiveCatalog archive = CurrentArchive();
  const int64_t perPage = std::min(*rows, kMaxRows);
  const int64_t start = (*page - 1) * perPage;
  Json docs = Json::array();
  for (int64_t i = start; i < std::min<int64_t>(start + perPage, archive.Count()); ++i) {
    docs.push_back(DocJson(archive.Doc(static_cast<int>(i)), fields));
  }
  std::string fieldList;
  for (const std::string& field : fields) fieldList += (fieldList.empty() ? "" : ",") + field;
  Json params = {
      {"query", *query}, {"qin", *query}, {"fields", fieldList}, {"wt", "json"}, {"rows", std::to_string(perPage)},
      {"start", start}};
  Json header = {{"status", 0}, {"QTime", 1}, {"params", std::move(params)}};
  Json response = {{"numFound", archive.Count()}, {"start", start}, {"docs", std::move(docs)}};
  Answer(res, 200, Json{{"responseHeader", std::move(header)}, {"response", std::move(response)}});
}

void StandinServer::Impl::ServeArchiveMetadata(const httplib::Request& req, httplib::Response& res,
                                               const std::string& host) {
  {
    std::lock_guard lock(countMutex_);
    counters_.peakMetadataInFlight = std::max(counters_.peakMetadataInFlight, ++counters_.metadataInFlight);
  }
  struct Leaving {
    Impl& impl;
    ~Leaving() {
      std::lock_guard lock(impl.countMutex_);
      --impl.counters_.metadataInFlight;
    }
  } leaving{*this};

  if (!Pause(std::chrono::milliseconds(metadataDelayMs_.load()))) return AnswerError(res, 503, "stopping");
  std::string_view rest = RawPath(req).substr(kArchiveMetadataPrefix.size());
  if (text::EndsWith(rest, "/")) rest.remove_suffix(1);
  // Whatever names no item (sub-paths included) gets an empty object, as the real
  // service answers.
  const std::optional<std::string> identifier = DecodeSegment(rest);
  const std::optional<ArchiveItem> item = identifier ? CurrentArchive().Find(*identifier) : std::nullopt;
  Answer(res, 200,
         item ? ItemJson(*item, host, [this](const ArchiveFile& file) { return DigestsOf(file); }) : Json::object());
}

void StandinServer::Impl::ServeArchiveDownload(const httplib::Request& req, httplib::Response& res,
                                               const std::string& host) {
  std::string identifier, name;
  switch (SplitItemPath(RawPath(req).substr(kArchiveDownloadPrefix.size()), identifier, name)) {
    case SegmentsOutcome::kBad:
      res.status = 400;
      res.set_content(ErrorPage(400), "text/html");
      return;
    case SegmentsOutcome::kWrongCount:
      res.status = 404;
      res.set_content(ErrorPage(404), "text/html");
      return;
    case SegmentsOutcome::kGood: break;
  }
  const std::optional<ArchiveFile> file = CurrentArchive().FindFile(identifier, name);
  if (!file || file->isPrivate) {
    // A private file is there, but for lenders only.
    res.status = file ? 403 : 404;
    res.set_content(ErrorPage(res.status), "text/html");
    return;
  }
  // Answered at once: the check delay waits at the data node, so one link check
  // waits once, as it does for a plain /files/ link.
  const std::string location =
      "http://" + host + std::string(kArchiveDataPrefix) + PercentEncode(identifier) + "/" + EncodePath(name);
  res.status = 302;
  res.set_header("Location", location);
  res.set_content("<html><body><a href=\"" + location + "\">moved</a></body></html>\r\n", "text/html");
}

}  // namespace vexon::standin
