#pragma once
// Puts the settings' operand lists back to their defaults for one test, so a
// settings file on the test machine cannot change the tables the tests build,
// and restores what was there afterwards.
#include "language/Settings.h"

#include <gtest/gtest.h>

class DefaultSettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = {theSettings.programmer, theSettings.serialPort, theSettings.integerVariables, theSettings.ioPorts, theSettings.ioPins, theSettings.adcChannels,
              theSettings.aliases};
    theSettings.integerVariables.clear();
    theSettings.ioPorts.clear();
    theSettings.ioPins.clear();
    theSettings.adcChannels.clear();
    theSettings.aliases.clear();
    theSettings.SetDefaults();
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
