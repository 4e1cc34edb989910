// The one place that chooses the engine's store, and so the one place outside a store's folder
// that knows the stores.
#include "wnorb16/store_choice.hpp"
#include "posix/directory.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_store.hpp"

namespace wnorb16 {

namespace {

bool Names(const std::string& setting, std::string_view store) {
  return setting.size() == store.size() && posix::EqualsIgnoringCase(setting, store);
}

// Store= names no store this engine has: every file is refused with the reason, so nothing is
// kept in a store nobody meant.
class RefusedStore : public Store {
 public:
  explicit RefusedStore(std::string problem) : problem_(std::move(problem)) {}

  void Configure(const EngineConfig&) override {}
  std::string UserProblem(const std::string&) const override { return problem_; }
  std::string VersionProblem(const std::string&) const override { return problem_; }
  std::string DefaultPlace() const override { return "none (" + problem_ + ")"; }
  Placement Place(const std::string&, const std::string&, std::string_view, FolderListings&) const override {
    Placement placed;
    placed.error = problem_ + " (WNORB.INI [Engine]); set another and send CONFIG";
    return placed;
  }
  std::optional<FileRecord> Read(const WorkFile&, RecordPart) const override { return std::nullopt; }
  FileHistory History(const WorkFile&) const override { return {{}, problem_}; }
  Comparison Compare(const WorkFile&, const WorkFile&) const override {
    return {Comparison::Result::kFailed, "", problem_};
  }
  std::optional<bool> Holds(const WorkFile&, const std::string&) const override { return std::nullopt; }
  std::unique_ptr<StoreBatch> Batch() const override { return nullptr; }

 private:
  std::string problem_;
};

}  // namespace

std::unique_ptr<Store> RefusingStore(std::string problem) {
  return std::make_unique<RefusedStore>(std::move(problem));
}

bool KeepsArchives(const std::string& name) { return name.empty() || Names(name, "rcs"); }

std::unique_ptr<Store> ChooseStore(const EngineSetup& setup, const std::string& name) {
  if (KeepsArchives(name)) {
    return std::make_unique<rcs::RcsStore>(
        rcs::RcsSetup{setup.resolver, setup.home_folder, setup.programs_folder, setup.lock_wait,
                      BesideSettings(setup.ini_path, rcs::kBasesFileName), OnLocalFileSystem});
  }
  if (Names(name, "svn")) return SubversionStore(name);
  return RefusingStore("Store=\"" + name + "\" names no store; the engine keeps files in rcs or svn");
}

}  // namespace wnorb16
