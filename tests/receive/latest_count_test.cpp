// The count's hand-over from the capture thread to the count box: one update
// on its way at a time, and never a count that neither side shows.
#include "receive/latest_count.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(LatestCountTest, OneUpdateAtATimeShowingTheLatestCount) {
  LatestCount latest;
  EXPECT_TRUE(latest.Publish(1));
  EXPECT_FALSE(latest.Publish(2));
  EXPECT_FALSE(latest.Publish(3));
  EXPECT_EQ(latest.Take(), 3);
  EXPECT_TRUE(latest.Publish(4));  // after the update read its count
  EXPECT_EQ(latest.Take(), 4);
}

// Two threads that meet at the start and at the end of each round.
class Rendezvous {
 public:
  void Meet() {
    const int phase = arrived_.fetch_add(1) / 2 + 1;
    for (int spins = 0; arrived_.load() < 2 * phase; ++spins)
      if (spins > 1000) std::this_thread::yield();  // the machine may have fewer free cores
  }

 private:
  std::atomic<int> arrived_{0};
};

// A short wait of n steps, to shift one thread against the other.
void Wait(int n) {
  for (int i = 0; i < n; ++i) std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Each round starts with an update on its way; then the capture thread
// publishes a new count while the UI thread runs that update, each after a
// wait that differs from round to round, so that the two meet in every
// order and overlap. Whatever the order, either the update shows the new
// count or the publish asks for another update. (With a relaxed store and
// load in Publish, an optimised x86 build loses the count in thousands of
// these rounds; a sanitizer build is too slow to show it.)
TEST(LatestCountTest, ACountPublishedWhileTheUpdateRunsIsNeverLost) {
  constexpr int kRounds = 20000;
  LatestCount latest;
  Rendezvous rendezvous;
  std::int32_t shown = 0;  // written by the UI thread between two meetings
  std::thread ui([&] {
    for (int round = 1; round <= kRounds; ++round) {
      rendezvous.Meet();
      Wait(round / 64 % 64);
      shown = latest.Take();
      rendezvous.Meet();
    }
  });
  int lost = 0;
  ASSERT_TRUE(latest.Publish(0));
  for (int round = 1; round <= kRounds; ++round) {
    rendezvous.Meet();
    Wait(round % 64);
    const bool asked = latest.Publish(round);
    rendezvous.Meet();
    if (asked) shown = latest.Take();  // the update it posted
    if (shown != round) ++lost;
    latest.Publish(round);  // an update on its way for the next round
  }
  ui.join();
  EXPECT_EQ(lost, 0);
}

}  // namespace
