#include "cli/cli.h"

int main(int argc, char** argv) { return mozhou::cli::run(argc, argv); }
