#include <cstdio>

int main() {
  std::puts("Runlet");
  return 0;
}
