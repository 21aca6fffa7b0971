#include "document/Project.h"

#include <algorithm>

#include "document/Sub.h"

Project::Project() {}

Project::~Project() {
  // Last first, each while still listed, so earlier subs' call blocks are
  // cleared before their target goes.
  while (!subs.empty()) {
    delete subs.back();
    subs.pop_back();
  }
}

Sub* Project::AddChart() {
  Sub* sub = new Sub(this);
  subs.push_back(sub);
  return sub;
}

void Project::DeleteChart(Sub* sub) {
  auto it = std::find(subs.begin(), subs.end(), sub);
  if (it == subs.end()) return;
  subs.erase(it);
  delete sub;
}

bool Project::HasSubNamed(const std::string& name, const Sub* except) const {
  return std::any_of(subs.begin(), subs.end(),
                     [&](const Sub* sub) { return sub != except && sub->name == name; });
}
