#include "tests/fakes/fake_services.hpp"

namespace fakes {

void FakeServices::AddFile(const std::string& path, const std::string& short_path, int attributes) {
  files.AddFile(path, attributes);
  win32.AddShortName(path, short_path.empty() ? path : short_path);
}

}  // namespace fakes
