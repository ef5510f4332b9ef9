// The computer's network cards as the request executors walk them when a drive stays
// silent: per interface its IPv4 address text and the IPv6 address through which an
// IPv6 link sends. Asked for at every request entry; read from the system at most
// once a second, unless a test fixed it.
#pragma once

#include <optional>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

struct TNetworkCard {
  AnsiString IPv4;  // empty when the interface has none
  AnsiString IPv6;  // empty when the interface has none
};
using TNetworkCardList = std::vector<TNetworkCard>;

// One entry per interface that is up and has an address, in the system's order: its
// first IPv4 address, and its link-local IPv6 address with the interface
// ("fe80::1%eth0"), else its first IPv6 address ("::1" on loopback). A copy: each
// executor walks its own, whatever another thread reads or changes meanwhile.
TNetworkCardList FillIpList();
// A fixed list in place of the system's (tests); none: the system's again.
void SetFixedCardList(std::optional<TNetworkCardList> Cards);

}  // namespace vt
