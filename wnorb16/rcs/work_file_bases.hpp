// The revision each work file was last written from. An RCS work file does not say which revision
// it holds (an edited one matches none), and a lock or a check-in of the newest revision over a
// work file that came from an older one would store the old text over whatever came between. The
// engine has RCS write every work file it gives out, so it notes the revision then, in a file
// beside WNORB.INI that the next engine reads: the add-in starts one per IDE session.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "wnorb16/disk.hpp"

namespace wnorb16::rcs {

inline constexpr char kBasesFileName[] = "WNORB.REV";

class WorkFileBases {
 public:
  // The most work files kept: past that the ones written longest ago are forgotten, which only
  // makes the engine stricter about them.
  static constexpr std::size_t kMaxBases = 10000;

  // `path`: the file they are kept in; "" keeps them for this engine's run alone.
  explicit WorkFileBases(std::string path) : path_(std::move(path)) {}

  // Reads the file again when someone changed it since (two engines may share a settings folder).
  void Refresh();
  // The revision of `archive` that `work` was last written from; "" when the engine does not know.
  std::string Of(const std::string& work, const std::string& archive) const;
  void Note(const std::string& work, const std::string& archive, const std::string& revision);
  // Adds what was noted since the last save to the file, as lines at its end (a later line
  // stands for an earlier one of the same work file); the file is written anew, through a rename,
  // when it holds twice the lines it needs or is missing or damaged (then taken as empty). A file
  // that cannot be written leaves the notes, from then on, to this engine's run.
  void Save();

 private:
  struct Base {
    std::string archive;
    std::string revision;
    std::uint64_t order = 0;  // later notes have higher numbers
  };
  void Load();
  // Forgets the oldest notes beyond kMaxBases.
  void Trim();
  // Every note in the file's form, oldest first: what a new file holds.
  std::string WholeText() const;

  std::string path_;
  std::unordered_map<std::string, Base> bases_;
  std::vector<std::pair<std::string, Base>> unsaved_;
  std::uint64_t next_order_ = 0;
  std::optional<FileStatus> seen_;  // the file as last read or written
  bool well_formed_ = false;        // it begins with the header, so lines may be added to it
  std::size_t lines_ = 0;           // the lines of notes it holds
};

}  // namespace wnorb16::rcs
