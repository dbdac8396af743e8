#pragma once

#include <string_view>

namespace vexon::core {

// Compares two cell texts by the list's rule, chosen by the first text: integers
// (empty or only digits and "."), month/day/year dates ("dd/dd/dddd"), durations
// ("m:ss", "h:mm:ss"), else locale-aware text. Returns <0, 0 or >0.
int CompareCells(std::string_view first, std::string_view second);

}  // namespace vexon::core
