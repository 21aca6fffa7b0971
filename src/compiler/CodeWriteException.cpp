#include "compiler/CodeWriteException.h"

CodeWriteException::CodeWriteException(ChartItem* item, const std::string& message) : message(message), item(item) {}
