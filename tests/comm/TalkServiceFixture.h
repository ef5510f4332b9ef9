// The world of the talk service tests: the talk server with the Ethernet ports, the talk
// client with the 19 patterns, the device manager with the class "TalkService", the
// bundled translation table, and devices whose talk services log in to drivesim.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Launcher.h"
#include "RuntimeTestUtil.h"
#include "StorageFixture.h"
#include "comm/BasicTalkService.h"
#include "comm/TalkServer.h"
#include "devices/Device.h"

class TalkServiceFixture : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // How a device reaches its drive.
  struct TLink {
    std::string Port;  // "ETH", "ETH_v6" or a pseudo-terminal's path
    std::uint32_t EthVersion = 4;
    std::int32_t IPv4 = 0;
    std::string IPv6{};
    std::uint16_t UdpPort = 0;
  };
  // The Index-th drive of each kind; a pseudo-terminal gets its serial port driver here.
  TLink PtyLink(const drivesim::TDriveSim& Sim, int Index = 0);
  static TLink Udp4Link(const drivesim::TDriveSim& Sim, int Index = 0);
  static TLink Udp6Link(const drivesim::TDriveSim& Sim, int Index = 0);

  // The device manager of the bundled settings file's "Devices" profiles, with the class
  // "TalkService", in place of the fixture's. The file goes into its folder's archive in
  // Storage's data folder, as the program's data holds it, and is read as the program
  // registry, which the test frees.
  void UseBundledProfiles(vt::test::TStorageEnvironment& Storage);

  // A new online device on Link with its talk service, not started; its status changes
  // are recorded.
  vt::TBasicTalkService* NewService(const TLink& Link, const std::string& User, const std::string& Password,
                                    const std::string& Profile = "VorlixOnline");
  // StartUp, then steps until the statuses since the service was made are Expected
  // (fails after the limit, showing what they are).
  void StartUp(vt::TBasicTalkService* Service, const std::vector<vt::TDeviceServiceStatus>& Expected);
  void ShutDown(vt::TBasicTalkService* Service, const std::vector<vt::TDeviceServiceStatus>& Expected);
  bool StatusesAre(vt::TBasicTalkService* Service, const std::vector<vt::TDeviceServiceStatus>& Expected);
  // Whether the talk server holds an open link with the service's handle.
  bool LinkOpen(vt::TBasicTalkService* Service) const;
  // The frames a drive ("pty0", "udp4-1") received, in hexadecimal ("01", "88 00 C5 0C").
  static std::vector<std::string> FramesIn(const drivesim::TDriveSim& Sim, const std::string& Drive);
  // Its parameter frames (get 88, set 89) after the first Seen of them; Seen becomes
  // their count.
  static std::vector<std::string> NewParameterFrames(const drivesim::TDriveSim& Sim, const std::string& Drive,
                                                     std::size_t& Seen);

  std::unique_ptr<vt::TTalkServer> Server;
  // The error boxes shown, UTF-8.
  std::vector<std::string> Boxes;
  // The statuses each service went through.
  std::map<vt::TDeviceService*, std::vector<vt::TDeviceServiceStatus>> Statuses;
  // The developer password of these tests.
  static constexpr const char* DeveloperPassword = "dev-secret";

 private:
  int FDevices = 0;
};
