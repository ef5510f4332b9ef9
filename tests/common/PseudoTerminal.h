// A pseudo-terminal whose one end the test plays: the code under test opens Path (the
// terminal end), the test reads and writes the master.
#pragma once

#include <string>

class TPseudoTerminal {
 public:
  TPseudoTerminal();
  ~TPseudoTerminal();
  TPseudoTerminal(const TPseudoTerminal&) = delete;
  TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

  void Write(const std::string& Bytes) const;
  // At least Count bytes, or what came within a generous limit.
  std::string Read(std::size_t Count) const;
  // Closes the master end now, as a drive that goes away.
  void Hangup();

  std::string Path;

 private:
  int Master;
};
