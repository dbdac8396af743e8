#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/ui/qt_owner_channel.h"

using vexon::app::ui::QtOwnerChannel;
using vexon::core::Msg;

namespace {

// Waits without running the event loop, so no queued handler can run meanwhile.
// The limit only turns a hang into a failure.
template <typename Condition>
bool WaitWithoutEvents(Condition condition) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace

class QtOwnerChannelTest final : public QObject {
  Q_OBJECT

 private slots:
  void WorkerSendRunsOnGuiThreadAndWaitsForIt() {
    QtOwnerChannel channel;
    QThread* const gui = QThread::currentThread();
    std::atomic<bool> handlerDone{false}, onGuiThread{false}, heldOwnerLock{false}, sawHandlerDone{false},
        result{false}, returned{false};
    std::thread worker([&] {
      result = channel.Send(Msg::LinkFound, [&] {
        onGuiThread = QThread::currentThread() == gui;
        // The owner lock is held by this thread: another thread could not take it.
        std::thread probe([&] {
          const bool free = channel.ownerLock().try_lock();
          if (free) channel.ownerLock().unlock();
          heldOwnerLock = !free;
        });
        probe.join();
        handlerDone = true;
      });
      sawHandlerDone = handlerDone.load();
      returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
    worker.join();
    QVERIFY(result && onGuiThread && heldOwnerLock && sawHandlerDone);
  }

  void PostsReturnAtOnceAndRunInOrderBeforeALaterSend() {
    QtOwnerChannel channel;
    std::vector<int> order;
    std::atomic<bool> posted{false}, returned{false};
    std::thread worker([&] {
      for (int i = 0; i < 100; ++i) channel.Post(Msg::DownloadProgress, [&order, i] { order.push_back(i); });
      posted = true;
      channel.Send(Msg::DownloadCompleted, [&] { order.push_back(-1); });
      returned = true;
    });
    // The event loop does not run yet: the posts cannot have waited for it.
    QVERIFY(WaitWithoutEvents([&] { return posted.load(); }));
    QVERIFY(order.empty());
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
    worker.join();
    QCOMPARE(order.size(), size_t{101});
    for (int i = 0; i < 100; ++i) QCOMPARE(order[static_cast<size_t>(i)], i);
    QCOMPARE(order.back(), -1);
  }

  // Work the owner posts to itself, turn after turn, leaves the window's timers their
  // turns in between.
  void AChainOfPostsLetsTimersRun() {
    QtOwnerChannel channel;
    int ticks = 0, ticksBeforeLast = -1, links = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    std::function<void()> link = [&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      if (++links < 40) {
        channel.Post(Msg::OwnerWorkContinues, link);
      } else {
        ticksBeforeLast = ticks;
      }
    };
    channel.Post(Msg::OwnerWorkContinues, link);
    QTRY_VERIFY_WITH_TIMEOUT(ticksBeforeLast >= 0, 10000);
    QVERIFY(ticksBeforeLast > 0);
  }

  void ShutdownReleasesWaitingSendersWithoutRunningThem() {
    auto channel = std::make_unique<QtOwnerChannel>();
    constexpr int kThreads = 4;
    std::atomic<int> ran{0}, returnedTrue{0}, returned{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&] {
        if (channel->Send(Msg::DownloadProgress, [&] { ++ran; })) ++returnedTrue;
        ++returned;
      });
    }
    // The event loop never runs: the senders can only be released by the shutdown.
    QVERIFY(WaitWithoutEvents([&] { return channel->queuedHandlers() == kThreads; }));
    channel->Shutdown();
    for (std::thread& w : workers) w.join();
    QCOMPARE(returned.load(), kThreads);
    QCOMPARE(returnedTrue.load(), 0);
    QCOMPARE(channel->queuedHandlers(), size_t{0});

    // Later sends, from a worker or the GUI thread, return false at once.
    bool laterResult = true;
    std::thread late([&] { laterResult = channel->Send(Msg::HotWord, [&] { ++ran; }); });
    late.join();
    QVERIFY(!laterResult);
    QVERIFY(!channel->Send(Msg::HotWord, [&] { ++ran; }));
    channel->Post(Msg::HotWord, [&] { ++ran; });

    // The wake-ups still queued run nothing, before or after the channel is gone.
    QCoreApplication::processEvents();
    channel.reset();
    QCoreApplication::processEvents();
    QCOMPARE(ran.load(), 0);
  }
};

QTEST_GUILESS_MAIN(QtOwnerChannelTest)
#include "qt_owner_channel_test.moc"
