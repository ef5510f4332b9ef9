// The decoding of a drive's info node under arbitrary node bytes. The first byte chooses
// the layout (0 to 2) and, with the second, where the custom fields are read; the rest
// is the node. A node under 34 bytes is refused; every text stays within its field and
// holds no zero byte.
#include <stdexcept>
#include <string>

#include "FuzzEntries.h"
#include "devices/services/InfoNodes.h"
#include "platform/Exceptions.h"

namespace vt {

namespace {

void Within(const std::string& Text, std::size_t Size, const char* Field) {
  if (Text.size() > Size || Text.find('\0') != std::string::npos)
    throw std::logic_error(std::string(Field) + " leaves its field");
}

}  // namespace

int FuzzInfoNode(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2) return 0;
  const std::string bytes(reinterpret_cast<const char*>(Data) + 2, Size - 2);
  const auto layout = static_cast<std::uint8_t>(Data[0] % 3);
  try {
    const TInfoNodeItem node(bytes, layout);
    if (bytes.size() < 34) throw std::logic_error("a short node was taken");
    Within(node.GetFileName(), 16, "file name");
    Within(node.GetTreeSubName(), 16, "tree sub name");
    Within(node.GetTreeBetaInfo(), 16, "beta info");
    Within(node.GetCompleteName(), 62, "complete name");
    Within(node.GetFileInfo(), bytes.size() > 80 ? bytes.size() - 80 : 0, "file info");
    const int index = static_cast<std::int8_t>(Data[1]), count = Data[0] >> 2;
    Within(node.GetCustomStr(index, count), static_cast<std::size_t>(count), "custom text");
    node.GetCustomInt(index, count);
    const std::int64_t numbers = std::int64_t{node.GetFileType()} + node.GetFileVersion() + node.GetFileSubType() +
                                 node.GetTreeVersion() + node.GetTreeSubVersion() + node.GetStartAddress();
    (void)numbers;
  } catch (const Exception& e) {
    if (bytes.size() >= 34) throw std::logic_error("a whole node was refused: " + e.Message());
  }
  return 0;
}

}  // namespace vt
