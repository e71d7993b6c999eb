#pragma once
// The page base: the base address of the page most recently fetched with the base flag.
// Rules call it "[webpath]". One value for the whole program, read and replaced whole.
#include <string>

namespace mozhou::engine {

std::string pageBase();
void setPageBase(std::string base);

}  // namespace mozhou::engine
