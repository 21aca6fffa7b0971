#pragma once
// A compile error in the user's chart: a German message and the chart item
// that the editor selects and marks. The item is null for errors of the
// whole program (an image that does not fit the board).
#include <string>

class ChartItem;

class CodeWriteException {
public:
  CodeWriteException(ChartItem* item, const std::string& message);

  std::string message;
  ChartItem* item;
};
