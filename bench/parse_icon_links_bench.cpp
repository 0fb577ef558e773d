// Prints how long the icon-link scan takes on pages of 10 and 20 MiB, for
// ordinary markup and for shapes that make naive patterns go quadratic.
// Linear time shows as a 20 MiB figure about twice the 10 MiB one (smaller
// pages fit in the caches and would skew the ratio).
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "iconsource/icon_links.hpp"

namespace {

std::string repeatTo(const std::string& unit, std::size_t size) {
  std::string out;
  out.reserve(size + unit.size());
  while (out.size() < size) out += unit;
  out.resize(size);
  return out;
}

struct Shape {
  const char* name;
  std::function<std::string(std::size_t)> make;
};

}  // namespace

int main() {
  const platform::Url page = *platform::Url::parse("https://bench.example/dir/index.html");
  const Shape shapes[] = {
      {"ordinary markup", [](std::size_t n) {
         return repeatTo("<div class=\"row\"><p>Some text of a page.</p><link rel=\"icon\" href=\"/i.png\"></div>\n", n);
       }},
      {"open <link without >", [](std::size_t n) { return repeatTo("<link rel=icon ", n); }},
      {"open tags, one > at the end", [](std::size_t n) { return repeatTo("<link rel=icon ", n) + ">"; }},
      {"hrefs without closing quote", [](std::size_t n) { return "<link rel=icon " + repeatTo("href='x ", n) + ">"; }},
      {"whitespace after href", [](std::size_t n) { return "<link icon href" + repeatTo(" ", n) + "x>"; }},
      {"no markup at all", [](std::size_t n) { return repeatTo("lorem ipsum dolor sit amet ", n); }},
  };
  std::printf("%-30s %12s %12s %8s %8s\n", "page", "10 MiB (ms)", "20 MiB (ms)", "ratio", "links");
  for (const auto& shape : shapes) {
    double ms[2];
    std::size_t links = 0;
    const std::size_t sizes[2] = {10u << 20, 20u << 20};
    for (int i = 0; i < 2; ++i) {
      std::string html = shape.make(sizes[i]);
      auto start = std::chrono::steady_clock::now();
      links = iconsource::parseIconLinks(html, page).size();
      ms[i] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    std::printf("%-30s %12.1f %12.1f %8.1f %8zu\n", shape.name, ms[0], ms[1], ms[1] / ms[0], links);
  }
  return 0;
}
