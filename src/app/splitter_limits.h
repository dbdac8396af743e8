#pragma once

namespace vexon::app {

// The range in which the bar between the results list and the lower list can be
// dragged, in window client coordinates. It follows half of the window's growth.
class SplitterLimits final {
 public:
  static constexpr int kAboveResultsTop = 85;
  static constexpr int kBelowLowerListBottom = 92;

  SplitterLimits() = default;
  SplitterLimits(int resultsTop, int lowerListBottom, int windowHeight)
      : startLower_(resultsTop + kAboveResultsTop),
        startUpper_(lowerListBottom - kBelowLowerListBottom),
        startHeight_(windowHeight),
        lower_(startLower_),
        upper_(startUpper_) {}

  // After a move or resize: both limits are their start values plus half of the
  // growth in height, the half truncated toward zero.
  void WindowHeightChanged(int height) {
    const int shift = (height - startHeight_) / 2;
    lower_ = startLower_ + shift;
    upper_ = startUpper_ + shift;
  }

  int lower() const { return lower_; }
  int upper() const { return upper_; }
  // A bar position brought within the limits.
  int Clamp(int y) const { return y < lower_ ? lower_ : (y > upper_ ? upper_ : y); }

 private:
  int startLower_ = 0;
  int startUpper_ = 0;
  int startHeight_ = 0;
  int lower_ = 0;
  int upper_ = 0;
};

}  // namespace vexon::app
