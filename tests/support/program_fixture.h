#pragma once
// A temporary program directory laid out like an installed one: config/, db/book.dat with a
// fresh schema, book/, skins/. Removed with everything in it.
#include <memory>
#include <string>
#include <vector>

#include "app/program_dir.h"
#include "app/prompter.h"
#include "store/database.h"
#include "support/temp_dir.h"

namespace mozhou::testing {

class TempProgramDir : public TempDir {
 public:
  explicit TempProgramDir(bool withDatabase = true);
  app::ProgramDir dir() const { return app::ProgramDir(path()); }
  // A new connection to the directory's database (fails the test when it cannot open).
  std::unique_ptr<store::Database> open() const;
};

// Records every message and answers questions from a script (default: yes).
class RecordingPrompter : public app::Prompter {
 public:
  void tsxx(std::string_view message) override { messages.emplace_back(message); }
  bool qrxx(std::string_view message) override {
    questions.emplace_back(message);
    if (answers.empty()) return defaultAnswer;
    bool a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<bool> answers;  // consumed front to back
  bool defaultAnswer = true;
};

}  // namespace mozhou::testing
