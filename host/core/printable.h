// Text from input files (file names, keys, item names, a picture's chunk
// type) quoted in a message: its control bytes would reach the terminal and
// act there (clear the screen, set the title), so they are shown escaped.
#pragma once

#include <string>
#include <string_view>

namespace kvh {

// `text` with every byte that does not print shown as \xHH: control
// characters (C0, DEL, and C1 in UTF-8) and bytes that are no UTF-8.
// Printable ASCII and well-formed UTF-8 stand as they are.
std::string Printable(std::string_view text);

}  // namespace kvh
