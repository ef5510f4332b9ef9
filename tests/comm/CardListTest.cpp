// The network cards from the system, and the fixed list tests use instead.
#include "comm/CardList.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vt;

namespace {

// One entry per interface: loopback pairs 127.0.0.1 with ::1 (when it has IPv6), and a
// link-local IPv6 address names its interface, so that a socket can bind to it.
TEST(CardList, OneEntryPerInterface) {
  const TNetworkCardList cards = FillIpList();
  const auto loopback =
      std::find_if(cards.begin(), cards.end(), [](const TNetworkCard& c) { return c.IPv4 == "127.0.0.1"; });
  ASSERT_NE(loopback, cards.end());
  EXPECT_TRUE(loopback->IPv6 == "::1" || loopback->IPv6.empty()) << loopback->IPv6;
  EXPECT_EQ(std::count_if(cards.begin(), cards.end(), [](const TNetworkCard& c) { return c.IPv4 == "127.0.0.1"; }),
            1);
  for (const TNetworkCard& c : cards) {
    if (c.IPv6.rfind("fe80:", 0) != 0) continue;
    EXPECT_NE(c.IPv6.find('%'), std::string::npos) << c.IPv6;
  }
}

TEST(CardList, ATestMayFixTheList) {
  SetFixedCardList(TNetworkCardList{{"10.0.0.1", "fe80::1%eth9"}, {"", "::1"}});
  const TNetworkCardList cards = FillIpList();
  SetFixedCardList(std::nullopt);
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(cards[0].IPv6, "fe80::1%eth9");
  EXPECT_NE(FillIpList().size(), 0u);
}

}  // namespace
