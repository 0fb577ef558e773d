#include "frontend/cli.hpp"

int main(int argc, char** argv) { return frontend::runCommandLine(argc, argv); }
