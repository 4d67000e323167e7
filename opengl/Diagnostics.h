// Diagnostic lines of the layer on standard output.
#pragma once

#include <iostream>
#include <string>

namespace irxgl {

// Writes the text and a line feed in one piece and flushes, so that lines from
// several render threads do not mix within a line. Unformatted on purpose:
// formatted output resets the stream's shared field width, a data race
// between render threads.
inline void WriteLine(std::string text)
{
    text += '\n';
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
}

} // namespace irxgl
