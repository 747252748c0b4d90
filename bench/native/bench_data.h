// Generated data for the native benchmarks, and their output: users of 4
// to 12 bytes, messages of 10 to 60 bytes, chat lines as the hook library
// writes them, and "name: value unit" lines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace bench {

// A small, fast, repeatable generator (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t seed) : s_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Between(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1)); }

 private:
  std::uint64_t s_;
};

// `count` distinct user names of 4 to 12 bytes (letters and digits).
inline std::vector<std::string> UserNames(int count, std::uint64_t seed) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  Random rnd(seed);
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    // A distinct tail (the index in base 36) keeps the names distinct.
    std::string tail = "_";
    for (int v = i;; v /= 36) {
      tail += kDigits[v % 36];
      if (v < 36) break;
    }
    const size_t len = std::max<size_t>(static_cast<size_t>(rnd.Between(4, 12)), tail.size() + 1);
    std::string name;
    while (name.size() + tail.size() < len) name += kLetters[rnd.Next() % 52];
    names.push_back(name + tail);
  }
  return names;
}

// A chat message of 10 to 60 bytes: words of ASCII letters with some
// double-byte characters (code page 932 "麻雀").
inline std::string Content(Random& rnd) {
  const int len = rnd.Between(10, 60);
  std::string s;
  while (static_cast<int>(s.size()) < len) {
    if (rnd.Next() % 8 == 0 && static_cast<int>(s.size()) + 2 <= len) {
      s += "麻";
    } else if (rnd.Next() % 6 == 0) {
      s += ' ';
    } else {
      s += static_cast<char>('a' + rnd.Next() % 26);
    }
  }
  return s;
}

// As the hook library writes it: CR LF, user, tab, ">", content.
inline std::string ChatLine(const std::string& user, const std::string& content) {
  return "\r\n" + user + "\t>" + content;
}

inline void Print(const char* name, double value, const char* unit, int decimals = 0) {
  std::printf("%s: %.*f %s\n", name, decimals, value, unit);
  std::fflush(stdout);
}

// A monotonic clock in nanoseconds. (Not <chrono>: under the code page 932
// execution character set libstdc++'s <chrono> does not compile.)
inline double NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

}  // namespace bench
