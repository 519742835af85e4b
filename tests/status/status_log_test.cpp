#include "status/status_log.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(StatusLogTest, StatusPicksColourAndImage) {
  struct Case {
    int status;
    std::uint32_t colour;
    bool check_mark;
  };
  const Case cases[] = {{0, 0x000000, false}, {1, 0x00FF00, true},  {2, 0x0000FF, false},
                        {3, 0xFF0000, true},  {4, 0x000000, false}, {-1, 0x000000, false}};
  StatusLog log;
  for (const auto& c : cases) log.LogAction("A", "v1", "v2", c.status, "");
  ASSERT_EQ(log.Rows().size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].status);
    EXPECT_EQ(log.Rows()[i].colour, cases[i].colour);
    EXPECT_EQ(log.Rows()[i].check_mark, cases[i].check_mark);
    EXPECT_TRUE(log.Rows()[i].checked);
  }
}

TEST(StatusLogTest, RowsKeepOrderAndEmptyTextsAndClearEmptiesThem) {
  StatusLog log;
  std::vector<int> notified;
  log.SetListener([&](int row) { notified.push_back(row); });
  log.LogAction("First", "", "", 1, "");
  log.LogAction("Second", "a", "b", 2, "Permission denied");
  ASSERT_EQ(log.Rows().size(), 2u);
  EXPECT_EQ(log.Rows()[0].action, "First");
  EXPECT_EQ(log.Rows()[0].value1, "");
  EXPECT_EQ(log.Rows()[0].value2, "");
  EXPECT_EQ(log.Rows()[0].message, "");
  EXPECT_EQ(log.Rows()[1].message, "Permission denied");
  log.Clear();
  EXPECT_TRUE(log.Rows().empty());
  EXPECT_EQ(notified, (std::vector<int>{0, 1, -1}));
}

}  // namespace
}  // namespace quillet
