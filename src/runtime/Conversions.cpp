// The toolbox: conversions, checksums and cipher, file and folder helpers; see functions.h.
#include "functions.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <thread>

#include "Dialogs.h"
#include "Exceptions.h"
#include "Format.h"
#include "NumText.h"
#include "PathResolver.h"
#include "SL20Dic.h"
#include "SL20Elm.h"
#include "SL20Fil.h"

namespace vt {

std::atomic<bool> MainFormExitRequest{false};

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, std::uint8_t b) {
  out += kHexDigits[b >> 4];
  out += kHexDigits[b & 0x0F];
}

// Hex text of at most MaxLen characters (blanks count but are skipped); 0 for anything else.
std::uint32_t HexValue(std::string_view Text, std::size_t MaxLen) {
  if (Text.empty() || Text.size() > MaxLen) return 0;
  std::uint32_t v = 0;
  for (char c : Text) {
    if (c == ' ') continue;
    const int d = HexDigitValue(c);
    if (d < 0) return 0;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return v;
}

// Sum of powers of two for every '1'; bits beyond 63 wrap out of the 64-bit result.
std::uint64_t BinaryBits(std::string_view Text) {
  std::uint64_t v = 0;
  const std::size_t n = Text.size();
  for (std::size_t i = 0; i < n; ++i)
    if (Text[i] == '1' && n - 1 - i < 64) v |= std::uint64_t{1} << (n - 1 - i);
  return v;
}

// Only "digits" or "-digits": the decimal numbers the text functions accept.
std::optional<std::int64_t> StrictDecimal(std::string_view Text) {
  const std::size_t start = (!Text.empty() && Text[0] == '-') ? 1 : 0;
  if (Text.size() == start || Text.size() - start > 18) return std::nullopt;
  for (std::size_t i = start; i < Text.size(); ++i)
    if (Text[i] < '0' || Text[i] > '9') return std::nullopt;
  return TryStrToInt64(Text);
}

std::string DottedAddress(std::uint32_t Address, int PadWidth) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!out.empty()) out += '.';
    out += AdjustString(std::to_string((Address >> shift) & 0xFF), PadWidth, '0');
  }
  return out;
}

}  // namespace

// ---- Telegram data ----

std::int64_t DataToValue(std::string_view Data, int Count) {
  const std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(std::max(Count, 0)), Data.size(), 8});
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(Data[i])) << (8 * i);
  return static_cast<std::int64_t>(v);
}

std::string ValueToData(std::int64_t Value, int Count) {
  std::string out;
  const auto v = static_cast<std::uint64_t>(Value);
  for (int i = 0; i < Count; ++i) out += static_cast<char>(i < 8 ? (v >> (8 * i)) & 0xFF : 0);
  return out;
}

std::string SwapData(std::string_view Data) { return std::string(Data.rbegin(), Data.rend()); }

// ---- Binary text ----

std::string IntToBinary(std::int64_t Value, int Count) {
  auto v = static_cast<std::uint64_t>(Value);
  if (Count == 1 || Count == 2 || Count == 4) v &= (std::uint64_t{1} << (8 * Count)) - 1;
  std::string out;
  for (int bit = 8 * Count - 1; bit >= 0; --bit) out += (bit < 64 && ((v >> bit) & 1)) ? '1' : '0';
  return out;
}

std::int64_t BinaryToInt(std::string_view Text) { return static_cast<std::int64_t>(BinaryBits(Text)); }
std::uint64_t BinaryToUInt(std::string_view Text) { return BinaryBits(Text); }

// ---- Hexadecimal ----

std::uint16_t HexToInt(std::string_view Text) { return static_cast<std::uint16_t>(HexValue(Text, 4)); }
std::uint32_t Hex32ToInt(std::string_view Text) { return HexValue(Text, 8); }

std::string FloatToHex(float Value) {
  const auto bits = std::bit_cast<std::uint32_t>(Value);
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) AppendHexByte(out, static_cast<std::uint8_t>(bits >> shift));
  return out;
}

std::string BufToStr(std::string_view HexText) {
  constexpr std::size_t kMaxBytes = 255;
  std::string out;
  std::string run;
  auto flush = [&] {
    if (run.empty()) return;
    const std::string_view last = std::string_view(run).substr(run.size() >= 2 ? run.size() - 2 : 0);
    if (out.size() < kMaxBytes) out += static_cast<char>(HexValue(last, 2));
    run.clear();
  };
  for (char c : HexText) {
    if (HexDigitValue(c) >= 0) {
      run += c;
    } else {
      flush();
    }
  }
  flush();
  return out;
}

std::string StrToBuf(std::string_view Bytes) {
  std::string out;
  for (char b : Bytes) {
    AppendHexByte(out, static_cast<std::uint8_t>(b));
    out += ' ';
  }
  return out;
}

// ---- Bit casts ----

float IntToFloatValue(std::int32_t Value) { return std::bit_cast<float>(Value); }
double Float64inInt_to_Double(std::int64_t Value) { return std::bit_cast<double>(Value); }
std::int64_t Double_to_Float64inInt(double Value) { return std::bit_cast<std::int64_t>(Value); }

std::uint64_t DoubleToUint64(double Value) {
  constexpr double kTwo63 = 9223372036854775808.0;
  constexpr double kTwo64 = 18446744073709551616.0;
  if (std::isnan(Value) || Value >= kTwo64) return ~std::uint64_t{0};
  if (Value <= 0) return 0;
  // nearbyint rounds half to even in the default rounding mode.
  if (Value > kTwo63) return (std::uint64_t{1} << 63) + static_cast<std::uint64_t>(std::nearbyint(Value - kTwo63));
  return static_cast<std::uint64_t>(std::nearbyint(Value));
}

// ---- Decimal text ----

std::string FillwithZeros(std::int32_t Value, int Width) { return AdjustString(std::to_string(Value), Width, '0'); }

std::string AdjustString(std::string_view Text, int Width, char Fill) {
  std::string out(Text);
  if (static_cast<int>(out.size()) < Width) out.insert(0, Width - out.size(), Fill);
  return out;
}

std::string IntTo35(std::string_view DecimalText) {
  static constexpr char kDigits35[] = "0123456789ABCDEFGHIJKLMNPQRSTUVWXYZ";  // no 'O'
  const auto v = StrictDecimal(DecimalText);
  if (!v || *v < 0 || *v > INT32_MAX) return {};
  std::int64_t rest = *v;
  std::string out;
  do {
    out.insert(out.begin(), kDigits35[rest % 35]);
    rest /= 35;
  } while (rest != 0);
  return out;
}

// ---- Addresses ----

std::string IntToIPStr(std::uint32_t Address) { return DottedAddress(Address, 0); }
std::string IPAddrToString(std::uint32_t Address) { return IntToIPStr(Address); }
std::string AdjustIntToIPStr(std::uint32_t Address) { return DottedAddress(Address, 3); }

std::uint32_t IPStrToInt(std::string_view Text) {
  // Parts above 255 would spill into the neighbouring byte: refused, like a fifth part.
  std::uint32_t sum = 0;
  int shift = 24;
  std::string_view rest = Text;
  while (true) {
    const std::size_t dot = rest.find('.');
    const std::int64_t part = StrToInt64(rest.substr(0, dot));
    if (part < 0 || part > 255 || shift < 0)
      throw EConvertError(Format("'%s' is not a valid IPv4 address", Text));
    if (dot == std::string_view::npos) return sum + static_cast<std::uint32_t>(part);
    sum += static_cast<std::uint32_t>(part) << shift;
    shift -= 8;
    rest.remove_prefix(dot + 1);
  }
}

std::string Int64ToIP_PortStr(std::uint64_t AddressAndPort) {
  return IntToIPStr(static_cast<std::uint32_t>(AddressAndPort >> 16)) + ':' +
         std::to_string(AddressAndPort & 0xFFFF);
}

std::string IntToMACIDStr(std::uint64_t Mac) {
  if (Mac == 0) return {};
  std::string out;
  for (int shift = 40; shift >= 0; shift -= 8) {
    if (!out.empty()) out += ':';
    AppendHexByte(out, static_cast<std::uint8_t>(Mac >> shift));
  }
  return out;
}

std::string ZidirirIPv6(std::string_view Text) {
  if (Text.find(':') == std::string_view::npos) return std::string(Text);
  // The zone names the local interface, not the peer: one address, one key.
  const std::string address(Text.substr(0, Text.find('%')));
  in6_addr parsed{};
  if (inet_pton(AF_INET6, address.c_str(), &parsed) != 1) return std::string(Text);
  std::string out;
  for (int group = 0; group < 8; ++group) {
    const unsigned value = parsed.s6_addr[2 * group] << 8 | parsed.s6_addr[2 * group + 1];
    char buf[8];
    std::snprintf(buf, sizeof buf, "%X", value);
    if (group) out += ':';
    out += buf;
  }
  return out;
}

std::string GetTalkErrorMessage(int Code) {
  switch (Code) {
    case 0xB2:
      return "Time out: No response from drive";
    case 0xB3:
      return "Another instance is already logged into the drive!";
    default:
      return "Talk error: " + std::to_string(Code);
  }
}

// ---- Checksums and cipher ----

std::uint32_t CalculateCRC32_QD02(std::string_view Bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (char b : Bytes) {
    crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 24;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80000000) ? (crc << 1) ^ 0xF4ACFB13 : crc << 1;
  }
  return crc;
}

std::uint8_t CalculateXORChecksum(std::string_view Bytes) {
  std::uint8_t x = 0;
  for (char b : Bytes) x ^= static_cast<std::uint8_t>(b);
  return x;
}

std::string InvertString(std::string_view Bytes) {
  std::string out(Bytes);
  for (char& b : out) b = static_cast<char>(~b);
  return out;
}

// ---- Compatibility, permissions, names ----

const TFamilyDriveList FamilyDriveList = {0x24, 0x25, 0x54, 0x55, 0x29, 0x59, 0x2A, 0x5A, 0x2B,
                                          0x5B, 0x40, 0x41, 0x42, 0x43, 0x22, 0x23, 0x52, 0x53};

WideString StringWithoutAnd(std::u16string_view Text) {
  WideString out;
  for (char16_t c : Text)
    if (c != u'&') out += c;
  return out;
}

int GetPermissionInt(std::string_view Level) {
  const std::string level = UpperCaseAnsi(Level);
  if (level == "DEVELOPER") return 48;
  if (level == "SERVICE") return 12;
  if (level == "USER") return 3;
  return 64;
}

namespace {

struct TTreeVersion {
  std::string Base;
  std::int64_t Major = 0;
  std::int64_t Minor = 0;
};

std::optional<std::int64_t> Digits(std::string_view Text) {
  if (Text.empty() || Text[0] == '-') return std::nullopt;
  return StrictDecimal(Text);
}

// Base_Second_VmajorSminor[_Rest] of an upper-cased tree name; nothing when malformed.
std::optional<TTreeVersion> ParseTreeName(std::string_view Name) {
  const std::size_t first = Name.find('_');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = Name.find('_', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  std::string_view version = Name.substr(second + 1);
  version = version.substr(0, version.find('_'));
  const std::size_t s = version.find('S');
  if (version.empty() || version[0] != 'V' || s == std::string_view::npos) return std::nullopt;
  const auto major = Digits(version.substr(1, s - 1));
  const auto minor = Digits(version.substr(s + 1));
  if (!major || !minor) return std::nullopt;
  return TTreeVersion{std::string(Name.substr(0, first)), *major, *minor};
}

}  // namespace

bool AreTreesCompatible(std::string_view ConfigTreeName, std::string_view DriveTreeName, int Permission,
                        bool& ConfigIsNewer, bool Force) {
  ConfigIsNewer = false;
  const std::string config = UpperCaseAnsi(ConfigTreeName);
  const std::string drive = UpperCaseAnsi(DriveTreeName);
  if (config.empty() || drive.empty()) return false;
  if (config == drive) return true;
  // A version that is no VmajorSminor answers "incompatible" like every other malformed name.
  const auto c = ParseTreeName(config);
  const auto d = ParseTreeName(drive);
  if (!c || !d || c->Base != d->Base) return false;
  if (c->Major != d->Major && Permission != 15 && !Force) return false;
  ConfigIsNewer = c->Major == d->Major ? c->Minor > d->Minor : c->Major > d->Major;
  return true;
}

namespace {

TRef<TSLArray>& DocumentTableRef() {
  static TRef<TSLArray> table;
  return table;
}

}  // namespace

void SetDocumentTable(TSLArray* Table) { DocumentTableRef() = TRef<TSLArray>(Table); }
TSLArray* DocumentTable() { return DocumentTableRef().get(); }

WideString ChangeNameIfOldFileNameFormat(const WideString& Name) {
  TSLArray* table = DocumentTable();
  if (!table) return Name;
  for (int i = 0; i < table->GetCount(); ++i) {
    auto* entry = dynamic_cast<TSLDictionary*>(table->GetObjAtIndex(i));
    if (!entry) continue;
    auto* oldName = dynamic_cast<TSLString*>(entry->FindObject(u"OldName"));
    auto* newName = dynamic_cast<TSLString*>(entry->FindObject(u"NewName"));
    if (oldName && newName && oldName->StringValue() == Name) return newName->StringValue();
  }
  return Name;
}

TSLObject* GetObjectFromBlock(TSLBlock* Block, std::string_view Name) {
  for (int i = 0; i < Block->GetCount(); ++i) {
    auto* ident = dynamic_cast<TSLIdent*>(Block->GetObjAtIndex(i));
    if (ident && ident->IdentValue() == Name) return Block->GetObjAtIndex(i + 1);
  }
  return nullptr;
}

void Delay(int Milliseconds) {
  if (Milliseconds <= 0) return;
  if (!QCoreApplication::instance()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
    return;
  }
  // A nested event loop serves events and sleeps in between instead of spinning.
  const QDeadlineTimer deadline(Milliseconds, Qt::PreciseTimer);
  while (!deadline.hasExpired()) {
    QEventLoop loop;
    QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 1), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

// ---- Folders and files ----

namespace fs = std::filesystem;

namespace {

bool EndsWithSeparator(std::u16string_view Folder) {
  return !Folder.empty() && (Folder.back() == u'\\' || Folder.back() == u'/');
}

WideString WithSeparator(std::u16string_view Folder) {
  return EndsWithSeparator(Folder) ? WideString(Folder) : WideString(Folder) + u'\\';
}

// Collapses doubled separators ("//", "\\") into one.
WideString CollapseSeparators(std::u16string_view Path) {
  WideString out;
  for (char16_t c : Path) {
    const bool sep = c == u'\\' || c == u'/';
    if (sep && EndsWithSeparator(out)) continue;
    out += c;
  }
  return out;
}

bool IsRealFolder(const fs::path& Path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(Path, ec));
}

// Creates the empty probe file exclusively (an existing file of that name is never
// touched), checks it and deletes it again.
bool Probe(const fs::path& Path) {
  const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  std::error_code ec;
  const bool exists = fs::exists(Path, ec);
  fs::remove(Path, ec);
  return exists && !ec;
}

// The same with a fresh name beside Path.
bool ProbeBeside(const fs::path& Path) {
  std::string name = Path.string() + ".XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  ::close(fd);
  return ::unlink(name.c_str()) == 0;
}

}  // namespace

void CopyAllFiles(const WideString& Source, const WideString& Target) {
  const fs::path source = ResolvePath(Source);
  if (!IsRealFolder(source)) {
    ShowMessage(u"Directory " + Source + u" does not exists.");
    return;
  }
  std::error_code ec;
  const fs::path target = ResolvePath(Target);
  fs::create_directory(target, ec);
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    const WideString name = PathToWide(it->path().filename());
    std::error_code entryError;
    // Links to folders are not followed: a link back up would never end.
    if (IsRealFolder(it->path())) {
      CopyAllFiles(Source + name + u'\\', Target + name + u'\\');
    } else if (!fs::is_directory(it->path(), entryError)) {
      fs::copy_file(it->path(), target / it->path().filename(), fs::copy_options::overwrite_existing, entryError);
    }
  }
}

void glDeleteFolder(const WideString& Folder) {
  const fs::path folder = ResolvePath(Folder);
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  std::vector<WideString> names;
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) names.push_back(PathToWide(it->path().filename()));
  for (const WideString& name : names) {
    const WideString entry = CollapseSeparators(Folder + u'\\' + name);
    const fs::path path = ResolvePath(entry);
    // A link to a folder goes as a link: what it points to is not ours to delete.
    if (IsRealFolder(path)) {
      glDeleteFolder(entry);
    } else {
      fs::remove(path, ec);
    }
  }
  if (!IsRealFolder(folder)) {
    ShowMessage(u"Path is wrong: " + Folder);
    return;
  }
  // Give programs that watch the folder (file managers, indexers) time to let go of it.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (::rmdir(folder.c_str()) != 0) ShowMessage(u"hallo ich will das nicht!!!, " + AnsiToWide(std::to_string(errno)));
}

bool IsDictionaryWritable(const WideString& Folder) {
  const fs::path folder = ResolvePath(Folder);
  if (!IsRealFolder(folder)) return false;
  const fs::path probe = ResolvePath(WithSeparator(Folder) + u"Dummyfile.txt");
  if (Probe(probe)) return true;
  // A file of the probe's name that is already there belongs to the user: probe beside it.
  std::error_code ec;
  return fs::exists(probe, ec) && ProbeBeside(probe);
}

void ChangeConfigView(const WideString& Folder) {
  static constexpr std::string_view kKey = "AppDataFolder";
  const fs::path file = ResolvePath(Folder + u"ViewConfig.ini");
  std::ifstream in(file, std::ios::binary);
  if (!in) return;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  // The value follows the key after one separator character ("/AppDataFolder 1").
  const std::size_t key = text.find(kKey);
  if (key == std::string::npos || key + kKey.size() + 1 >= text.size()) return;
  text[key + kKey.size() + 1] = '0';
  auto out = MakeRef<TSLCharFile>();
  WriteFileReplacing(*out, Folder + u"ViewConfig.ini", [&] { out->WriteBlock(text.data(), text.size()); });
}

// ---- Placeholder tree ----

TDummyTree* TDummyTree::AddChild(std::unique_ptr<TDummyTree> Child) {
  const WideString name = Child->Name;
  ChildList.emplace_back(name, std::move(Child));
  return ChildList.back().second.get();
}

}  // namespace vt
