#pragma once

// What every window test starts from: the modal stub answering the dialogs,
// and fixed regional settings that are put back after the test.

#include "ModalStub.h"
#include "tests/TestSettings.h"

#include <gtest/gtest.h>

class TWindowFixture : public ::testing::Test {
protected:
  explicit TWindowFixture(const TRegional& Settings = CommaRegional()) : Regional(Settings) {}

  TRegionalScope Regional;
  TModalStub Stub;
};
