// The one serial port manager: it makes the generic serial drivers and owns the thread
// ("CommPortManager") that receives for every driver it made, at most 16 open at once.
#pragma once

#include <memory>

#include "comm/CommDriver.h"

namespace vt {

class TThreadManager;

class TCommPortManager {
 public:
  TCommPortManager();
  ~TCommPortManager();
  TCommPortManager(const TCommPortManager&) = delete;
  TCommPortManager& operator=(const TCommPortManager&) = delete;

  // The caller owns the driver; it must go before the manager.
  std::unique_ptr<TCommDriver> CreateCommDriver();

 private:
  const std::unique_ptr<TThreadManager> FThreadManager;
};

// The program's manager (none until created); the shell creates it once at start-up.
TCommPortManager* CommPortManager();
void CreateCommPortManager();
void FreeCommPortManager();

}  // namespace vt
