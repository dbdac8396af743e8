#pragma once

#include <string>

namespace vexon::search {

// What a front end or the session hears of searches; each call is optional.
class SearchListener {
 public:
  // The trimmed words of every search started.
  virtual void WordsSearched(const std::string& words) { (void)words; }
  // The text of the checking counter.
  virtual void CheckingChanged(const std::string& text) { (void)text; }
  // The last task of a search has finished.
  virtual void AllFinished() {}

 protected:
  ~SearchListener() = default;
};

}  // namespace vexon::search
