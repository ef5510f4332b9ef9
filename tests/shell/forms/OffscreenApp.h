// What a child process of a test needs to start the program with windows, offscreen:
// the per-user folders below Home and the one application object.
#pragma once

#include <QApplication>

#include <cstdlib>
#include <filesystem>

struct TOffscreenApp {
  explicit TOffscreenApp(const std::filesystem::path& Home) : Env(Home), App(Argc, Argv) {}

  struct TEnvironment {
    explicit TEnvironment(const std::filesystem::path& Home) {
      ::setenv("XDG_DATA_HOME", Home.c_str(), 1);
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
  } Env;
  int Argc = 1;
  char Name[11] = "vorlixtalk";
  char* Argv[2] = {Name, nullptr};
  QApplication App;
};
