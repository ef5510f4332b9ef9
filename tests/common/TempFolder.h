// A fresh folder under the system's temporary folder, removed with everything in it
// when the test ends.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    FPath = std::filesystem::temp_directory_path() /
            ("vt-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};
