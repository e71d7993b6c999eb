#pragma once
// A temporary program directory whose rule file is the shipped one, packed for a demo site
// started on a free loopback port.
#include <string>

#include "demo/demo_site.h"
#include "support/program_fixture.h"

namespace mozhou::testing {

class DemoProgram : public TempProgramDir {
 public:
  DemoProgram();
  demo::DemoSite site;
  bool ready = false;  // site started and rules written
};

}  // namespace mozhou::testing
