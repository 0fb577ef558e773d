#include "frontend/cli.hpp"
#include "frontend/views/application.hpp"
#include "frontend/views/views_init.hpp"

// Arguments mean the command line (`nimbrel build …`); none, the window.
int main(int argc, char** argv) {
  if (argc > 1) return frontend::runCommandLine(argc, argv);
  nimbrel_views_prefer_cairo_without_gpu();
  return nimbrel_application_run(argv[0]);
}
