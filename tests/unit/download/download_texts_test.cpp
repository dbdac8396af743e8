#include <gtest/gtest.h>

#include "download/download_texts.h"

using namespace vexon::download;

TEST(DownloadTexts, SpeedAndTimeLeft) {
  const DownloadTexts& t = DownloadTexts::Chinese();
  EXPECT_EQ(SpeedText(t, 0.5), "512bps");
  EXPECT_EQ(SpeedText(t, 3.254), "3.25kps");
  EXPECT_EQ(SpeedText(t, 10.0), "10kps");
  EXPECT_EQ(SpeedText(t, 120.4), "120kps");
  EXPECT_EQ(TimeLeftText(t, 59), "59s");
  EXPECT_EQ(TimeLeftText(t, 60), "1m");
  EXPECT_EQ(TimeLeftText(t, 61), "1m,1s");
  EXPECT_EQ(TimeLeftText(t, 3600), "60m");
  EXPECT_EQ(TimeLeftText(t, 187), "3m,7s");
}
