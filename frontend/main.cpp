#include "frontend/cli.hpp"
#include "frontend/views/application.hpp"

// Arguments mean the command line (`nimbrel build …`); none, the window.
int main(int argc, char** argv) {
  if (argc > 1) return frontend::runCommandLine(argc, argv);
  return nimbrel_application_run(argv[0]);
}
