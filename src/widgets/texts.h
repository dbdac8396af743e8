#pragma once

#include <QString>

#include <string_view>

#include "text/catalog.h"

namespace vexon::widgets {

// A source text as the catalog in use gives it, for a widget.
inline QString Text(const text::Translator& texts, std::string_view source) {
  const std::string_view shown = texts(source);
  return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace vexon::widgets
