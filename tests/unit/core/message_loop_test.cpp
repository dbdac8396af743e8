#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/background_job.h"
#include "core/message_loop.h"

using vexon::core::MessageLoop;
using vexon::core::Msg;

TEST(MessageLoop, RunsHandlersOnTheOwnerThreadAndWaits) {
  MessageLoop loop;
  std::thread::id ran;
  int value = 0;
  EXPECT_TRUE(loop.Send(Msg::LinkFound, [&] {
    ran = std::this_thread::get_id();
    value = 42;
  }));
  EXPECT_EQ(value, 42);  // the send returned after the handler
  EXPECT_NE(ran, std::this_thread::get_id());
}

TEST(MessageLoop, ShutdownReleasesWaitingSendersWithoutRunningThem) {
  auto loop = std::make_unique<MessageLoop>();
  std::atomic<bool> blockerStarted{false}, release{false};
  std::atomic<int> ranAfter{0}, refused{0};
  // Keep the owner busy so further sends queue up behind it.
  std::thread blocker([&] {
    loop->Send(Msg::LinkFound, [&] {
      blockerStarted = true;
      while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  });
  while (!blockerStarted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i) {
    waiters.emplace_back([&] {
      if (!loop->Send(Msg::LiveLink, [&] { ++ranAfter; })) ++refused;
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::thread closer([&] { loop->Shutdown(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  release = true;
  closer.join();
  for (auto& w : waiters) w.join();
  blocker.join();
  EXPECT_EQ(ranAfter.load(), 0);
  EXPECT_EQ(refused.load(), 4);
  // A send after shutdown returns at once.
  EXPECT_FALSE(loop->Send(Msg::NextPage, [&] { ++ranAfter; }));
  loop.reset();
  EXPECT_EQ(ranAfter.load(), 0);
}

TEST(BackgroundJob, RunsOffTheOwnerThreadAndHandsItsOutcomeBack) {
  MessageLoop loop;
  vexon::core::BackgroundJob job(loop);
  std::atomic<bool> release{false};
  std::thread::id workedOn, doneOn, ownerThread;
  int ended = 0;
  loop.Invoke([&] {
    ownerThread = std::this_thread::get_id();
    job.onEnded = [&] { ++ended; };
    ASSERT_TRUE(job.Start([&](const std::atomic<bool>&) -> std::function<void()> {
      workedOn = std::this_thread::get_id();
      while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return [&] { doneOn = std::this_thread::get_id(); };
    }));
    EXPECT_TRUE(job.running());
    EXPECT_FALSE(job.Start([](const std::atomic<bool>&) { return std::function<void()>(); }));
  });
  release = true;
  for (int i = 0; i < 500 && doneOn == std::thread::id(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  loop.Invoke([&] {
    EXPECT_FALSE(job.running());
    EXPECT_EQ(ended, 1);
  });
  EXPECT_EQ(doneOn, ownerThread);
  EXPECT_NE(workedOn, ownerThread);
  loop.Shutdown();
}

TEST(BackgroundJob, ACancelledJobEndsEarlyAndItsOutcomeIsDropped) {
  MessageLoop loop;
  vexon::core::BackgroundJob job(loop);
  std::atomic<bool> outcomeRan{false}, ended{false};
  loop.Invoke([&] {
    job.onEnded = [&] { ended = true; };
    job.Start([&](const std::atomic<bool>& cancelled) -> std::function<void()> {
      while (!cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return [&] { outcomeRan = true; };
    });
    job.Cancel();
  });
  for (int i = 0; i < 500 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(ended);
  EXPECT_FALSE(outcomeRan);
  loop.Shutdown();
}
