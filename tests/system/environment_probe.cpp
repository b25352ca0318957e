// Prints the InstallerEnvironment as the page would receive it, so a test can run
// this program under another file name and see what discovery makes of it.
#include <cstdio>

#include "main/bridge/page_events.h"
#include "system/environment.h"

int main() {
  std::printf("%s\n", quillmar::environment_json(quillmar::discover_environment()).c_str());
  return 0;
}
