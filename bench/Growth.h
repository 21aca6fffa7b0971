#pragma once
// Growth measured in one run: each iteration times the small and the large
// case back to back, so a machine busy with other work slows both alike,
// and the medians of the two give the ratio that a goal names.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Seconds that `work` takes.
template <typename Work>
double Seconds(Work&& work) {
  auto begin = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// Pushes what the caches hold out to memory, so that a small case just built
// does not run from the cache while a large one cannot: a user's edit meets
// a chart made long before.
inline void EvictCaches() {
  static std::vector<char> sweep(64 << 20);
  for (size_t i = 0; i < sweep.size(); i += 64) sweep[i]++;
  benchmark::DoNotOptimize(sweep.data());
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Collects the times of both cases; the iteration time is their sum (use
// UseManualTime). Report() sets ms_<small>, ms_<large> and ratio.
class Growth {
public:
  Growth(std::string smallName, std::string largeName)
      : smallName(std::move(smallName)), largeName(std::move(largeName)) {}

  void Add(benchmark::State& state, double smallSeconds, double largeSeconds) {
    small.push_back(smallSeconds);
    large.push_back(largeSeconds);
    state.SetIterationTime(smallSeconds + largeSeconds);
  }

  void Report(benchmark::State& state) const {
    double s = Median(small), l = Median(large);
    state.counters["ms_" + smallName] = s * 1e3;
    state.counters["ms_" + largeName] = l * 1e3;
    state.counters["ratio"] = s > 0 ? l / s : 0;
  }

private:
  std::string smallName, largeName;
  std::vector<double> small, large;
};

// Times work(false) and work(true) back to back in every iteration: what a
// part that can be switched off costs. Reports both as Growth does.
template <typename Work>
void MeasureSwitch(benchmark::State& state, std::string offName, std::string onName, Work&& work) {
  Growth growth(std::move(offName), std::move(onName));
  for (auto _ : state) {
    double off = Seconds([&] { work(false); });
    double on = Seconds([&] { work(true); });
    growth.Add(state, off, on);
  }
  growth.Report(state);
}

}  // namespace bench
