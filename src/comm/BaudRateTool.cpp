// The login dialog's baud-rate tool; see BaudRateTool.h.
#include "comm/BaudRateTool.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "comm/CommDriver.h"
#include "comm/CommPortManager.h"
#include "comm/LoginShell.h"
#include "comm/SharedLinkState.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"
#include "runtime/QtSchedulerBridge.h"

namespace vt {

namespace {

// Bit n of a drive's rate mask offers Rates[n].
constexpr std::uint32_t Rates[16] = {300,   600,   1200,  1800,  2400,   4800,   7200,   9600,
                                     14400, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

constexpr std::uint8_t BaudRateCommand = 0x0F;
constexpr std::uint8_t SetRateSubCommand = 0x02;

// The answer's sum byte, command byte and status byte come before its data.
constexpr std::size_t AnswerStatusAt = 2;
constexpr std::size_t QueryAnswerSize = 5;  // sum, command, status, mask low, mask high

std::string HexByte(std::uint8_t Byte) { return Format("%.2X", Byte); }

}  // namespace

std::optional<std::string> TBaudAnswerCollector::Add(std::uint8_t Byte) {
  std::lock_guard lock(FLock);
  ++RecCounter;
  if (RecCounter == 2)
    RecLength = Byte;
  else if (RecCounter > 2)
    RSBuffer += static_cast<char>(Byte);
  if (RecLength == 0 || RecCounter < RecLength + RsFrameHeaderSize) return std::nullopt;
  RecCounter = 0;
  return std::exchange(RSBuffer, {});
}

void TBaudAnswerCollector::Reset() {
  std::lock_guard lock(FLock);
  RecCounter = 0;
  RSBuffer.clear();
}

TBaudRateTool::TBaudRateTool(TLoginShell& Shell, TRatesEvent OnRates) : FShell(Shell), FOnRates(std::move(OnRates)) {}

TBaudRateTool::~TBaudRateTool() {
  if (FCommDriver) FCommDriver->Close();
}

AnsiString TBaudRateTool::QueryFrame() { return "A5 02 0F 0F 00"; }

AnsiString TBaudRateTool::SetFrame(std::uint16_t Code) {
  const std::uint8_t low = Code & 0xFF;
  const std::uint8_t high = Code >> 8;
  const auto sum = static_cast<std::uint8_t>(BaudRateCommand + SetRateSubCommand + low + high);
  return "A5 04 " + HexByte(sum) + " 0F 02 " + HexByte(low) + " " + HexByte(high);
}

std::uint16_t TBaudRateTool::RateCode(std::uint32_t Baud) {
  const auto* at = std::find(std::begin(Rates), std::end(Rates), Baud);
  return at == std::end(Rates) ? 0 : static_cast<std::uint16_t>(1u << (at - std::begin(Rates)));
}

std::vector<AnsiString> TBaudRateTool::RatesOfMask(std::uint16_t Mask) {
  std::vector<AnsiString> rates;
  for (int bit = 0; bit < 16; ++bit)
    if (Mask >> bit & 1) rates.push_back(std::to_string(Rates[bit]));
  return rates;
}

bool TBaudRateTool::IsOpen() const { return FCommDriver && FCommDriver->IsOpen(); }

void TBaudRateTool::GetBaudrate(const AnsiString& PortName) {
  FShell.SendBaudRate();
  if (!FCommDriver) {
    if (!CommPortManager()) throw Exception("Internal Error: CommPortManager not assigned");
    FCommDriver = CommPortManager()->CreateCommDriver();
  }
  FCommDriver->Close();
  FCommDriver->SetPortIdent(PortName);
  FCommDriver->SetBaudRate(BaudToolLineRate);
  FCommDriver->SetDataBits(8);
  FCommDriver->SetStopBits(0);
  FCommDriver->SetParity(cpNone);
  try {
    FCommDriver->Open();
  } catch (const Exception& E) {
    LogError(Format("%s: %s", "TBaudRateTool.GetBaudrate", E.Message()));
  }
  // Before anything is sent: the answer's first byte is its start.
  FCollector.Reset();
  ++FQueryNumber;
  SetTrigger(akQuery);
  FCommDriver->WaitForCharCount(RxBuffer.data(), 1);
  Send(QueryFrame());
}

void TBaudRateTool::SetBaudrate(const AnsiString& RateText) {
  const auto baud = TryStrToInt64(RateText);
  const std::uint16_t code = baud && *baud > 0 && *baud <= UINT32_MAX ? RateCode(static_cast<std::uint32_t>(*baud)) : 0;
  if (!code) return;
  if (FCommDriver) SetTrigger(akSet);
  FBaudrateSet = static_cast<std::uint32_t>(*baud);
  FShell.SetLastBaudrate(FBaudrateSet);
  Send(SetFrame(code));
}

void TBaudRateTool::CloseCommDriver() {
  if (!IsOpen()) return;
  FCommDriver->Close();
  Delay(BaudToolClosePause);
}

void TBaudRateTool::SetTrigger(TAnswerKind Kind) {
  FCommDriver->SetOnTrigger([this, Kind](TCommDriver*) {
    const auto answer = FCollector.Add(RxBuffer[0]);
    FCommDriver->WaitForCharCount(RxBuffer.data(), 1);
    if (answer) Kind == akQuery ? QueryAnswer(*answer) : SetAnswer(*answer);
  });
}

void TBaudRateTool::Send(const AnsiString& HexFrame) {
  if (!IsOpen()) return;
  const std::string frame = BufToStr(HexFrame);
  FCommDriver->SendBuffer(frame.data(), static_cast<int>(frame.size()));
}

void TBaudRateTool::QueryAnswer(const std::string& Answer) {
  const auto status = Answer.size() > AnswerStatusAt ? static_cast<std::uint8_t>(Answer[AnswerStatusAt]) : 0xFF;
  // A success without the two mask bytes offers nothing (its command byte is no mask).
  std::vector<AnsiString> rates;
  if (status < StatusErrorFrom && Answer.size() >= QueryAnswerSize) {
    const auto high = static_cast<std::uint8_t>(Answer[Answer.size() - 1]);
    const auto low = static_cast<std::uint8_t>(Answer[Answer.size() - 2]);
    rates = RatesOfMask(static_cast<std::uint16_t>(high << 8 | low));
  }
  FCalls.Post([this, query = FQueryNumber.load(), rates = std::move(rates)] {
    if (query == FQueryNumber) FOnRates(rates);
  });
}

void TBaudRateTool::SetAnswer(const std::string& Answer) {
  if (!Answer.empty() && Answer.back() == '\0') GlobalBaudrate = FBaudrateSet.load();
}

}  // namespace vt
