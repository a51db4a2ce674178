// A step run in a child process, so that a library that aborts on bad input
// ends only the child: libhivex asserts on some damage that no reader looks
// at (a key's class name pointing nowhere) once it frees the key's cells.
#pragma once

#include <functional>
#include <string>

namespace offline {

// Runs step in a child and waits for it. An exception the step throws comes
// back as an ApplyError with its message; a child that dies is an ApplyError
// naming file as damaged.
void RunInChildProcess(const std::string& file, const std::function<void()>& step);

}  // namespace offline
