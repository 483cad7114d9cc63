#pragma once
// Starts the socket layer once for a whole test program, as the program entry does.

#include <gtest/gtest.h>

#include "net/sockapi.h"

namespace kestrum::fakes {

class TSocketLayerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { net::InitSocketInterface(); }
  void TearDown() override { net::DoneSocketInterface(); }
};

inline ::testing::Environment* const kSocketLayerEnvironment =
    ::testing::AddGlobalTestEnvironment(new TSocketLayerEnvironment);

}  // namespace kestrum::fakes
