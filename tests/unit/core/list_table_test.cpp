#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/background_job.h"
#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "core/message_loop.h"
#include "core/row_compare.h"

using namespace vexon::core;

namespace {

void Append(ListTable& t, std::initializer_list<std::vector<std::string>> rows) {
  for (const auto& row : rows) t.AppendRow(row);
}

std::vector<std::string> ColumnTexts(const ListTable& t, size_t column) {
  std::vector<std::string> out;
  for (size_t i = 0; i < t.rowCount(); ++i) out.push_back(t.Cell(i, column));
  return out;
}

struct Recorder final : ListObserver {
  std::vector<std::string> events;
  void RowsInserted(size_t first, size_t count) override {
    events.push_back("ins " + std::to_string(first) + "+" + std::to_string(count));
  }
  void RowsRemoved(size_t first, size_t count) override {
    events.push_back("rem " + std::to_string(first) + "+" + std::to_string(count));
  }
  void CellsChanged(size_t row, size_t a, size_t b) override {
    events.push_back("cell " + std::to_string(row) + ":" + std::to_string(a) + "-" + std::to_string(b));
  }
  void RowsReordered(const std::vector<size_t>& order) override {
    std::string s = "order";
    for (size_t i : order) s += " " + std::to_string(i);
    events.push_back(s);
  }
};

}  // namespace

TEST(ColumnSpec, ReadsEntriesAndWidthsAndSavedWidthsAreAtMostOnePerColumn) {
  const auto cols = ParseColumnSpec(kResultsColumns);
  ASSERT_EQ(cols.size(), 7u);
  EXPECT_EQ(cols[0].name + "," + std::to_string(cols[0].width), ",25");
  EXPECT_EQ(cols[6].name + "," + std::to_string(cols[6].width), "URL,80");
  EXPECT_EQ(ParseColumnWidths(ColumnWidthsText({25, 130, 0}), 3), (std::vector<int>{25, 130, 0}));
  // Saved before the list gained its last columns: those take their defaults.
  EXPECT_EQ(ParseColumnWidths("25,130", 3), (std::vector<int>{25, 130}));
  for (const char* bad :
       {"", "25,130,40,9", "25,-1,40", "25,,40", "25,1e3,40", "25,4001,40", "25,99999999999,40", "25, 130,40"}) {
    EXPECT_TRUE(ParseColumnWidths(bad, 3).empty()) << bad;
  }
}

TEST(RowCompare, ChoosesTheRuleByTheFirstText) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"12.5", "12", 0},                 // integer rule: leading digits
      {"9", "10", -1},                   // numeric, not text, order
      {"", "3", -1},                     // empty counts as 0
      {"12/31/2006", "01/01/2007", -1},  // year first
      {"02/01/2006", "01/31/2006", 1},   // then month
      {"01/02/2006", "01/01/2006", 1},   // then day
      {"abc", "abd", -1},
      {"b", "a", 1},
      {"1/1/2006", "1/2/2006", -1},  // not the 10-character form: text rule
      {"9:59", "10:00", -1},         // durations by their seconds
      {"1:00:00", "59:59", 1},
      {"3:05", "", 1},
      {"3:", "3:1", -1},  // not a duration: text rule
  };
  for (const Case& c : cases) {
    const int got = CompareCells(c.a, c.b);
    EXPECT_EQ((got > 0) - (got < 0), c.expected) << c.a << " vs " << c.b;
  }
}

TEST(ListTable, SortsByHeaderClickAndKeepsMarksWithRows) {
  ListTable t(",25;name,100;size,70");
  Append(t, {{"0", "b", "300"}, {"1", "a", "20"}, {"2", "c", "1000"}});
  t.SetRowMarks(1, true);
  t.SortByHeaderClick(2);
  EXPECT_EQ(ColumnTexts(t, 2), (std::vector<std::string>{"20", "300", "1000"}));
  EXPECT_TRUE(t.Mark(0, 1));  // the marked row moved with its marks
  EXPECT_FALSE(t.Mark(1, 1));
  t.SortByHeaderClick(2);  // same column again: descending
  EXPECT_FALSE(t.sortAscending());
  EXPECT_EQ(ColumnTexts(t, 2), (std::vector<std::string>{"1000", "300", "20"}));
  t.SortByHeaderClick(1);  // a new column: ascending
  EXPECT_EQ(ColumnTexts(t, 1), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ListTable, MixedRulesNeverBreakTheSort) {
  // The rule depends on the left operand, so it is no strict order; the sort must
  // still finish with every row kept.
  ListTable t(",25;mixed,100");
  const char* texts[] = {"12", "abc", "", "01/02/2003", "7", "zz", "3.5", "x1", "01/01/1999"};
  for (int round = 0; round < 50; ++round) {
    for (const char* s : texts) t.AppendRow({"", s});
  }
  t.Sort(1, true);
  t.Sort(1, false);
  EXPECT_EQ(t.rowCount(), 450u);
}

TEST(ListTable, NumberedRowsFollowTheOrderTheyWereAddedThroughSortsAndRemovals) {
  ListTable t(",25;name,100");
  t.NumberRowsInColumn0();
  for (const char* name : {"c", "a", "b", "e", "d"}) t.AppendRow({"ignored", name}, -1, name[0]);
  t.Sort(1, true);  // a(1) b(2) c(0) d(4) e(3)
  t.RemoveRow(1);   // drop b: its followers in the order of adding move up
  EXPECT_EQ(ColumnTexts(t, 1), (std::vector<std::string>{"a", "c", "d", "e"}));
  EXPECT_EQ(ColumnTexts(t, 0), (std::vector<std::string>{"1", "0", "3", "2"}));
  t.Sort(0, false);
  EXPECT_EQ(ColumnTexts(t, 1), (std::vector<std::string>{"d", "e", "a", "c"}));
  t.SetCell(0, 0, "99");  // the number is the list's own
  EXPECT_EQ(t.Cell(0, 0), "3");
  // Keys find their rows after removals on either side of the middle.
  for (size_t row : {size_t{3}, size_t{0}}) t.RemoveRow(row);
  EXPECT_EQ(ColumnTexts(t, 1), (std::vector<std::string>{"e", "a"}));
  EXPECT_EQ(t.FindRowByKey('a'), 1u);
  EXPECT_EQ(t.FindRowByKey('e'), 0u);
  EXPECT_EQ(t.FindRowByKey('d'), ListTable::npos);
  // Many more rows than the counting tree first had room for.
  for (int i = 0; i < 300; ++i) t.AppendRow({"", "z"}, -1, 1000 + i);
  t.RemoveRow(t.FindRowByKey(1000));
  EXPECT_EQ(t.Cell(t.FindRowByKey(1299), 0), "300");
  t.ResortAfterAppend();  // sorted descending by number: the new last row is out of order
  EXPECT_EQ(t.Cell(0, 0), "300");
}

TEST(ListTable, IndexTracksEveryChange) {
  ListTable t(",25;url,100");
  t.IndexColumn(1);
  Append(t, {{"0", "u1"}, {"1", "u1"}, {"2", "u2"}});
  EXPECT_TRUE(t.ContainsInColumn(1, "u1"));
  t.RemoveRow(0);
  EXPECT_TRUE(t.ContainsInColumn(1, "u1"));  // one copy left
  t.SetCell(0, 1, "u3");
  EXPECT_FALSE(t.ContainsInColumn(1, "u1"));
  EXPECT_TRUE(t.ContainsInColumn(1, "u3"));
  t.Clear();
  EXPECT_FALSE(t.ContainsInColumn(1, "u2"));
  EXPECT_FALSE(t.ContainsInColumn(0, "0"));  // unindexed column scans
}

// Rows keep their cells in one block: every byte of every cell survives appends
// and changes of its neighbours, whatever their lengths.
TEST(ListTable, CellsKeepTheirBytesThroughChangesOfTheirNeighbours) {
  ListTable t(",25;a,10;b,10;c,10");
  const std::string nul("x\0y", 3);
  const std::string longText(5000, 'L');
  t.AppendRow({"", nul, "", longText, "dropped"});
  t.AppendRow({"", "short"});
  EXPECT_EQ(t.Row(0), (std::vector<std::string>{"", nul, "", longText}));
  EXPECT_EQ(t.Row(1), (std::vector<std::string>{"", "short", "", ""}));
  const std::vector<std::pair<size_t, std::string>> changes = {{2, "middle"}, {1, ""}, {3, "c"}, {2, longText + "!"}};
  std::vector<std::string> expected = t.Row(0);
  for (const auto& [column, value] : changes) {
    t.SetCell(0, column, value);
    expected[column] = value;
    EXPECT_EQ(t.Row(0), expected) << column << " " << value.size();
  }
  t.SetCell(0, 9, "past the last column");
  EXPECT_EQ(t.Row(0), expected);
  EXPECT_EQ(t.Cell(0, 9), "");
  EXPECT_EQ(t.Cell(7, 1), "");
}

TEST(ListTable, TellsTheObserverExactlyWhatChanged) {
  ListTable t(",25;name,100");
  Recorder r;
  t.SetObserver(&r);
  Append(t, {{"0", "b"}, {"1", "a"}});
  t.SetCell(0, 1, "b");  // unchanged value: no event
  t.SetCell(0, 1, "d");
  t.Sort(1, true);
  t.RemoveRow(0);
  t.Clear();
  EXPECT_EQ(r.events,
            (std::vector<std::string>{"ins 0+1", "ins 1+1", "cell 0:1-1", "order 1 0", "rem 0+1", "rem 0+1"}));
  EXPECT_EQ(t.Cell(5, 5), "");  // out of range reads empty
}

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
