// A talk service and a telegram pattern in miniature, for the tests and the benchmark
// of the talk client and server, which send frames no standard pattern makes: the
// service has a device handle and field sizes; the pattern's records carry the whole
// request frame and get the whole answer frame. Header only, so that a benchmark can
// use it as it is.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "comm/TalkMessages.h"
#include "platform/Exceptions.h"

class TTestTalkService : public vt::TTalkServiceInterface {
 public:
  explicit TTestTalkService(std::int32_t AHandle = 0) : Handle(AHandle) {}
  std::int32_t PortHandle() const override { return Handle; }
  std::uint8_t AddrFieldSize() const override { return 4; }
  std::uint8_t DataFieldSize() const override { return 4; }
  std::uint8_t MaxBufferSize() const override { return 255; }
  bool DeviceOnline() const override { return true; }
  void AddListener(vt::TTalkListener* Listener) override {
    if (std::find(Listeners.begin(), Listeners.end(), Listener) != Listeners.end())
      throw vt::Exception("TTalkService.AddListener: listener already in list");
    Listeners.push_back(Listener);
  }
  void RemoveListener(vt::TTalkListener* Listener) override {
    const auto it = std::find(Listeners.begin(), Listeners.end(), Listener);
    if (it == Listeners.end()) throw vt::Exception("TTalkService.AddListener: listener isn't in list");
    Listeners.erase(it);
  }

  std::int32_t Handle;
  std::vector<vt::TTalkListener*> Listeners;
};

// Byte strings of at most 255 bytes in place, as records are copied as bytes.
struct TRawFrameRecord {
  vt::TServiceRecordHeader Header;
  std::uint8_t RequestSize = 0;
  char Request[255] = {};
  std::uint8_t ResponseSize = 0;
  char Response[255] = {};

  std::string RequestBytes() const { return {Request, RequestSize}; }
  std::string ResponseBytes() const { return {Response, ResponseSize}; }
  void SetResponse(const std::string& Bytes) {
    ResponseSize = static_cast<std::uint8_t>(std::min<std::size_t>(Bytes.size(), sizeof Response));
    std::memcpy(Response, Bytes.data(), ResponseSize);
  }
};

class TRawFramePattern : public vt::TTalkPatternClass {
 public:
  TRawFramePattern() : vt::TTalkPatternClass("TRawFramePattern") {}

  // A record with talk id TalkId (RawFrameTalkId: Request is the whole frame) and a
  // response already in place (which a reply without frame leaves).
  void Put(vt::TTalkActor& Actor, vt::TTalkServiceInterface* Service, const std::string& Request,
           std::int32_t User = 0, std::uint8_t TalkId = vt::RawFrameTalkId, const std::string& Response = "") const {
    TRawFrameRecord r;
    r.Header = {GetPatternId(), TalkId, Service, 0, User};
    r.RequestSize = static_cast<std::uint8_t>(std::min<std::size_t>(Request.size(), sizeof r.Request));
    std::memcpy(r.Request, Request.data(), r.RequestSize);
    r.SetResponse(Response);
    Actor.AddData(sizeof r, &r);
  }
  static TRawFrameRecord Get(const vt::TTalkActor& Actor) {
    TRawFrameRecord r;
    Actor.GetData(sizeof r, &r);
    return r;
  }

  void SetRequestFrameData(vt::TTalkActor& Actor, std::string& Frame) const override {
    Frame += Get(Actor).RequestBytes();
  }
  void GetResponseFrameData(const std::string& Frame, vt::TTalkActor& Actor) const override {
    TRawFrameRecord r = Get(Actor);
    int pos = 2;
    r.Header.TalkRes = static_cast<std::uint8_t>(vt::FrmGetInt(Frame, pos, 1));
    r.SetResponse(Frame);
    Actor.SetData(sizeof r, &r);
  }
};
