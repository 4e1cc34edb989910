#include "tests/fakes/fake_shell.hpp"

#include "vbrt/error.hpp"

namespace fakes {

std::ostream& operator<<(std::ostream& out, const Launch& l) {
  return out << "Launch{\"" << l.command << "\", style " << l.style << (l.ok ? "" : ", failed") << "}";
}

double FakeShell::Run(std::string_view command_line, int window_style) {
  launches_.push_back({std::string(command_line), window_style, !failing_});
  if (failing_) vb::Raise(vb::err::FileNotFound);
  double task = next_task_++;
  return task;
}

}  // namespace fakes
