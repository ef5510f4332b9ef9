// Shared test helpers: exact exception texts.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/Exceptions.h"

// Runs stmt, expects a vt::Exception (or subclass) with exactly the message msg.
#define EXPECT_THROW_MSG(stmt, msg)                                  \
  do {                                                               \
    try {                                                            \
      stmt;                                                          \
      ADD_FAILURE() << "no exception from: " #stmt;                  \
    } catch (const vt::Exception& e) {                               \
      EXPECT_EQ(e.Message(), std::string(msg)) << "from: " #stmt;   \
    }                                                                \
  } while (0)
