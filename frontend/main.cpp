#include <cstdio>

int main() {
  std::puts("nimbrel");
  return 0;
}
