#include <gtest/gtest.h>

#include "download/download_slots.h"
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

TEST(DownloadTexts, LanguageChoosesTheSet) {
  EXPECT_EQ(&DownloadTexts::ForLanguage("zh_CN.UTF-8"), &DownloadTexts::Chinese());
  EXPECT_EQ(&DownloadTexts::ForLanguage("C.UTF-8"), &DownloadTexts::Chinese());
  EXPECT_EQ(&DownloadTexts::ForLanguage("en_US.UTF-8"), &DownloadTexts::English());
  EXPECT_EQ(FillText(DownloadTexts::English().badStatus, "404"),
            "Failed to receive a valid HTTP response from the server, Response Code:404");
  EXPECT_EQ(FillText(DownloadTexts::Chinese().connecting, "1.2.3.4"), "正在连接 1.2.3.4");
  // Arguments are never read as patterns themselves.
  EXPECT_EQ(FillText(DownloadTexts::Chinese().redirecting, "http://h/a%20b%2.mp3"), "正在重定向到 http://h/a%20b%2.mp3");
  EXPECT_EQ(FillText("%1m,%2s", "%2", "%1"), "%2m,%1s");
  EXPECT_EQ(FillText("100%", "x"), "100%");
}

TEST(DownloadSlots, ResizingFreesOrWithholdsSlots) {
  DownloadSlots slots(2);
  EXPECT_TRUE(slots.TryAcquire());
  EXPECT_TRUE(slots.TryAcquire());
  EXPECT_FALSE(slots.TryAcquire());
  slots.Resize(3);  // raising frees one at once
  EXPECT_TRUE(slots.TryAcquire());
  slots.Resize(1);  // lowering: the three running keep going, nothing new starts
  slots.Release();
  EXPECT_FALSE(slots.TryAcquire());
  slots.Release();
  EXPECT_FALSE(slots.TryAcquire());
  slots.Release();
  EXPECT_TRUE(slots.TryAcquire());
  EXPECT_EQ(slots.inUse(), 1u);
  DownloadSlots zero(0);  // never a pool without a slot
  EXPECT_TRUE(zero.TryAcquire());
}
