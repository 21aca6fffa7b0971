#pragma once
// Puts the settings' operand lists back to their defaults without aliases, so
// a settings file on the test machine cannot change the tables built after.
#include "language/Settings.h"

inline void UseDefaultOperands() {
  theSettings.integerVariables.clear();
  theSettings.ioPorts.clear();
  theSettings.ioPins.clear();
  theSettings.adcChannels.clear();
  theSettings.aliases.clear();
  theSettings.SetDefaults();
}
