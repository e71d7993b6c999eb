#include "support/demo_program.h"

#include <gtest/gtest.h>

#include "app/files.h"
#include "engine/rule_source.h"

namespace mozhou::testing {

DemoProgram::DemoProgram() {
  if (!site.start(0)) {
    ADD_FAILURE() << "the demo site did not start";
    return;
  }
  engine::RuleSource source;
  for (const char* name : {"data/rules/search_sites.txt", "data/rules/site_rules.txt"}) {
    const auto text = app::readFileBytes(std::filesystem::path(MOZHOU_SOURCE_DIR) / name);
    std::string error;
    if (!text || !engine::parseRuleSource(*text, name, source, &error)) {
      ADD_FAILURE() << "cannot read " << name << ": " << error;
      return;
    }
  }
  engine::applyReplacements(source, engine::demoSiteReplacements(site.hostPort()));
  const auto packed = engine::packRuleFile(source);
  ready = packed && app::writeFileAtomic(dir().path("db/bookset.dat"), *packed);
  if (!ready) ADD_FAILURE() << "cannot write the rule file";
}

}  // namespace mozhou::testing
