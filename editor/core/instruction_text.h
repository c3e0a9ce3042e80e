// The 29 lines of the editor's instruction text, in markup.
#pragma once

#include <string>
#include <vector>

namespace slovo {

const std::vector<std::string>& instructionLines();

} // namespace slovo
