// The editor's document export: the table handed to the word processor through its automation server.
#pragma once

#include <string>
#include <vector>

namespace slovo {

// cells: row 0 the header row, column 0 the number column, cp1251 text. The word processor is
// told to quit whatever happens; failures arrive as slovo::Error ("Word OLE server not found" when
// it cannot be started, otherwise the automation server's own message).
void exportTableToWord(const std::vector<std::vector<std::string>>& cells, const std::string& path);

} // namespace slovo
