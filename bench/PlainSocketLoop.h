// The loop the drive link benchmarks measure beside: one request datagram to a drive
// and its answer, over and over, with nothing but a connected UDP socket. What the
// loopback and drivesim allow on this machine.
#pragma once

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

// Round trips per second to the IPv4 drive at Address and Port; one per iteration. An
// answer of another size, or none within 2 s, counts as lost.
inline double PlainSocketRoundTrips(benchmark::State& State, const std::string& Address, std::uint16_t Port,
                                    const std::string& Request, long AnswerSize) {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in drive{};
  drive.sin_family = AF_INET;
  drive.sin_port = htons(Port);
  inet_pton(AF_INET, Address.c_str(), &drive.sin_addr);
  connect(fd, reinterpret_cast<sockaddr*>(&drive), sizeof drive);
  timeval limit{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  char answer[64];
  std::int64_t lost = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : State) {
    send(fd, Request.data(), Request.size(), 0);
    if (recv(fd, answer, sizeof answer, 0) != AnswerSize) ++lost;
  }
  const double rate =
      State.iterations() / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  close(fd);
  State.SetItemsProcessed(State.iterations());
  State.counters["round_trips_per_s"] = rate;
  State.counters["lost"] = static_cast<double>(lost);
  return rate;
}
