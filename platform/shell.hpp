// Seam: VB's Shell, starting a program from a command line with a window style.
// Real: posix::ShellPosix (a real process); vbhost records launches for scripted engines.
#pragma once

#include <string_view>

namespace platform {

inline constexpr int vbHide = 0;
inline constexpr int vbNormalFocus = 1;
inline constexpr int vbMinimizedFocus = 2;
inline constexpr int vbMaximizedFocus = 3;
inline constexpr int vbNormalNoFocus = 4;
inline constexpr int vbMinimizedNoFocus = 6;

class Shell {
 public:
  virtual ~Shell() = default;
  // Starts the program and answers its task id; raises 53 when it cannot be started.
  virtual double Run(std::string_view command_line, int window_style) = 0;
};

}  // namespace platform
