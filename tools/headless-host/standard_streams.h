#pragma once

namespace quillmar {

// Makes standard input and output carry bytes unchanged: Windows' text mode would
// turn each "\n" into "\r\n" and break byte-exact comparison of the event lines.
void use_binary_standard_streams();

}  // namespace quillmar
