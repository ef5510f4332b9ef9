// The network cards; see CardList.h.
#include "comm/CardList.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>

#include "comm/CommLimits.h"

namespace vt {

namespace {

using TClock = std::chrono::steady_clock;

std::mutex GLock;  // the three below
std::optional<TNetworkCardList> GFixed;
TNetworkCardList GSystem;
TClock::time_point GRead{};

struct TInterface {
  std::string Name;
  TNetworkCard Card;
  bool LinkLocal = false;
};

void AddAddress(TInterface& I, const sockaddr* Address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (Address->sa_family == AF_INET) {
    if (!I.Card.IPv4.empty()) return;
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(Address)->sin_addr, text, sizeof text);
    I.Card.IPv4 = text;
    return;
  }
  const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(Address)->sin6_addr;
  const bool linkLocal = IN6_IS_ADDR_LINKLOCAL(&a);
  if (!I.Card.IPv6.empty() && (I.LinkLocal || !linkLocal)) return;
  inet_ntop(AF_INET6, &a, text, sizeof text);
  // A link-local address names its interface, or no socket could bind to it.
  I.Card.IPv6 = linkLocal ? std::string(text) + "%" + I.Name : std::string(text);
  I.LinkLocal = linkLocal;
}

TNetworkCardList SystemCards() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::vector<TInterface> interfaces;
  for (const ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || !(a->ifa_flags & IFF_UP)) continue;
    const int family = a->ifa_addr->sa_family;
    if (family != AF_INET && family != AF_INET6) continue;
    auto it = std::find_if(interfaces.begin(), interfaces.end(), [&](const TInterface& i) { return i.Name == a->ifa_name; });
    if (it == interfaces.end()) it = interfaces.insert(interfaces.end(), TInterface{a->ifa_name, {}, false});
    AddAddress(*it, a->ifa_addr);
  }
  freeifaddrs(list);
  TNetworkCardList cards;
  for (const TInterface& i : interfaces) cards.push_back(i.Card);
  return cards;
}

}  // namespace

TNetworkCardList FillIpList() {
  std::lock_guard lock(GLock);
  if (GFixed) return *GFixed;
  const TClock::time_point now = TClock::now();
  if (GRead == TClock::time_point{} || now - GRead >= std::chrono::milliseconds(CardListRefresh)) {
    GSystem = SystemCards();
    GRead = now;
  }
  return GSystem;
}

void SetFixedCardList(std::optional<TNetworkCardList> Cards) {
  std::lock_guard lock(GLock);
  GFixed = std::move(Cards);
}

}  // namespace vt
