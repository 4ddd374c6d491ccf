// A test program registers the stream classes once, before its tests run, as every program does
// at its start: one file per test folder adds this environment with that folder's registration.
#pragma once
#include <gtest/gtest.h>

namespace qs::test {

template <void (*Register)()>
class RegisteredClasses : public testing::Environment {
 public:
  void SetUp() override { Register(); }
};

}  // namespace qs::test
