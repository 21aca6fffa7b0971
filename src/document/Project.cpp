#include "document/Project.h"

#include <algorithm>

#include "document/Sub.h"

Project::Project() {}

Project::~Project() {
  // Every sub goes, so no call block is left to clear: the list is emptied
  // first, and each sub, last first, dies without visiting the others.
  std::vector<Sub*> dying;
  dying.swap(subs);
  for (auto sub = dying.rbegin(); sub != dying.rend(); ++sub) delete *sub;
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
  return std::any_of(subs.begin(), subs.end(), [&](const Sub* sub) { return sub != except && sub->name == name; });
}
