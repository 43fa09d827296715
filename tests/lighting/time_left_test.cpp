// The estimate of the time a bake still needs, and how it is said.
#include "lighting/time_left.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qx {
namespace {

TEST(TimeLeft, AveragePaceSoFar) {
  EXPECT_DOUBLE_EQ(*SecondsLeft(10, 0.25), 30);  // a quarter in 10 s: three quarters in 30 s
  EXPECT_DOUBLE_EQ(*SecondsLeft(3, 0.5), 3);
  EXPECT_DOUBLE_EQ(*SecondsLeft(40, 1), 0);
  EXPECT_DOUBLE_EQ(*SecondsLeft(40, 1.5), 0) << "more than done is done";
}

TEST(TimeLeft, NoEstimateBeforeThePaceMeansSomething) {
  EXPECT_FALSE(SecondsLeft(0.2, 0.5)) << "too early";
  EXPECT_FALSE(SecondsLeft(20, 0.01)) << "too little done";
  EXPECT_FALSE(SecondsLeft(20, 0));
  EXPECT_FALSE(SecondsLeft(20, -1));
  EXPECT_FALSE(SecondsLeft(NAN, 0.5));
  EXPECT_FALSE(SecondsLeft(20, NAN));
  EXPECT_FALSE(SecondsLeft(INFINITY, 0.5));
  EXPECT_TRUE(SecondsLeft(0.5, 0.02));
  EXPECT_EQ(TimeLeftText(0.1, 0.5), "");
  EXPECT_EQ(TimeLeftText(4, 0.25), "noch etwa 12 s");
}

TEST(TimeLeft, SecondsThenMinutesThenHours) {
  EXPECT_EQ(TimeLeftText(12.0), "noch etwa 12 s");
  EXPECT_EQ(TimeLeftText(12.4), "noch etwa 12 s");
  EXPECT_EQ(TimeLeftText(12.6), "noch etwa 13 s");
  EXPECT_EQ(TimeLeftText(0.0), "noch etwa 1 s");
  EXPECT_EQ(TimeLeftText(0.3), "noch etwa 1 s");
  EXPECT_EQ(TimeLeftText(59.4), "noch etwa 59 s");
  EXPECT_EQ(TimeLeftText(59.5), "noch etwa 1 min");
  EXPECT_EQ(TimeLeftText(89.0), "noch etwa 1 min");
  EXPECT_EQ(TimeLeftText(91.0), "noch etwa 2 min");
  EXPECT_EQ(TimeLeftText(125.0), "noch etwa 2 min");
  EXPECT_EQ(TimeLeftText(89 * 60.0), "noch etwa 89 min");
  EXPECT_EQ(TimeLeftText(90 * 60.0), "noch etwa 2 h");
  EXPECT_EQ(TimeLeftText(10 * 3600.0 + 100), "noch etwa 10 h");
  EXPECT_EQ(TimeLeftText(INFINITY), "noch etwa 1000000000 h") << "no overflow into nonsense";
}

}  // namespace
}  // namespace qx
