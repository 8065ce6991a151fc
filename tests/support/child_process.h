#pragma once
// Other processes for tests of two programs, or a crash, on one folder. A
// forked child never returns into the test framework: it ends with _exit.
#include <sys/types.h>

#include <functional>
#include <string>

namespace tvtest {

pid_t Spawn(const std::function<int()>& body);
// Reaps the child, killed first when asked; its exit code, or -signal.
int Reap(pid_t pid, bool kill = false);
// A child holding the program's lock on the folder until it is reaped.
pid_t HoldFolder(const std::string& dir);

}  // namespace tvtest
