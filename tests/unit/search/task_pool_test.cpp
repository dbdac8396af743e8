#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "search/task_pool.h"

using vexon::search::TaskPool;

TEST(TaskPool, NeverRunsMoreThanItsWorkersAndRunsEveryJob) {
  TaskPool pool(4);
  std::atomic<int> running{0};
  std::atomic<int> peak{0};
  std::atomic<int> done{0};
  for (uint32_t i = 1; i <= 200; ++i) {
    pool.Submit(i, [&] {
      const int now = ++running;
      int seen = peak.load();
      while (now > seen && !peak.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      --running;
      ++done;
    });
  }
  while (done.load() < 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_LE(peak.load(), 4);
  EXPECT_LE(pool.threadCount(), 4u);
}

TEST(TaskPool, DropQueuedReturnsJobsThatNeverStarted) {
  TaskPool pool(1);
  std::atomic<bool> release{false};
  std::atomic<bool> started{false};
  std::atomic<int> ran{0};
  pool.Submit(1, [&] {
    started = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (uint32_t i = 2; i <= 5; ++i) pool.Submit(i, [&] { ++ran; });
  EXPECT_EQ(pool.DropQueued(), (std::vector<uint32_t>{2, 3, 4, 5}));
  release = true;
  pool.Shutdown();
  EXPECT_EQ(ran.load(), 0);
  EXPECT_FALSE(pool.Submit(9, [&] { ++ran; }));
}

TEST(TaskPool, UrgentJobsGoAheadOfQueuedOnesInTheirOwnOrder) {
  TaskPool pool(1);
  std::atomic<bool> release{false};
  std::atomic<bool> started{false};
  std::vector<uint32_t> order;
  std::mutex m;
  pool.Submit(1, [&] {
    started = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto record = [&](uint32_t id) {
    return [&, id] {
      std::lock_guard lock(m);
      order.push_back(id);
    };
  };
  pool.Submit(2, record(2));
  pool.Submit(3, record(3), true);
  pool.Submit(4, record(4));
  pool.Submit(5, record(5), true);
  EXPECT_EQ(pool.DropQueued(), (std::vector<uint32_t>{3, 5, 2, 4}));
  pool.Submit(6, record(6));
  pool.Submit(7, record(7), true);
  release = true;
  while (true) {
    std::lock_guard lock(m);
    if (order.size() == 2) break;
  }
  EXPECT_EQ(order, (std::vector<uint32_t>{7, 6}));
}
