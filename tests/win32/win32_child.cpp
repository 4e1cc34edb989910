// Writes "<show command> <whether it was given> <command line>" to the file its first argument
// names, for the Shell tests.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "%d %d %s", startup.wShowWindow, (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? 1 : 0,
               ::GetCommandLineA());
  std::fclose(out);
  return 0;
}
