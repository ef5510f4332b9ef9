#include "platform/UdpSocket.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <cerrno>

using namespace vt;

namespace {

TDatagram ReceiveOne(TUdpSocket& Socket) {
  TDatagram d;
  pollfd p{Socket.Descriptor(), POLLIN, 0};
  if (poll(&p, 1, 10000) > 0) Socket.Receive(d);
  return d;
}

TEST(UdpSocket, DatagramsOverLoopbackBothVersions) {
  const struct {
    TIPVersion version;
    const char* loopback;
  } cases[] = {{TIPVersion::IPv4, "127.0.0.1"}, {TIPVersion::IPv6, "::1"}};
  for (const auto& c : cases) {
    TUdpSocket a(c.version), b(c.version);
    ASSERT_EQ(a.Bind(""), 0) << c.loopback;
    ASSERT_EQ(b.Bind(c.loopback), 0) << c.loopback;
    ASSERT_NE(a.LocalPort(), 0);
    const std::string payload("\x01\x00\xA5", 3);
    ASSERT_EQ(b.SendTo(c.loopback, a.LocalPort(), payload), 0);
    const TDatagram d = ReceiveOne(a);
    EXPECT_EQ(d.Data, payload);
    EXPECT_EQ(d.PeerIP, c.loopback);
    EXPECT_EQ(d.PeerPort, b.LocalPort());
    TDatagram none;
    EXPECT_EQ(a.Receive(none), EAGAIN);
  }
}

TEST(UdpSocket, LocalAddressesWithInterfaces) {
  TUdpSocket s(TIPVersion::IPv6);
  EXPECT_EQ(s.Bind("::1%lo"), 0);
  EXPECT_EQ(s.Bind("::1%1"), 0);
  EXPECT_EQ(s.Bind("fe80::1%no-such-interface"), EINVAL);
  EXPECT_EQ(s.Bind("127.0.0.1"), EINVAL);  // not of this version
  EXPECT_FALSE(s.IsOpen());
  EXPECT_NE(s.Bind("2001:db8::1"), 0);  // no such local address
  TUdpSocket v4(TIPVersion::IPv4);
  ASSERT_EQ(v4.Bind(""), 0);
  EXPECT_EQ(v4.SendTo("no address", 20000, "x"), EINVAL);
}

}  // namespace
