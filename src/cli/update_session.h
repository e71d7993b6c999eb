#pragma once
// Running updates from the command line: the update worker on its own thread, this thread
// as the main thread pumping a task queue, progress on stdout, Ctrl-C or SIGTERM as stop.
#include <functional>
#include <vector>

#include "cli/cli.h"
#include "engine/update_run.h"

namespace mozhou::cli {

struct UpdateRequest {
  long long bookId = 0;  // 0 with all: update-all
  bool all = false;
  int mode = 0;
  std::vector<long long> chapters;  // mode 1: the chapters named, as the list selection
};

// Runs the request to its end; returns the exit code.
int runUpdate(Context& ctx, const UpdateRequest& request);

// Applies the settings file's proxy settings to every fetch of this process.
void applyFetchSettings(const app::ProgramDir& dir);

}  // namespace mozhou::cli
