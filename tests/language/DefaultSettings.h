#pragma once
// Default operand settings for one test; what was there is restored after.
#include "DefaultOperands.h"

#include <gtest/gtest.h>

class DefaultSettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = {theSettings.programmer, theSettings.serialPort,  theSettings.integerVariables, theSettings.ioPorts,
              theSettings.ioPins,     theSettings.adcChannels, theSettings.aliases};
    UseDefaultOperands();
  }
  void TearDown() override {
    theSettings.programmer = saved_.programmer;
    theSettings.serialPort = saved_.serialPort;
    theSettings.integerVariables = saved_.integerVariables;
    theSettings.ioPorts = saved_.ioPorts;
    theSettings.ioPins = saved_.ioPins;
    theSettings.adcChannels = saved_.adcChannels;
    theSettings.aliases = saved_.aliases;
  }

private:
  struct Saved {
    std::string programmer;
    std::string serialPort;
    decltype(theSettings.integerVariables) integerVariables;
    decltype(theSettings.ioPorts) ioPorts;
    decltype(theSettings.ioPins) ioPins;
    decltype(theSettings.adcChannels) adcChannels;
    decltype(theSettings.aliases) aliases;
  } saved_;
};
