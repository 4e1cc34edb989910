#include "posix/drive_map.hpp"

#include <cstdlib>
#include <stdexcept>

namespace posix {

namespace {
char UpperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

DriveMap::DriveMap() { drives_['C'] = "/"; }

DriveMap DriveMap::Parse(std::string_view text) {
  DriveMap map;
  map.drives_.clear();
  while (!text.empty()) {
    auto end = text.find(';');
    std::string_view entry = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (entry.empty()) continue;
    if (entry.size() < 4 || !IsLetter(entry[0]) || entry.substr(1, 2) != ":=" || entry[3] != '/') {
      throw std::invalid_argument("NORB_DRIVES: bad entry \"" + std::string(entry) +
                                  "\" (expected a letter, \":=\" and an absolute folder)");
    }
    std::string folder(entry.substr(3));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    map.drives_[UpperLetter(entry[0])] = folder;
  }
  return map;
}

DriveMap DriveMap::FromEnvironment() {
  const char* text = std::getenv("NORB_DRIVES");
  if (text == nullptr || *text == '\0') return DriveMap();
  return Parse(text);
}

std::optional<std::string> DriveMap::Folder(char letter) const {
  auto it = drives_.find(UpperLetter(letter));
  if (it == drives_.end()) return std::nullopt;
  return it->second;
}

std::optional<DriveMap::Match> DriveMap::DriveOf(std::string_view posix_path) const {
  std::optional<Match> best;
  std::size_t best_length = 0;
  for (const auto& [letter, folder] : drives_) {
    std::string_view rest;
    if (folder == "/") {
      if (posix_path.empty() || posix_path[0] != '/') continue;
      rest = posix_path.substr(1);
    } else {
      if (posix_path.substr(0, folder.size()) != folder) continue;
      rest = posix_path.substr(folder.size());
      if (!rest.empty() && rest[0] != '/') continue;  // "/mnt/database" is not under "/mnt/data"
      if (!rest.empty()) rest.remove_prefix(1);
    }
    // Strictly longer only: of two drives on one folder, the earlier letter wins.
    if (!best || folder.size() > best_length) {
      best = Match{letter, std::string(rest)};
      best_length = folder.size();
    }
  }
  return best;
}

std::string DriveSettingProblem(std::string_view folder, std::string_view whose) {
  DriveMap map;
  try {
    map = DriveMap::FromEnvironment();
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  if (folder.empty() || folder[0] != '/' || map.DriveOf(folder)) return "";
  return "NORB_DRIVES=" + std::string(std::getenv("NORB_DRIVES")) + " maps no drive onto " +
         std::string(whose) + " " + std::string(folder) +
         "; map one onto it or onto a folder above it (C:=/ maps all)";
}

}  // namespace posix
